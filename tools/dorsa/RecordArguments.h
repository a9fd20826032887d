#pragma once

#include "TableLookup.h"
#include "ToolContext.h"

#include <CLI/CLI.hpp>

#include <string>

namespace dorsatool {

// Checks a RECORD argument: a record history identity or a record GUID.
CLI::Validator RecordValidator();

// Checks a RECORD argument that may also be a record's full or short name.
CLI::Validator RecordOrNameValidator();

// How tables show a record: its identity, or its GUID when it came without one.
std::string RecordLabel(const zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::RecordReference>& record);

nlohmann::json RecordJson(const zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::RecordReference>& record);

} // namespace dorsatool
