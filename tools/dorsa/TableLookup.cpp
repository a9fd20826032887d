#include "TableLookup.h"

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

} // namespace dorsatool
