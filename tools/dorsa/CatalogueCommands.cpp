#include "Commands.h"

#include <memory>
#include <string>
#include <vector>

namespace dorsatool {

using namespace zvrtkDorsaServiceLayer;
using nlohmann::json;

namespace {

std::string Join(const std::vector<std::string>& items)
{
    std::string joined;
    for (const std::string& item : items) {
        joined += (joined.empty() ? "" : ", ") + item;
    }
    return joined;
}

Runner DefinePing(CLI::App&)
{
    return [](ToolContext& context) {
        eHttpStatusCode status = eHttpStatus_NotSent;
        if (context.Session()->ConnectionIsValid(&status)) {
            context.Print({{"URL", "STATUS"}, {{context.Options().url, "answers"}}},
                          json{{"url", context.Options().url}, {"answers", true}});
            return static_cast<int>(Exit_Ok);
        }
        if (status != eHttpStatus_NotSent) {
            return context.Fail(Exit_HttpFailure, context.Options().url + " answers with a failure status");
        }
        // Ask once more, directly, for the transport's reason.
        SmartPtr<HttpMessage> probe = HttpMessage::CreateOne();
        context.Session()->HttpClientPtr()->SendRequest(L"/", eHttpVerb_Get, probe);
        return context.Fail(Exit_CannotConnect, "cannot connect to " + context.Options().url + ": " + probe->GetTransportError());
    };
}

Runner DefineDatabases(CLI::App&)
{
    return [](ToolContext& context) {
        GetDatabaseImpl operation(context.Session());
        GetDatabasesResponse response;
        operation.GetDatabases(&response);
        if (const int failed = context.Outcome(GetDatabaseImpl::s_soapAction, response.GetServiceLayerResponse())) {
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

std::vector<std::string> AttributeNames(const std::vector<SmartPtr<AttributeReference>>& attributes)
{
    std::vector<std::string> names;
    for (const SmartPtr<AttributeReference>& attribute : attributes) {
        names.push_back(attribute->GetName());
    }
    return names;
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
    for (const std::string& name : arguments.selectors) {
        const GetTables::eAttributeSelector selector = GetTables::AttributeSelector_FromString(name);
        if (selector == 0) {
            return context.Fail(Exit_BadArguments, "unknown attribute selector: " + name);
        }
        request->AddAttributeSelector(selector);
    }
    GetTablesImpl operation(context.Session());
    GetTablesResponse response;
    operation.RequestTables(request, &response);
    if (const int failed = context.Outcome(GetTablesImpl::s_soapAction, response.GetServiceLayerResponse())) {
        return failed;
    }
    TextTable table{{"ID", "NAME", "FILTERS", "ATTRIBUTES"}, {}};
    json list = json::array();
    for (const SmartPtr<TableDetail>& detail : response.AccessTableDetails()) {
        const SmartPtr<TableReference> reference = detail->GetTableReference() ? detail->GetTableReference() : new TableReference;
        std::vector<std::string> filters;
        for (const TableFilters::eTablesFilter filter : detail->AccessTableFilters()) {
            filters.push_back(TableFilters::ToString(filter));
        }
        const std::vector<std::string> attributes = AttributeNames(detail->AccessAttributeReferences());
        const std::vector<std::string> standard = AttributeNames(detail->AccessStandardAttributeReferences());
        table.rows.push_back({std::to_string(reference->GetTableID()), reference->GetTableName(), Join(filters), Join(attributes)});
        list.push_back({{"id", reference->GetTableID()},
                        {"guid", reference->GetTableGUID()},
                        {"name", reference->GetTableName()},
                        {"filters", filters},
                        {"attributes", attributes},
                        {"standardAttributes", standard}});
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
    SmartPtr<TableReference> table = new TableReference;
    table->SetDBKey(arguments.dbKey);
    table->SetTableName(arguments.table);
    SmartPtr<GetSubsets> request = new GetSubsets;
    request->SetTable(table);
    GetSubsetsImpl operation(context.Session());
    GetSubsetsResponse response;
    operation.GetSubsets(request, &response);
    if (const int failed = context.Outcome(GetSubsetsImpl::s_soapAction, response.GetServiceLayerResponse())) {
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
