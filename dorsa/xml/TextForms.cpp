#include "dorsa/xml/TextForms.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <stdexcept>
#include <vector>

namespace zvrtkDorsaServiceLayer {

std::string IntToString(int value)
{
    return FormatString("%d", value);
}

std::string DoubleToString(double value)
{
    return FormatString("%.17e", value);
}

std::string BoolToString(bool value)
{
    return value ? "true" : "false";
}

int StringToInt(const std::string& text)
{
    try {
        return std::stoi(text);
    } catch (const std::invalid_argument&) {
        throw std::invalid_argument("invalid stoi argument");
    } catch (const std::out_of_range&) {
        throw std::out_of_range("stoi argument out of range");
    }
}

double StringToDouble(const std::string& text)
{
    try {
        return std::stod(text);
    } catch (const std::invalid_argument&) {
        throw std::invalid_argument("invalid stod argument");
    } catch (const std::out_of_range&) {
        throw std::out_of_range("stod argument out of range");
    }
}

bool StringToBool(const std::string& text)
{
    static const std::array<const char*, 5> s_trueWords = {"true", "t", "yes", "y", "1"};
    static const std::array<const char*, 5> s_falseWords = {"false", "f", "no", "n", "0"};
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto isOneOf = [&](const std::array<const char*, 5>& words) {
        return std::find(words.begin(), words.end(), lower) != words.end();
    };
    if (isOneOf(s_trueWords)) {
        return true;
    }
    if (isOneOf(s_falseWords)) {
        return false;
    }
    throw std::invalid_argument("boolean value not parseable");
}

std::string FormatString(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    va_list measuring;
    va_copy(measuring, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    std::string text;
    if (length > 0) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, arguments);
        text.assign(buffer.data(), static_cast<size_t>(length));
    }
    va_end(arguments);
    return text;
}

} // namespace zvrtkDorsaServiceLayer
