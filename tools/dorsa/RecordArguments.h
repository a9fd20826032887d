#pragma once

#include "ToolContext.h"

#include <CLI/CLI.hpp>

#include <string>

namespace dorsatool {

// Checks a RECORD argument: a record history identity or a record GUID.
CLI::Validator RecordValidator();

// The record of a database that a RECORD argument names.
zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::RecordReference>
MakeRecordReference(const std::string& dbKey, const std::string& record);

// How tables show a record: its identity, or its GUID when it came without one.
std::string RecordLabel(const zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::RecordReference>& record);

nlohmann::json RecordJson(const zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::RecordReference>& record);

} // namespace dorsatool
