#include "dorsa/xml/XmlTextPrivate.h"
#include "dorsa/xml/CharacterReferencesPrivate.h"
#include "dorsa/xml/TextForms.h"

#include <rapidxml/rapidxml_print.hpp>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace zvrtkDorsaServiceLayer {
namespace detail {

namespace {

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
        if (std::memcmp(at, terminator, length) == 0) {
            return at + length;
        }
    }
    return end;
}

// Position of the '>' ending a start tag, quotes honoured; `end` when unterminated.
const char* EndOfStartTag(const char* at, const char* end)
{
    char quote = 0;
    for (; at < end; ++at) {
        if (quote) {
            quote = *at == quote ? 0 : quote;
        } else if (*at == '"' || *at == '\'') {
            quote = *at;
        } else if (*at == '>') {
            return at;
        }
    }
    return end;
}

} // namespace

bool ExceedsNestingDepth(const char* text, std::size_t length, std::size_t maxDepth)
{
    const char* end = text + length;
    std::size_t depth = 0;
    for (const char* at = text; at < end;) {
        at = static_cast<const char*>(std::memchr(at, '<', static_cast<std::size_t>(end - at)));
        if (!at) {
            break;
        }
        const char next = at + 1 < end ? at[1] : '\0';
        if (next == '/') {
            depth -= depth > 0 ? 1 : 0;
            at = SkipPast(at, end, ">");
        } else if (next == '?') {
            at = SkipPast(at, end, "?>");
        } else if (next == '!') {
            const char* terminator = StartsWith(at, end, "<!--") ? "-->" : StartsWith(at, end, "<![CDATA[") ? "]]>" : ">";
            at = SkipPast(at, end, terminator);
        } else {
            const char* close = EndOfStartTag(at, end);
            const bool selfClosing = close < end && close[-1] == '/';
            if (!selfClosing && ++depth > maxDepth) {
                return true;
            }
            at = close < end ? close + 1 : end;
        }
    }
    return false;
}

ParsedXml::ParsedXml() : m_document(new XmlDocument<char>) {}

bool ParsedXml::Parse(const char* data, std::size_t length, ParseMode mode)
{
    m_text.assign(data, data + length);
    m_text.push_back('\0');
    return ParseInPlace(m_text.data(), length, mode);
}

bool ParsedXml::ParseInPlace(char* text, std::size_t length, ParseMode mode)
{
    m_document->clear();
    m_error.clear();
    if (std::memchr(text, '\0', length)) {
        return Refuse("NUL byte in the text");
    }
    if (ExceedsNestingDepth(text, length, s_maxNestingDepth)) {
        return Refuse(FormatString("elements nested deeper than %zu levels", s_maxNestingDepth));
    }
    // Parsed without writing into the text; references are translated afterwards, once
    // the whole text is known to be well-formed, so a refused text stays as it came.
    const char* where = nullptr;
    try {
        m_document->parse<rapidxml::parse_non_destructive | rapidxml::parse_validate_closing_tags>(text);
    } catch (const XmlParseError& error) {
        m_error = error.what();
        where = static_cast<const char*>(error.Where());
    }
    ReferenceError referenceError;
    if (m_error.empty() && mode == ParseMode::InPlace && !TranslateReferences(*m_document, text, length, referenceError)) {
        m_error = referenceError.what;
        where = referenceError.where;
    }
    if (m_error.empty()) {
        return true;
    }
    const bool inText = where >= text && where <= text + length;
    return Refuse(inText ? FormatString("%s at byte %td", m_error.c_str(), where - text) : m_error);
}

bool ParsedXml::Refuse(const std::string& reason)
{
    m_error = reason;
    m_document->clear();
    return false;
}

namespace {

// Writes straight into a string's storage, growing it by doubling: RapidXML's printer
// emits one character at a time, and push_back per character costs more than it needs.
class StringWriter final {
public:
    explicit StringWriter(std::string& text) : m_text(text) {}

    char* Next()
    {
        if (m_used == m_text.size()) {
            m_text.resize(std::max<std::size_t>(m_text.size() * 2, 256));
        }
        return &m_text[m_used++];
    }
    void Finish() { m_text.resize(m_used); }

private:
    std::string& m_text;
    std::size_t m_used = 0;
};

// The output iterator RapidXML's printer writes through.
class WriterIterator final {
public:
    using iterator_category = std::output_iterator_tag;
    using value_type = void;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = void;

    explicit WriterIterator(StringWriter& writer) : m_writer(&writer) {}
    WriterIterator& operator=(char c)
    {
        *m_writer->Next() = c;
        return *this;
    }
    WriterIterator& operator*() { return *this; }
    WriterIterator& operator++() { return *this; }
    WriterIterator operator++(int) { return *this; }

private:
    StringWriter* m_writer;
};

} // namespace

std::string PrintXml(const XmlNode<char>& node, std::size_t expectedSize)
{
    std::string text(expectedSize + expectedSize / 16, '\0');
    StringWriter writer(text);
    rapidxml::print(WriterIterator(writer), node, rapidxml::print_no_indenting);
    writer.Finish();
    return text;
}

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
