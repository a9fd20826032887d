#pragma once

#include "ToolContext.h"

#include <string>
#include <vector>

namespace dorsatool {

// Whether `record` is a record history identity or a record GUID.
bool IsRecordIdentityOrGuid(const std::string& record);

// Why `record` names no record by identity or GUID, or empty.
std::string RecordProblem(const std::string& record);

// Why `record` is neither an identity, a GUID nor a name, or empty: digits alone are
// always an identity, never a name.
std::string RecordOrNameProblem(const std::string& record);

// Why `text` is neither an identity nor a name of a `kind` ("parameter"), or empty: digits
// alone are always an identity, never a name.
std::string IdentityOrNameProblem(const std::string& text, const std::string& kind);

// A record of a database by identity or GUID (one RecordProblem accepts).
zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::RecordReference> MakeRecordReference(const std::string& dbKey,
                                                                                               const std::string& record);

// A table of a database by its name, as requests name it.
zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::TableReference> MakeTableReference(const std::string& dbKey,
                                                                                             const std::string& table);

// Why `record` names no record on the command line (neither an identity nor a GUID); "" when it does.
std::string RecordProblem(const std::string& record);

// A record by the identity or GUID the user gave.
zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::RecordReference> MakeRecordReference(const std::string& dbKey,
                                                                                               const std::string& record);

// An attribute of a table by its name.
zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::AttributeReference>
MakeAttributeReference(const std::string& dbKey, const std::string& table, const std::string& attribute);

// An attribute by its name alone: the server finds it in the table of each record a request names.
zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::AttributeReference>
MakeAttributeReference(const std::string& dbKey, const std::string& attribute);

// A parameter of a database by identity or name (one IdentityOrNameProblem accepts).
zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::ParameterReference>
MakeParameterReference(const std::string& dbKey, const std::string& parameter);

// Values in the unit system `unitSystem`; null for an empty name, which leaves them in database units.
zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::UnitConversionContext>
UnitSystemContext(const std::string& unitSystem);

// The names of the attributes, in their order.
std::vector<std::string> AttributeNames(const std::vector<zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::AttributeReference>>& attributes);

// Finds the table named `table` with its non-meta attribute references; Exit_Ok, the exit
// code of the failed call, or Exit_BadArguments after saying the database has no such table.
int FindTable(ToolContext& context, const std::string& dbKey, const std::string& table,
              zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::TableDetail>& found);

// The one record of `table` whose full or short name is `name` (in any letter case); Exit_Ok,
// the exit code of the failed call, or Exit_BadArguments after saying that no record, or
// more than one, has that name.
int FindRecordByName(ToolContext& context, const std::string& dbKey, const std::string& table, const std::string& name,
                     zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::RecordReference>& found);

// The record `record` names: by identity or GUID as given, else by full or short name in
// `table` as FindRecordByName finds it.
int FindRecord(ToolContext& context, const std::string& dbKey, const std::string& table, const std::string& record,
               zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::RecordReference>& found);

} // namespace dorsatool
