#pragma once

#include <dorsa/ServiceLayer.h>

#include <nlohmann/json.hpp>

namespace dorsatool {

// The value with every field of its type; "type" holds the type code. Null for no value.
nlohmann::json ValueJson(const zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::IDataValue>& value);

// The record's key, identity and GUIDs.
nlohmann::json RecordJson(const zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::RecordReference>& record);

} // namespace dorsatool
