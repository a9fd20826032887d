#pragma once

#include "JsonPlace.h"

#include <dorsa/ServiceLayer.h>

#include <string>

namespace dorsatool {

// What the values of one import file refer to.
struct ValueScope {
    std::string dbKey;     // of parameters, records and subsets
    std::string table;     // whose attributes the values belong to
    std::string directory; // that file and picture paths are relative to
};

// The value that `value` describes in the readable form README.md gives for import files;
// fails at `place` when it describes none.
zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::IDataValue> ValueFromJson(const Json& value,
                                                                                   const ValueScope& scope,
                                                                                   const Place& place);

} // namespace dorsatool
