#pragma once

#include "dorsa/xml/XmlDom.h"

#include <cstddef>

namespace zvrtkDorsaServiceLayer {
namespace detail {

// Where and why a reference could not be translated.
struct ReferenceError {
    const char* what = nullptr;
    const char* where = nullptr;
};

// Translates the character and entity references in every attribute value and text
// of a document parsed without translation, as RapidXML's own translating parse does:
// the five predefined entities and decimal or hexadecimal character references (written
// as UTF-8); any other '&' is kept as it is. A translated value is a string of the
// document's own, so `text`, what the document was parsed from, stays as written.
bool TranslateReferences(XmlDocument<char>& document, const char* text, std::size_t length, ReferenceError& error);

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
