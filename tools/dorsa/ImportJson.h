#pragma once

#include <dorsa/ServiceLayer.h>

#include <nlohmann/json.hpp>

#include <stdexcept>
#include <string>
#include <vector>

namespace dorsatool {

// What is wrong with a file of import records, starting with the place in the file.
class ImportFileError final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The import records of a file in the form README.md describes. Paths of files and
// pictures are relative to `directory`. Throws ImportFileError.
std::vector<zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::ImportRecord>>
ReadImportRecords(const nlohmann::ordered_json& file, const std::string& directory);

} // namespace dorsatool
