#pragma once

#include "dorsa/xml/XmlDom.h"

#include <rapidxml/rapidxml_print.hpp>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {
namespace detail {

// RapidXML recurses once per nesting level while parsing and printing. Real replies
// nest a few dozen levels; this bound keeps a hostile reply from exhausting the stack
// (it stays well inside a 1 MB thread stack).
constexpr std::size_t s_maxNestingDepth = 2000;

// True when elements in `text` nest deeper than `maxDepth`. A cheap scan that skips
// comments, CDATA, processing instructions and quoted attribute values.
bool ExceedsNestingDepth(const char* text, std::size_t length, std::size_t maxDepth);

enum class ParseMode {
    InPlace,        // entities translated; the document points into its own copy of the text
    NonDestructive, // the text is left exactly as written, references untranslated
};

// A document parsed from its own copy of a text. Parsing never throws and never
// overruns: a text that is not well-formed XML (closing tags checked), holds a NUL
// byte or nests too deeply is refused with a reason.
class ParsedXml final {
public:
    ParsedXml();
    ParsedXml(const ParsedXml&) = delete;
    ParsedXml& operator=(const ParsedXml&) = delete;

    bool Parse(const char* data, std::size_t length, ParseMode mode);
    XmlDocument<char>& Document() { return *m_document; }
    // Why Parse refused the text.
    const std::string& Error() const { return m_error; }

private:
    std::unique_ptr<XmlDocument<char>> m_document;
    std::vector<char> m_text;
    std::string m_error;
};

// The node printed without indentation.
std::string PrintXml(const XmlNode<char>& node);

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
