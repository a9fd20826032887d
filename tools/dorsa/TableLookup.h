#pragma once

#include "ToolContext.h"

#include <string>
#include <vector>

namespace dorsatool {

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

// The names of the attributes, in their order.
std::vector<std::string> AttributeNames(const std::vector<zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::AttributeReference>>& attributes);

// Finds the table named `table` with its non-meta attribute references; Exit_Ok, the exit
// code of the failed call, or Exit_BadArguments after saying the database has no such table.
int FindTable(ToolContext& context, const std::string& dbKey, const std::string& table,
              zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::TableDetail>& found);

} // namespace dorsatool
