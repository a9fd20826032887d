#include "JsonPlace.h"

#include <algorithm>

namespace dorsatool {

namespace {

const char* Kind(const Json& value)
{
    switch (value.type()) {
    case Json::value_t::object:
        return "an object";
    case Json::value_t::array:
        return "an array";
    case Json::value_t::string:
        return "a string";
    case Json::value_t::boolean:
        return "true or false";
    case Json::value_t::null:
        return "null";
    default:
        return "a number";
    }
}

} // namespace

Place Place::operator[](const std::string& key) const
{
    const bool plain = !key.empty() && key.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ") ==
                                           std::string::npos;
    return Place(plain ? (m_path.empty() ? key : m_path + "." + key) : m_path + "[" + Json(key).dump() + "]");
}

void Place::Fail(const std::string& problem) const
{
    throw JsonShapeError((m_path.empty() ? "the top level" : m_path) + ": " + problem);
}

const Json& Expect(const Json& value, bool matches, const char* expected, const Place& place)
{
    if (!matches) {
        place.Fail(std::string("is ") + Kind(value) + ", expected " + expected);
    }
    return value;
}

const Json& Object(const Json& value, std::initializer_list<const char*> allowed, const Place& place)
{
    Expect(value, value.is_object(), "an object", place);
    for (const auto& item : value.items()) {
        if (std::none_of(allowed.begin(), allowed.end(), [&](const char* key) { return item.key() == key; })) {
            std::string keys;
            for (const char* key : allowed) {
                keys += std::string(keys.empty() ? "" : ", ") + key;
            }
            place[item.key()].Fail("is not known here; expected one of " + keys);
        }
    }
    return value;
}

std::string Text(const Json& value, const Place& place)
{
    return Expect(value, value.is_string(), "a string", place).get<std::string>();
}

double Number(const Json& value, const Place& place)
{
    return Expect(value, value.is_number(), "a number", place).get<double>();
}

bool Flag(const Json& value, const Place& place)
{
    return Expect(value, value.is_boolean(), "true or false", place).get<bool>();
}

const Json& Array(const Json& value, const Place& place)
{
    return Expect(value, value.is_array(), "an array", place);
}

const Json* Optional(const Json& object, const char* key)
{
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

const Json& Required(const Json& object, const char* key, const Place& place)
{
    const Json* value = Optional(object, key);
    if (!value) {
        place.Fail(std::string("has no \"") + key + "\"");
    }
    return *value;
}

std::string OptionalText(const Json& object, const char* key, const Place& place)
{
    const Json* value = Optional(object, key);
    return value ? Text(*value, place[key]) : "";
}

} // namespace dorsatool
