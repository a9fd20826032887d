#include "dorsa/xml/TextForms.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <vector>

namespace zvrtkDorsaServiceLayer {

namespace {

std::string CharsToString(const char* begin, std::to_chars_result result)
{
    return result.ec == std::errc() ? std::string(begin, static_cast<std::size_t>(result.ptr - begin)) : std::string();
}

} // namespace

std::string IntToString(int value)
{
    char buffer[16];
    return CharsToString(buffer, std::to_chars(buffer, buffer + sizeof buffer, value));
}

std::string DoubleToString(double value)
{
    char buffer[32];
    return CharsToString(buffer, std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 17));
}

std::string FixedToString(double value, int decimals)
{
    char buffer[352]; // the longest double with up to 17 decimals
    return CharsToString(buffer,
                         std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals));
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

// As std::stod in the "C" locale, whatever the host set with setlocale (the wire always
// writes numbers with a decimal point): leading white space, a sign, decimal or
// hexadecimal digits, "inf" or "nan"; the text after the number is ignored.
double StringToDouble(const std::string& text)
{
    const char* begin = text.c_str();
    const char* const end = begin + text.size();
    while (begin != end && *begin != '\0' && std::strchr(" \t\n\v\f\r", *begin)) {
        ++begin;
    }
    bool negative = false;
    if (begin != end && (*begin == '+' || *begin == '-')) {
        negative = *begin++ == '-';
    }
    std::chars_format format = std::chars_format::general;
    if (end - begin > 2 && begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X') &&
        std::isxdigit(static_cast<unsigned char>(begin[2]))) {
        format = std::chars_format::hex;
        begin += 2;
    }
    double value = 0;
    // A second sign is no number; from_chars alone would take it.
    const std::from_chars_result result = begin != end && *begin != '-'
                                              ? std::from_chars(begin, end, value, format)
                                              : std::from_chars_result{begin, std::errc::invalid_argument};
    if (result.ec == std::errc::invalid_argument) {
        throw std::invalid_argument("invalid stod argument");
    }
    // Like strtod, a decimal number too small for a normal double is out of range too
    // (its subnormal value is inexact).
    const bool subnormal = format == std::chars_format::general && std::isfinite(value) && value != 0 &&
                           std::fabs(value) < std::numeric_limits<double>::min();
    if (result.ec == std::errc::result_out_of_range || subnormal) {
        throw std::out_of_range("stod argument out of range");
    }
    return negative ? -value : value;
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
