#include "RecordArguments.h"

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

CLI::Validator RecordValidator()
{
    const auto problem = [](std::string& record) -> std::string {
        if (IsIdentity(record) || IsGuid(record)) {
            return "";
        }
        return "'" + record + "' is neither a record identity nor a record GUID";
    };
    return CLI::Validator(problem, "IDENTITY|GUID");
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
