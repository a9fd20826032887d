#pragma once

#include "dorsa/DorsaExport.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

// The wire forms of numbers and booleans. Numbers are written and read in the "C"
// locale whatever locale the host has set.
DORSA_EXPORT std::string IntToString(int value);               // "%d"
DORSA_EXPORT std::string DoubleToString(double value);         // "%.17e": reads back to the same double
DORSA_EXPORT std::string BoolToString(bool value);             // "true" / "false"
// `decimals` digits after the point ("%.*f"); the timing line's seconds.
DORSA_EXPORT std::string FixedToString(double value, int decimals);

// std::stoi semantics; throws std::invalid_argument("invalid stoi argument") or
// std::out_of_range("stoi argument out of range").
DORSA_EXPORT int StringToInt(const std::string& text);
// std::stod semantics; throws std::invalid_argument("invalid stod argument") or
// std::out_of_range("stod argument out of range").
DORSA_EXPORT double StringToDouble(const std::string& text);
// true/t/yes/y/1 and false/f/no/n/0, in any letter case; anything else throws
// std::invalid_argument("boolean value not parseable").
DORSA_EXPORT bool StringToBool(const std::string& text);

// `text` with its references translated as a reply's text is: the five predefined entities
// and decimal or hexadecimal character references (written as UTF-8). A '&' that starts no
// reference, or one to no character, is kept as it is. For text a reader gets as written,
// such as ServiceLayerResponse::GetErrorMessage.
DORSA_EXPORT std::string TranslatedReferences(const std::string& text);

// printf-style formatting into a std::string. Follows the host's locale: not for numbers
// that go on the wire.
DORSA_EXPORT std::string FormatString(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

} // namespace zvrtkDorsaServiceLayer
