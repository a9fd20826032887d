#pragma once

#include "JsonPlace.h"

#include <dorsa/ServiceLayer.h>

#include <string>
#include <vector>

namespace dorsatool {

// The import records of a file in the form README.md describes. Paths of files and
// pictures are relative to `directory`. Throws JsonShapeError naming the place.
std::vector<zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::ImportRecord>>
ReadImportRecords(const Json& file, const std::string& directory);

} // namespace dorsatool
