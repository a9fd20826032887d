#include "Commands.h"
#include "Listing.h"
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
        using Database = SmartPtr<DorsaDatabase>;
        PrintListing<Database>(context,
                               {{"KEY", "dbKey", [](const Database& database) { return database->GetDBKey(); }},
                                {"NAME", "name", [](const Database& database) { return database->GetName(); }}},
                               response.AccessDatabases());
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

using Table = SmartPtr<TableDetail>;

SmartPtr<TableReference> ReferenceOf(const Table& detail)
{
    return detail->GetTableReference() ? detail->GetTableReference() : new TableReference;
}

// The attribute lists are in every JSON object, in the table only when asked for.
std::vector<Column<Table>> TableColumns(const AttributeColumns& columns)
{
    return {{"ID", "id", [](const Table& detail) { return ReferenceOf(detail)->GetTableID(); }},
            {nullptr, "guid", [](const Table& detail) { return ReferenceOf(detail)->GetTableGUID(); }},
            {"NAME", "name", [](const Table& detail) { return ReferenceOf(detail)->GetTableName(); }},
            {"FILTERS", "filters",
             [](const Table& detail) {
                 json filters = json::array();
                 for (const TableFilters::eTablesFilter filter : detail->AccessTableFilters()) {
                     filters.push_back(TableFilters::ToString(filter));
                 }
                 return filters;
             }},
            {columns.attributes ? "ATTRIBUTES" : nullptr, "attributes",
             [](const Table& detail) { return AttributeNames(detail->AccessAttributeReferences()); }},
            {columns.standard ? "STANDARD ATTRIBUTES" : nullptr, "standardAttributes",
             [](const Table& detail) { return AttributeNames(detail->AccessStandardAttributeReferences()); }}};
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
    PrintListing(context, TableColumns(columns), response.AccessTableDetails());
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
    using Subset = SmartPtr<SubsetDetail>;
    PrintListing<Subset>(
        context,
        {{"ID", "id",
          [](const Subset& detail) { return detail->GetSubset() ? detail->GetSubset()->GetSubsetIdentity() : 0; }},
         {"NAME", "name", [](const Subset& detail) { return detail->GetName(); }},
         {"TABLE", "table",
          [](const Subset& detail) {
              return detail->GetTableReference() ? detail->GetTableReference()->GetTableName() : "";
          }}},
        response.AccessSubsetDetails());
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
