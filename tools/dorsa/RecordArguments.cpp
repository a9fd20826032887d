#include "RecordArguments.h"

#include "TableLookup.h"

namespace dorsatool {

using namespace zvrtkDorsaServiceLayer;

CLI::Validator RecordValidator()
{
    return CLI::Validator([](std::string& record) { return RecordProblem(record); }, "IDENTITY|GUID");
}

CLI::Validator RecordOrNameValidator()
{
    return CLI::Validator([](std::string& record) { return RecordOrNameProblem(record); }, "IDENTITY|GUID|NAME");
}

std::string RecordLabel(const SmartPtr<RecordReference>& record)
{
    return record->GetIdentity() != 0 ? std::to_string(record->GetIdentity()) : record->GetRecordGUID();
}

nlohmann::json RecordJson(const SmartPtr<RecordReference>& record)
{
    return {{"dbKey", record->GetDBKey()},
            {"identity", record->GetIdentity()},
            {"recordGUID", record->GetRecordGUID()},
            {"historyGUID", record->GetHistoryGUID()}};
}

} // namespace dorsatool
