#pragma once

#include <dorsa/ServiceLayer.h>

#include <nlohmann/json.hpp>

namespace dorsatool {

// The value with every field of its type; "type" holds the type code. Null for no value.
nlohmann::json ValueJson(const zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::IDataValue>& value);

// A parameter value: a number, or the name of the discrete choice. Null for no value.
nlohmann::json ParameterValueJson(const zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::ParameterValue>& value);

// A parameter by its identity, name and unit symbol.
nlohmann::json ParameterInformationJson(const zvrtkDorsaServiceLayer::ParameterInformation& parameter);

} // namespace dorsatool
