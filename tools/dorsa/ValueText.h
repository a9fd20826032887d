#pragma once

#include <dorsa/ServiceLayer.h>

#include <string>

namespace dorsatool {

// What a type code stands for, e.g. "point" for POIN; an unknown code as it is.
std::string TypeName(const std::string& typeCode);

// The symbol of a unit; empty without one.
std::string UnitSymbol(const zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::UnitInformation>& unit);

// What a tabular column holds: "local", "target record", ..., "unavailable".
const char* ColumnKind(zvrtkDorsaServiceLayer::TabularColumn::eColType type);

// A value as a person reads it: "7900 kg/m^3 @ 20 °C", "205–NaN MPa", "Good, Acceptable".
// A tabular value comes as a small table of several lines, a long text keeps its lines.
std::string ValueText(const zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::IDataValue>& value);

// A parameter value as people read it: the number, or the name of the discrete choice.
std::string ParameterValueText(const zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::ParameterValue>& value);

} // namespace dorsatool
