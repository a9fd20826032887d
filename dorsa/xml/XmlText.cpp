#include "dorsa/xml/XmlTextPrivate.h"
#include "dorsa/xml/CharacterReferencesPrivate.h"
#include "dorsa/xml/TextForms.h"

#include <cstring>
#include <string>

namespace zvrtkDorsaServiceLayer {
namespace detail {

namespace {

using Tables = rapidxml::internal::lookup_tables<0>;

bool StartsWith(const char* at, const char* end, const char* prefix)
{
    const std::size_t length = std::strlen(prefix);
    return static_cast<std::size_t>(end - at) >= length && std::memcmp(at, prefix, length) == 0;
}

// Position just after `terminator`, or `end` when it does not occur.
const char* SkipPast(const char* at, const char* end, const char* terminator)
{
    const std::size_t length = std::strlen(terminator);
    for (; static_cast<std::size_t>(end - at) >= length; ++at) {
        at = static_cast<const char*>(std::memchr(at, terminator[0], static_cast<std::size_t>(end - at)));
        if (!at || static_cast<std::size_t>(end - at) < length) {
            return end;
        }
        if (std::memcmp(at, terminator, length) == 0) {
            return at + length;
        }
    }
    return end;
}

// Skips the characters `table` accepts. No table accepts the NUL that ends the text, so
// a run never passes the end, and needs no bound of its own.
const char* SkipWhile(const char* at, const unsigned char (&table)[256])
{
    while (table[static_cast<unsigned char>(*at)]) {
        ++at;
    }
    return at;
}

// A start tag read exactly as RapidXML reads it: the name, then attributes of the form
// name = 'value' or "value", then ">" or "/>". Null where RapidXML would stop with an
// error, since the parse then ends there, no deeper than the tags before it. `printed`
// turns false unless the tag is written as the printer writes one: one blank before each
// attribute, none around '=', the value in double quotes without '<' or '>', none
// before ">" or "/>".
const char* EndOfStartTag(const char* at, const char* end, bool& selfClosing, bool& printed)
{
    const char* name = at;
    at = SkipWhile(at, Tables::lookup_node_name);
    if (at == name) {
        return nullptr;
    }
    const char* blanks = at;
    at = SkipWhile(at, Tables::lookup_whitespace);
    while (at < end && Tables::lookup_attribute_name[static_cast<unsigned char>(*at)]) {
        printed = printed && at - blanks == 1 && *blanks == ' ';
        at = SkipWhile(at, Tables::lookup_attribute_name);
        const char* const equals = SkipWhile(at, Tables::lookup_whitespace);
        if (equals == end || *equals != '=') {
            return nullptr;
        }
        const char* const quote = SkipWhile(equals + 1, Tables::lookup_whitespace);
        if (quote == end || (*quote != '"' && *quote != '\'')) {
            return nullptr;
        }
        const void* closingQuote = std::memchr(quote + 1, *quote, static_cast<std::size_t>(end - quote - 1));
        if (!closingQuote) {
            return nullptr;
        }
        const char* const valueEnd = static_cast<const char*>(closingQuote);
        printed = printed && equals == at && quote == equals + 1 && *quote == '"' &&
                  !std::memchr(quote + 1, '<', static_cast<std::size_t>(valueEnd - quote - 1)) &&
                  !std::memchr(quote + 1, '>', static_cast<std::size_t>(valueEnd - quote - 1));
        blanks = valueEnd + 1;
        at = SkipWhile(blanks, Tables::lookup_whitespace);
    }
    printed = printed && at == blanks;
    selfClosing = at < end && *at == '/';
    at += selfClosing ? 1 : 0;
    return at < end && *at == '>' ? at + 1 : nullptr;
}

// What matters of a character in an element's own text: whether the printer writes it as
// a reference (besides '<' and '&', which the scan finds on its own), and whether it is
// other than a blank.
enum : unsigned char { s_escapedInText = 1, s_notBlank = 2 };
struct TextCharacters {
    unsigned char table[256] = {};
    TextCharacters()
    {
        for (int c = 0; c < 256; ++c) {
            table[c] = Tables::lookup_whitespace[c] ? 0 : s_notBlank;
        }
        for (const char c : {'>', '\'', '"'}) {
            table[static_cast<unsigned char>(c)] |= s_escapedInText;
        }
    }
};
const TextCharacters s_textCharacters;

// Whether an element's own text, as written, is what the printer writes for it: not
// blanks alone (the parser keeps no such text), none of the characters it escapes.
bool ElementTextInPrintedForm(const char* text, const char* end)
{
    unsigned char seen = 0;
    for (; text < end; ++text) {
        seen |= s_textCharacters.table[static_cast<unsigned char>(*text)];
    }
    return seen == s_notBlank;
}

} // namespace

// What a piece of markup is to the text around it: text between a start tag and the
// next end tag is an element's own text, any other is text beside markup.
enum class Markup { StartTag, EndTag, Other };

MarkupScan ScanMarkup(const char* text, std::size_t length, std::size_t maxDepth)
{
    const char* end = text + length;
    std::size_t depth = 0;
    MarkupScan scan;
    Markup previous = Markup::Other;
    const char* textStart = text;
    // A reference may or may not be written as the printer writes it: only the comparison
    // after the parse can tell.
    scan.ampersand = std::memchr(text, '&', length) != nullptr;
    bool printed = !scan.ampersand;
    for (const char* at = text; at < end;) {
        // Tags mostly follow one another: look further only when they do not.
        if (*at != '<') {
            at = static_cast<const char*>(std::memchr(at, '<', static_cast<std::size_t>(end - at)));
            if (!at) {
                break;
            }
        }
        const char* const markupStart = at;
        Markup markup = Markup::Other;
        const char next = at + 1 < end ? at[1] : '\0';
        if (next == '/') {
            markup = Markup::EndTag;
            depth -= depth > 0 ? 1 : 0;
            // "</name>" as the printer writes it, else anything up to the first '>'.
            const char* const nameEnd = SkipWhile(at + 2, Tables::lookup_node_name);
            if (nameEnd < end && *nameEnd == '>') {
                at = nameEnd + 1;
            } else {
                printed = false;
                at = SkipPast(at, end, ">");
            }
        } else if (next == '?') {
            // As the parser does, the end is looked for after "<?": "<?>" ends nothing.
            at = SkipPast(at + 2, end, "?>");
        } else if (next == '!') {
            if (StartsWith(at, end, "<!--")) {
                at = SkipPast(at + 4, end, "-->");
            } else if (StartsWith(at, end, "<![CDATA[")) {
                scan.textBesideMarkup = true;
                at = SkipPast(at + 9, end, "]]>");
            } else if (StartsWith(at, end, "<!DOCTYPE")) {
                // SOAP forbids one, and its internal subset is where markup could hide.
                scan.problem = MarkupProblem::Doctype;
                return scan;
            } else {
                at = SkipPast(at, end, ">");
            }
        } else {
            bool selfClosing = false;
            at = EndOfStartTag(at + 1, end, selfClosing, printed);
            if (!at) {
                return scan; // the parser refuses the text here
            }
            markup = selfClosing ? Markup::Other : Markup::StartTag;
            if (!selfClosing && ++depth > maxDepth) {
                scan.problem = MarkupProblem::TooDeep;
                return scan;
            }
        }
        // Comments, processing instructions (the XML declaration too), CDATA sections and
        // other declarations are not printed as they were written, if at all.
        printed = printed && next != '!' && next != '?';
        // Between tags, the printer writes nothing but an element's own text, and an empty
        // element as "<a/>".
        if (printed) {
            const bool ownText = previous == Markup::StartTag && markup == Markup::EndTag;
            printed = ownText ? ElementTextInPrintedForm(textStart, markupStart) : textStart == markupStart;
        }
        // The parser makes no text node of blanks alone.
        if (!scan.textBesideMarkup && !(previous == Markup::StartTag && markup == Markup::EndTag) &&
            SkipWhile(textStart, Tables::lookup_whitespace) != markupStart) {
            scan.textBesideMarkup = true;
        }
        previous = markup;
        textStart = at;
    }
    scan.printedForm = printed && textStart == end;
    return scan;
}

ParsedXml::ParsedXml() = default;

bool ParsedXml::Parse(const char* data, std::size_t length, ParseMode mode)
{
    m_text.assign(data, data + length);
    m_text.push_back('\0');
    return ParseInPlace(m_text.data(), length, mode);
}

bool ParsedXml::ParseInPlace(const char* text, std::size_t length, ParseMode mode)
{
    m_document->clear();
    m_error.clear();
    m_printedForm = false;
    if (std::memchr(text, '\0', length)) {
        return Refuse("NUL byte in the text");
    }
    const MarkupScan scan = ScanMarkup(text, length, s_maxNestingDepth);
    switch (scan.problem) {
    case MarkupProblem::TooDeep:
        return Refuse("elements nested deeper than " + std::to_string(s_maxNestingDepth) + " levels");
    case MarkupProblem::Doctype:
        return Refuse("a document type declaration, which a SOAP message may not hold");
    case MarkupProblem::None:
        break;
    }
    // Parsed without writing into the text (the parser's text argument is not const, but
    // this mode never writes through it); references are translated afterwards into the
    // document's own strings, so the text always stays as it came.
    // A text node per element text would double the nodes of a typical reply; where no
    // text lies beside markup, each element's text is its value alone and prints the same.
    constexpr int flags = rapidxml::parse_non_destructive | rapidxml::parse_validate_closing_tags;
    const char* where = nullptr;
    try {
        if (scan.textBesideMarkup) {
            m_document->parse<flags>(const_cast<char*>(text));
        } else {
            m_document->parse<flags | rapidxml::parse_no_data_nodes>(const_cast<char*>(text));
        }
    } catch (const XmlParseError& error) {
        m_error = error.what();
        where = static_cast<const char*>(error.Where());
    }
    ReferenceError referenceError;
    if (m_error.empty() && mode == ParseMode::Translated && scan.ampersand &&
        !TranslateReferences(*m_document, text, length, referenceError)) {
        m_error = referenceError.what;
        where = referenceError.where;
    }
    if (m_error.empty()) {
        m_printedForm = scan.printedForm;
        return true;
    }
    const bool inText = where >= text && where <= text + length;
    return Refuse(inText ? m_error + " at byte " + std::to_string(where - text) : m_error);
}

bool ParsedXml::Refuse(const std::string& reason)
{
    m_error = reason;
    m_document->clear();
    return false;
}

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
