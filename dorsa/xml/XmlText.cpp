#include "dorsa/xml/XmlTextPrivate.h"
#include "dorsa/xml/TextForms.h"

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
    m_document->clear();
    m_error.clear();
    if (std::memchr(data, '\0', length)) {
        m_error = "NUL byte in the text";
        return false;
    }
    if (ExceedsNestingDepth(data, length, s_maxNestingDepth)) {
        m_error = FormatString("elements nested deeper than %zu levels", s_maxNestingDepth);
        return false;
    }
    m_text.assign(data, data + length);
    m_text.push_back('\0');
    try {
        if (mode == ParseMode::InPlace) {
            m_document->parse<rapidxml::parse_validate_closing_tags>(m_text.data());
        } else {
            m_document->parse<rapidxml::parse_non_destructive | rapidxml::parse_validate_closing_tags>(m_text.data());
        }
    } catch (const XmlParseError& error) {
        const char* where = static_cast<const char*>(error.Where());
        const bool inText = where >= m_text.data() && where < m_text.data() + m_text.size();
        m_error = inText ? FormatString("%s at byte %td", error.what(), where - m_text.data()) : error.what();
        m_document->clear();
        return false;
    }
    return true;
}

std::string PrintXml(const XmlNode<char>& node)
{
    std::string text;
    rapidxml::print(std::back_inserter(text), node, rapidxml::print_no_indenting);
    return text;
}

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
