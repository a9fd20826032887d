#pragma once

#include "JsonPlace.h"
#include "ValueFromJson.h"

#include <dorsa/ServiceLayer.h>

#include <string>
#include <vector>

namespace dorsatool {

// The import records of a file in the form README.md describes. Paths of files and
// pictures are relative to `directory`; with `uploads`, the files they name are listed
// there to be uploaded after the import, else their content is read into the values.
// Throws JsonShapeError naming the place.
std::vector<zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::ImportRecord>>
ReadImportRecords(const Json& file, const std::string& directory, std::vector<FileToUpload>* uploads = nullptr);

} // namespace dorsatool
