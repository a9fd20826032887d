#pragma once

#include <regex.h>

#include <string>

namespace dorsatest {

// Whether the whole of `text` matches the POSIX extended regular expression `pattern`.
// (POSIX regex rather than std::regex, whose GCC 12 headers warn under optimisation.)
inline bool FullMatch(const std::string& text, const std::string& pattern)
{
    regex_t compiled;
    if (regcomp(&compiled, ("^(" + pattern + ")$").c_str(), REG_EXTENDED | REG_NOSUB) != 0) {
        return false;
    }
    const bool matched = regexec(&compiled, text.c_str(), 0, nullptr, 0) == 0;
    regfree(&compiled);
    return matched;
}

} // namespace dorsatest
