#pragma once

#include "dorsa/xml/SpareDocumentsPrivate.h"
#include "dorsa/xml/XmlDom.h"

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

enum class MarkupProblem {
    None,
    TooDeep, // elements nest deeper than allowed
    Doctype, // a document type declaration
};

struct MarkupScan {
    MarkupProblem problem = MarkupProblem::None;
    // Some text lies elsewhere than alone between an element's start and end tags: beside
    // child elements, comments or processing instructions, or in a CDATA section. Only
    // such a text needs the parser's text nodes to be printed again as it was read.
    bool textBesideMarkup = false;
    // The text is certainly what PrintXml gives for its parse: elements and their own texts
    // only, written as the printer writes them (tags without spare blanks, attributes in
    // double quotes, empty elements as "<a/>") and without any '&'. False says nothing.
    bool printedForm = false;
    // The text holds an '&', so it may hold references to translate.
    bool ampersand = false;
};

// A cheap scan of `text` that reads tags exactly as RapidXML does (its own character
// tables, comments, CDATA, processing instructions and attributes), so that what it
// counts is what the parser would recurse into. As for the parser, the text holds no NUL
// byte and `text[length]` is one.
MarkupScan ScanMarkup(const char* text, std::size_t length, std::size_t maxDepth);

// Either way the text parsed is left exactly as written.
enum class ParseMode {
    Translated, // values with references translated, as a reader needs them
    AsWritten,  // values as written, references untranslated
};

// A document parsed from a text. Parsing never throws and never overruns: a text that
// is not well-formed XML (closing tags checked), holds a NUL byte or nests too deeply
// is refused with a reason, and the text is then left exactly as it was.
class ParsedXml final {
public:
    ParsedXml();
    ParsedXml(const ParsedXml&) = delete;
    ParsedXml& operator=(const ParsedXml&) = delete;

    // Parses a copy of the text.
    bool Parse(const char* data, std::size_t length, ParseMode mode);
    // Parses `text` where it lies, without a copy: the document points into it, so it
    // must outlive the document. `text[length]` must be '\0'. Names and values are not
    // NUL-terminated: read them with their sizes.
    bool ParseInPlace(const char* text, std::size_t length, ParseMode mode);
    XmlDocument<char>& Document() { return *m_document; }
    // After a successful parse: the text is known, from the scan that guards the parse,
    // to be exactly what PrintXml gives for the document, which PrintsAs then need not
    // check (MarkupScan::printedForm).
    bool InPrintedForm() const { return m_printedForm; }
    // Why Parse refused the text.
    const std::string& Error() const { return m_error; }

private:
    bool Refuse(const std::string& reason);

    SpareDocument m_document;
    std::vector<char> m_text;
    std::string m_error;
    bool m_printedForm = false;
};

// The node printed without indentation; `expectedSize` is a hint for the text's length.
std::string PrintXml(const XmlNode<char>& node, std::size_t expectedSize = 0);
// PrintXml(node) appended to `text`.
void AppendPrintedXml(std::string& text, const XmlNode<char>& node);
// Whether PrintXml(node), parsed again by ParsedXml (either mode) and printed, gives the
// same bytes, found from the tree alone: every node is an element or a text, no name or
// value holds a NUL byte, no text is blanks alone (the parser keeps none such), and the
// elements nest no deeper than `maxDepth` (the node's own element counting as one). False
// says nothing: the print may still come back the same.
bool PrintsBackAsItself(const XmlNode<char>& node, std::size_t maxDepth);
// Whether PrintXml(node) is exactly text[0, length), found without writing the print:
// a reply that is already in printed form then serves as its own print.
bool PrintsAs(const XmlNode<char>& node, const char* text, std::size_t length);

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
