#include "Commands.h"
#include "TableLookup.h"

#include <memory>
#include <string>
#include <vector>

namespace dorsatool {

using namespace zvrtkDorsaServiceLayer;
using nlohmann::json;

namespace {

// A GET of the base URL, with the outcome recorded as an operation's is. One request only:
// its message already holds the transport's reason when it fails.
SmartPtr<ServiceLayerResponse> ProbeBaseUrl(const DorsaSession& session)
{
    SmartPtr<HttpMessage> probe = HttpMessage::CreateOne();
    const SmartPtr<HttpClient> client = session.HttpClientPtr();
    const HttpClient::SendRequestResult sent =
        client ? client->SendRequest(L"/", eHttpVerb_Get, probe) : HttpClient::SendRequest_Failed;
    const SmartPtr<HttpMessageBuffer> reply = probe->AccessResponseBody();
    SmartPtr<ServiceLayerResponse> outcome = new ServiceLayerResponse(
        reply ? std::string(reply->GetData(), reply->GetLength()) : std::string(), probe->GetHttpCode());
    if (sent == HttpClient::SendRequest_Failed) {
        outcome->SetOutcome(CallOutcomes::TransportFailure, probe->GetTransportError(), probe->WasConnected());
    } else if (sent == HttpClient::SendRequest_ReplyTooLarge) {
        outcome->SetOutcome(CallOutcomes::UnreadableReply);
    } else {
        outcome->SetOutcome(probe->GetStatus() == eHttpStatus_Success ? CallOutcomes::Success : CallOutcomes::HttpFailure);
    }
    return outcome;
}

Runner DefinePing(CLI::App&)
{
    return [](ToolContext& context) {
        if (const int failed = context.Outcome("ping", ProbeBaseUrl(*context.Session()))) {
            return failed;
        }
        const std::string url = WithoutUserInfo(context.Options().url);
        context.Print({{"URL", "STATUS"}, {{url, "answers"}}}, json{{"url", url}, {"answers", true}});
        return static_cast<int>(Exit_Ok);
    };
}

Runner DefineDatabases(CLI::App&)
{
    return [](ToolContext& context) {
        GetDatabasesResponse response;
        if (const int failed = context.Call<GetDatabaseImpl>(response)) {
            return failed;
        }
        TextTable table{{"KEY", "NAME"}, {}};
        json list = json::array();
        for (const SmartPtr<DorsaDatabase>& database : response.AccessDatabases()) {
            table.rows.push_back({database->GetDBKey(), database->GetName()});
            list.push_back({{"dbKey", database->GetDBKey()}, {"name", database->GetName()}});
        }
        context.Print(table, list);
        return static_cast<int>(Exit_Ok);
    };
}

struct TablesArguments {
    std::string dbKey;
    std::string filter;
    std::vector<std::string> selectors;
};

// Which attribute lists the asked-for selectors fill; the listing shows a column for each.
struct AttributeColumns {
    bool attributes = false;
    bool standard = false;

