#include "TableLookup.h"

#include "Commands.h"

namespace dorsatool {

using namespace zvrtkDorsaServiceLayer;

SmartPtr<TableReference> MakeTableReference(const std::string& dbKey, const std::string& table)
{
    SmartPtr<TableReference> reference = new TableReference;
    reference->SetDBKey(dbKey);
    reference->SetTableName(table);
    return reference;
}

SmartPtr<AttributeReference> MakeAttributeReference(const std::string& dbKey, const std::string& table,
                                                    const std::string& attribute)
{
    SmartPtr<PartialTableReference> partialTable = new PartialTableReference;
    partialTable->SetTableName(table);
    SmartPtr<AttributeReference> reference = new AttributeReference;
    reference->SetDBKey(dbKey);
    reference->SetName(attribute);
    reference->SetPartialTableReference(partialTable);
    return reference;
}

std::vector<std::string> AttributeNames(const std::vector<SmartPtr<AttributeReference>>& attributes)
{
    std::vector<std::string> names;
    for (const SmartPtr<AttributeReference>& attribute : attributes) {
        names.push_back(attribute->GetName());
    }
    return names;
}

int FindTable(ToolContext& context, const std::string& dbKey, const std::string& table, SmartPtr<TableDetail>& found)
{
    SmartPtr<GetTables> request = new GetTables;
    request->SetDBKey(dbKey);
    request->AddAttributeSelector(GetTables::NonMetaAttributes);
    GetTablesImpl operation(context.Session());
    GetTablesResponse response;
    operation.RequestTables(request, &response);
    if (const int failed = context.Outcome(GetTablesImpl::s_soapAction, response.GetServiceLayerResponse())) {
        return failed;
    }
    for (const SmartPtr<TableDetail>& detail : response.AccessTableDetails()) {
        if (detail->GetTableReference() && detail->GetTableReference()->GetTableName() == table) {
            found = detail;
            return Exit_Ok;
        }
    }
    return context.Fail(Exit_BadArguments, "no table '" + table + "' in " + dbKey);
}

int FindRecordByName(ToolContext& context, const std::string& dbKey, const std::string& table, const std::string& name,
                     SmartPtr<RecordReference>& found)
{
    SmartPtr<RecordNameSearchRequest> request = new RecordNameSearchRequest;
    request->SetTable(MakeTableReference(dbKey, table));
    request->SetRecordName(name);
    request->SetSearchShortNames(true);
    RecordNameSearchImpl operation(context.Session());
    SimpleTextSearchResponse response;
    operation.RecordNameSearch(request, &response);
    if (const int failed = context.Outcome(RecordNameSearchImpl::s_soapAction, response.GetServiceLayerResponse())) {
        return failed;
    }
    const std::vector<SmartPtr<SearchResult>>& hits = response.AccessSearchResults();
    if (hits.size() == 1) {
        found = hits.front()->GetRecordReference();
        return Exit_Ok;
    }
    if (hits.empty()) {
        return context.Fail(Exit_BadArguments, "no record named '" + name + "' in " + table);
    }
    std::vector<std::string> identities;
    for (const SmartPtr<SearchResult>& hit : hits) {
        identities.push_back(std::to_string(hit->GetRecordReference()->GetIdentity()));
    }
    return context.Fail(Exit_BadArguments, "'" + name + "' names several records in " + table + ": " +
                                               Join(identities));
}

} // namespace dorsatool
