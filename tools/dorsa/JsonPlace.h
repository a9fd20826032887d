#pragma once

#include <nlohmann/json.hpp>

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>

namespace dorsatool {

// What is wrong with a JSON file the tool reads, starting with the place in the file.
class JsonShapeError final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using Json = nlohmann::ordered_json;

// A place in a JSON file, as messages name it: records[2].values["Yield strength"].low
class Place final {
public:
    explicit Place(std::string path) : m_path(std::move(path)) {}

    // A member: `.key`, or `["key"]` for a key that is not one plain word.
    Place operator[](const std::string& key) const;
    Place operator[](size_t index) const { return Place(m_path + "[" + std::to_string(index) + "]"); }

    // Throws JsonShapeError: the place, then `problem`.
    [[noreturn]] void Fail(const std::string& problem) const;

private:
    std::string m_path;
};

// Each returns the value when it has the shape asked for, and fails at `place` when not.
const Json& Expect(const Json& value, bool matches, const char* expected, const Place& place);
// An object whose keys are all among `allowed`: a misspelt key is refused, not ignored.
const Json& Object(const Json& value, std::initializer_list<const char*> allowed, const Place& place);
const Json& Array(const Json& value, const Place& place);
std::string Text(const Json& value, const Place& place);
double Number(const Json& value, const Place& place);
bool Flag(const Json& value, const Place& place);

// Members of an object: null when absent; failing when absent; "" when absent.
const Json* Optional(const Json& object, const char* key);
const Json& Required(const Json& object, const char* key, const Place& place);
std::string OptionalText(const Json& object, const char* key, const Place& place);

} // namespace dorsatool
