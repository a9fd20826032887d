#include "ImportJson.h"

#include "TableLookup.h"
#include "ValueFromJson.h"

#include <cstdint>
#include <map>

namespace dorsatool {

using namespace zvrtkDorsaServiceLayer;

namespace {

SmartPtr<RecordReference> Record(const Json& value, const ValueScope& scope, const Place& place)
{
    const std::string text = value.is_number_integer() ? std::to_string(value.get<long long>()) : Text(value, place);
    if (!RecordProblem(text).empty()) {
        place.Fail(RecordProblem(text));
    }
    return MakeRecordReference(scope.dbKey, text);
}

const std::map<std::string, ImportRecordModes::eImportRecordMode> s_modes = {
    {"update", ImportRecordModes::Update},
    {"create", ImportRecordModes::Create},
    {"copy", ImportRecordModes::Copy},
};

SmartPtr<SubsetReference> Subset(const Json& value, const ValueScope& scope, const Place& place)
{
    SmartPtr<SubsetReference> subset = new SubsetReference;
    subset->SetDBKey(scope.dbKey);
    if (value.is_number_integer()) {
        if (value.get<long long>() < 1 || value.get<long long>() > INT32_MAX) {
            place.Fail("is no subset identity");
        }
        subset->SetSubsetIdentity(static_cast<int>(value.get<long long>()));
    } else {
        subset->SetName(Text(value, place));
        subset->GetPartialTableReference()->SetTableName(scope.table);
    }
    return subset;
}

void ReadSubsets(const Json& value, ImportRecord& record, const ValueScope& scope, const Place& place)
{
    const std::string mode = OptionalText(value, "subsetsMode", place);
    if (mode != "" && mode != "append" && mode != "replace") {
        place["subsetsMode"].Fail("is '" + mode + "', expected append or replace");
    }
    const Json* subsets = Optional(value, "subsets");
    if (!subsets) {
        return;
    }
    record.SetUpdateSubsetsMode(mode == "replace" ? ImportRecord::UpdateSubsets::Replace
                                                  : ImportRecord::UpdateSubsets::Append);
    Array(*subsets, place["subsets"]);
    for (size_t index = 0; index < subsets->size(); ++index) {
        record.AddSubsetReference(Subset((*subsets)[index], scope, place["subsets"][index]));
    }
}

SmartPtr<ImportRecord> ReadRecord(const Json& value, ValueScope scope, const Place& place)
{
    Object(value, {"mode", "record", "parent", "name", "folder", "release", "table", "values", "subsets", "subsetsMode"},
           place);
    const std::string modeText = Text(Required(value, "mode", place), place["mode"]);
    const auto mode = s_modes.find(modeText);
    if (mode == s_modes.end()) {
        place["mode"].Fail("is '" + modeText + "', expected create, update or copy");
    }
    scope.table = OptionalText(value, "table", place).empty() ? scope.table : OptionalText(value, "table", place);
    SmartPtr<ImportRecord> record = new ImportRecord;
    record->SetImportRecordMode(mode->second);
    // The existing record is the parent to create under, the record to update or the one to copy.
    const char* existing = mode->second == ImportRecordModes::Create ? "parent" : "record";
    record->SetExistingRecord(Record(Required(value, existing, place), scope, place[existing]));
    if (mode->second == ImportRecordModes::Copy) {
        record->SetCopyDestinationParent(Record(Required(value, "parent", place), scope, place["parent"]));
    } else if (Optional(value, mode->second == ImportRecordModes::Create ? "record" : "parent")) {
        place.Fail(mode->second == ImportRecordModes::Create ? "a new record has a \"parent\", not a \"record\""
                                                             : "an updated record stays where it is: no \"parent\"");
    }
    record->SetRecordName(OptionalText(value, "name", place));
    if (const Json* folder = Optional(value, "folder")) {
        record->SetIsFolder(Flag(*folder, place["folder"]));
    }
    if (const Json* release = Optional(value, "release")) {
        record->SetRelease(Flag(*release, place["release"]));
    }
    ReadSubsets(value, *record, scope, place);
    if (const Json* values = Optional(value, "values")) {
        Expect(*values, values->is_object(), "an object of attribute names and values", place["values"]);
        if (scope.table.empty() && !values->empty()) {
            place.Fail("names attributes, but neither it nor the file says their \"table\"");
        }
        for (const auto& item : values->items()) {
            scope.attribute = item.key();
            SmartPtr<IDataValue> data =
                item.value().is_null() ? nullptr : ValueFromJson(item.value(), scope, place["values"][item.key()]);
            record->AddImportAttributeValue(
                new ImportAttributeValue(data, MakeAttributeReference(scope.dbKey, scope.table, item.key())));
        }
    }
    return record;
}

} // namespace

std::vector<SmartPtr<ImportRecord>> ReadImportRecords(const Json& file, const std::string& directory,
                                                      std::vector<FileToUpload>* uploads)
{
    const Place top("");
    Object(file, {"database", "table", "records"}, top);
    ValueScope scope;
    scope.dbKey = Text(Required(file, "database", top), top["database"]);
    scope.table = OptionalText(file, "table", top);
    scope.directory = directory;
    scope.uploads = uploads;
    const Json& records = Array(Required(file, "records", top), top["records"]);
    std::vector<SmartPtr<ImportRecord>> result;
    for (size_t index = 0; index < records.size(); ++index) {
        scope.record = index;
        result.push_back(ReadRecord(records[index], scope, top["records"][index]));
    }
    return result;
}

} // namespace dorsatool
