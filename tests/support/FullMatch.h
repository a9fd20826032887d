#pragma once

#include <string>

#ifdef _WIN32
#include <regex>
#else
#include <regex.h>
#endif

namespace dorsatest {

// Whether the whole of `text` matches the POSIX extended regular expression `pattern`.
// POSIX regex where the C library has it, rather than std::regex, whose GCC 12 headers
// warn under optimisation; MinGW's C library has none.
inline bool FullMatch(const std::string& text, const std::string& pattern)
{
#ifdef _WIN32
    return std::regex_match(text, std::regex(pattern, std::regex::extended | std::regex::nosubs));
#else
    regex_t compiled;
    if (regcomp(&compiled, ("^(" + pattern + ")$").c_str(), REG_EXTENDED | REG_NOSUB) != 0) {
        return false;
    }
    const bool matched = regexec(&compiled, text.c_str(), 0, nullptr, 0) == 0;
    regfree(&compiled);
    return matched;
#endif
}

} // namespace dorsatest
