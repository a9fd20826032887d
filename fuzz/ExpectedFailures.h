#pragma once

#include <cstring>
#include <stdexcept>

namespace dorsafuzz {

// The failures a reader reports by design when a reply holds a number, a boolean or a
// text it cannot convert. Anything else a reader throws is a finding.
inline bool IsExpectedInvalidArgument(const char* what)
{
    for (const char* expected : {"invalid stoi argument", "invalid stod argument", "boolean value not parseable"}) {
        if (std::strcmp(what, expected) == 0) {
            return true;
        }
    }
    return false;
}

inline bool IsExpectedOutOfRange(const char* what)
{
    return std::strcmp(what, "stoi argument out of range") == 0 || std::strcmp(what, "stod argument out of range") == 0;
}

inline bool IsExpectedRangeError(const char* what)
{
    static const char s_utf8Prefix[] = "invalid UTF-8 ";
    return std::strncmp(what, s_utf8Prefix, sizeof s_utf8Prefix - 1) == 0;
}

// Runs `read`, swallowing the expected conversion failures. Any other exception goes on
// and escapes the fuzz target, which libFuzzer reports as a crash with its reproducer.
template <class Read>
void TolerateConversionFailures(Read&& read)
{
    try {
        read();
    } catch (const std::invalid_argument& error) {
        if (!IsExpectedInvalidArgument(error.what())) {
            throw;
        }
    } catch (const std::out_of_range& error) {
        if (!IsExpectedOutOfRange(error.what())) {
            throw;
        }
    } catch (const std::range_error& error) {
        if (!IsExpectedRangeError(error.what())) {
            throw;
        }
    }
}

} // namespace dorsafuzz
