#include "TableLookup.h"

#include "Commands.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace dorsatool {

using namespace zvrtkDorsaServiceLayer;

namespace {

bool IsIdentity(const std::string& text)
{
    return !text.empty() && text.size() <= 10 &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }) &&
           std::stoll(text) >= 1 && std::stoll(text) <= INT_MAX;
}

// 8-4-4-4-12 hexadecimal digits, braces and letter case as the user wrote them.
bool IsGuid(const std::string& text)
{
    static const size_t s_groups[] = {8, 4, 4, 4, 12};
    size_t position = 0;
    for (size_t group = 0; group < 5; ++group) {
        if (group > 0 && (position >= text.size() || text[position++] != '-')) {
            return false;
        }
        for (size_t digit = 0; digit < s_groups[group]; ++digit, ++position) {
            if (position >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[position]))) {
                return false;
            }
        }
    }
    return position == text.size();
}

} // namespace

bool IsRecordIdentityOrGuid(const std::string& record)
{
    return IsIdentity(record) || IsGuid(record);
}

std::string RecordProblem(const std::string& record)
{
    return IsRecordIdentityOrGuid(record) ? "" : "'" + record + "' is neither a record identity nor a record GUID";
}

std::string RecordOrNameProblem(const std::string& record)
{
    return IdentityOrNameProblem(record, "record");
}

std::string IdentityOrNameProblem(const std::string& text, const std::string& kind)
{
    const bool digits = !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) {
        return std::isdigit(c);
    });
    return !digits || IsIdentity(text) ? "" : "'" + text + "' is no " + kind + " identity (1 to 2147483647)";
}

SmartPtr<RecordReference> MakeRecordReference(const std::string& dbKey, const std::string& record)
{
    SmartPtr<RecordReference> reference = new RecordReference;
    reference->SetDBKey(dbKey);
    if (IsIdentity(record)) {
        reference->SetIdentity(std::stoi(record));
    } else {
        reference->SetRecordGUID(record);
    }
    return reference;
}

SmartPtr<TableReference> MakeTableReference(const std::string& dbKey, const std::string& table)
{
    SmartPtr<TableReference> reference = new TableReference;
    reference->SetDBKey(dbKey);
    reference->SetTableName(table);
    return reference;
}

SmartPtr<AttributeReference> MakeAttributeReference(const std::string& dbKey, const std::string& attribute)
{
    SmartPtr<AttributeReference> reference = new AttributeReference;
    reference->SetDBKey(dbKey);
    reference->SetName(attribute);
    return reference;
}

SmartPtr<AttributeReference> MakeAttributeReference(const std::string& dbKey, const std::string& table,
                                                    const std::string& attribute)
{
    SmartPtr<AttributeReference> reference = MakeAttributeReference(dbKey, attribute);
    reference->SetPartialTableReference(PartialTableReference::CreateOneFromTableName(table));
    return reference;
}

SmartPtr<ParameterReference> MakeParameterReference(const std::string& dbKey, const std::string& parameter)
{
    SmartPtr<ParameterReference> reference = new ParameterReference;
    reference->SetDBKey(dbKey);
    if (IsIdentity(parameter)) {
        reference->SetID(std::stoi(parameter));
    } else {
        reference->SetName(parameter);
    }
    return reference;
}

SmartPtr<UnitConversionContext> UnitSystemContext(const std::string& unitSystem)
{
    if (unitSystem.empty()) {
        return nullptr;
    }
    SmartPtr<UnitConversionContext> context = new UnitConversionContext;
    context->SetUnitSystem(unitSystem);
    return context;
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
    GetTablesResponse response;
    if (const int failed = context.Call<GetTablesImpl>(response, request)) {
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
    SimpleTextSearchResponse response;
    if (const int failed = context.Call<RecordNameSearchImpl>(response, request)) {
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

int FindRecord(ToolContext& context, const std::string& dbKey, const std::string& table, const std::string& record,
               SmartPtr<RecordReference>& found)
{
    if (IsRecordIdentityOrGuid(record)) {
        found = MakeRecordReference(dbKey, record);
        return Exit_Ok;
    }
    return FindRecordByName(context, dbKey, table, record, found);
}

} // namespace dorsatool
