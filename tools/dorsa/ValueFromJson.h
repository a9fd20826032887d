#pragma once

#include "JsonPlace.h"

#include <dorsa/ServiceLayer.h>

#include <cstddef>
#include <string>
#include <vector>

namespace dorsatool {

// A file or picture value whose content goes up by PUT once its record is written.
struct FileToUpload {
    std::size_t record = 0; // index of its import record in the file
    std::string dbKey;
    std::string table;
    std::string attribute;
    std::string path;
    std::string contentType;
};

// What the values of one import file refer to.
struct ValueScope {
    std::string dbKey;     // of parameters, records and subsets
    std::string table;     // whose attributes the values belong to
    std::string directory; // that file and picture paths are relative to
    // Where file and picture content given by "path" is listed for upload, its value sent
    // without content; null: the content is read into the value.
    std::vector<FileToUpload>* uploads = nullptr;
    std::size_t record = 0;
    std::string attribute;
};

// The value that `value` describes in the readable form README.md gives for import files;
// fails at `place` when it describes none.
zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::IDataValue> ValueFromJson(const Json& value,
                                                                                   const ValueScope& scope,
                                                                                   const Place& place);

} // namespace dorsatool