    void Add(GetTables::eAttributeSelector selector)
    {
        (selector == GetTables::StandardAttributes ? standard : attributes) = true;
    }
};

// Adds the selectors to `request`; Exit_Ok, or Exit_BadArguments after naming an unknown one.
int AddSelectors(ToolContext& context, const std::vector<std::string>& names, GetTables& request,
                 AttributeColumns& columns)
{
    for (const std::string& name : names) {
        const GetTables::eAttributeSelector selector = GetTables::AttributeSelector_FromString(name);
        if (selector == 0) {
            return context.Fail(Exit_BadArguments, "unknown attribute selector: " + name);
        }
        request.AddAttributeSelector(selector);
        columns.Add(selector);
    }
    return Exit_Ok;
}

TextTable TablesListing(const AttributeColumns& columns)
{
    TextTable table{{"ID", "NAME", "FILTERS"}, {}};
    if (columns.attributes) {
        table.headers.push_back("ATTRIBUTES");
    }
    if (columns.standard) {
        table.headers.push_back("STANDARD ATTRIBUTES");
    }
    return table;
}

// One table's line in the listing and its object in the JSON list.
void AddTable(TableDetail& detail, const AttributeColumns& columns, TextTable& table, json& list)
{
    const SmartPtr<TableReference> reference = detail.GetTableReference() ? detail.GetTableReference() : new TableReference;
    std::vector<std::string> filters;
    for (const TableFilters::eTablesFilter filter : detail.AccessTableFilters()) {
        filters.push_back(TableFilters::ToString(filter));
    }
    const std::vector<std::string> attributes = AttributeNames(detail.AccessAttributeReferences());
    const std::vector<std::string> standard = AttributeNames(detail.AccessStandardAttributeReferences());
    std::vector<std::string> row{std::to_string(reference->GetTableID()), reference->GetTableName(), Join(filters)};
    if (columns.attributes) {
        row.push_back(Join(attributes));
    }
    if (columns.standard) {
        row.push_back(Join(standard));
    }
    table.rows.push_back(row);
    list.push_back({{"id", reference->GetTableID()},
                    {"guid", reference->GetTableGUID()},
                    {"name", reference->GetTableName()},
                    {"filters", filters},
                    {"attributes", attributes},
                    {"standardAttributes", standard}});
}

int RunTables(ToolContext& context, const TablesArguments& arguments)
{
    SmartPtr<GetTables> request = new GetTables;
    request->SetDBKey(arguments.dbKey);
    if (!arguments.filter.empty()) {
        const TableFilters::eTablesFilter filter = TableFilters::FromString(arguments.filter);
        if (filter == TableFilters::NoFilter && arguments.filter != "NoFilter") {
            return context.Fail(Exit_BadArguments, "unknown table filter: " + arguments.filter);
        }
        request->SetTableFilter(filter);
    }
    AttributeColumns columns;
    if (const int failed = AddSelectors(context, arguments.selectors, *request, columns)) {
        return failed;
    }
    GetTablesResponse response;
    if (const int failed = context.Call<GetTablesImpl>(response, request)) {
        return failed;
    }
    TextTable table = TablesListing(columns);
    json list = json::array();
    for (const SmartPtr<TableDetail>& detail : response.AccessTableDetails()) {
        AddTable(*detail, columns, table, list);
    }
    context.Print(table, list);
    return Exit_Ok;
}

Runner DefineTables(CLI::App& app)
{
    auto arguments = std::make_shared<TablesArguments>();
    app.add_option("DB", arguments->dbKey, "database key")->required();
    app.add_option("--filter", arguments->filter, "only tables of this kind, e.g. MaterialsTablesOnly");
    app.add_option("--selector", arguments->selectors,
                   "attributes to list: NonMetaAttributes, MetaAttributes, StandardAttributes");
    return [arguments](ToolContext& context) { return RunTables(context, *arguments); };
}

struct SubsetsArguments {
    std::string dbKey;
    std::string table;
};

int RunSubsets(ToolContext& context, const SubsetsArguments& arguments)
{
    SmartPtr<GetSubsets> request = new GetSubsets;
    request->SetTable(MakeTableReference(arguments.dbKey, arguments.table));
    GetSubsetsResponse response;
    if (const int failed = context.Call<GetSubsetsImpl>(response, request)) {
        return failed;
    }
    TextTable output{{"ID", "NAME", "TABLE"}, {}};
    json list = json::array();
    for (const SmartPtr<SubsetDetail>& detail : response.AccessSubsetDetails()) {
        const int identity = detail->GetSubset() ? detail->GetSubset()->GetSubsetIdentity() : 0;
        const std::string tableName = detail->GetTableReference() ? detail->GetTableReference()->GetTableName() : "";
        output.rows.push_back({std::to_string(identity), detail->GetName(), tableName});
        list.push_back({{"id", identity}, {"name", detail->GetName()}, {"table", tableName}});
    }
    context.Print(output, list);
    return Exit_Ok;
}

Runner DefineSubsets(CLI::App& app)
{
    auto arguments = std::make_shared<SubsetsArguments>();
    app.add_option("DB", arguments->dbKey, "database key")->required();
    app.add_option("TABLE", arguments->table, "table name")->required();
    return [arguments](ToolContext& context) { return RunSubsets(context, *arguments); };
}

} // namespace

std::vector<Command> CatalogueCommands()
{
    return {
        {"ping", "check that the server answers", DefinePing},
        {"databases", "list the databases", DefineDatabases},
        {"tables", "list the tables of a database", DefineTables},
        {"subsets", "list the subsets of a table", DefineSubsets},
    };
}

} // namespace dorsatool
