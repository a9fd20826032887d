#include "dorsa/xml/CharacterReferencesPrivate.h"
#include "dorsa/platform/WideTextPrivate.h"
#include "dorsa/xml/TextForms.h"

#include <cstddef>
#include <cstring>
#include <string>

namespace zvrtkDorsaServiceLayer {
namespace detail {

namespace {

const unsigned long s_maxCodePoint = 0x10FFFF;

// One decoded reference: how many bytes of text it takes, and the bytes it stands for.
// A `length` of 0 means the '&' starts no reference and is kept as it is.
struct Reference {
    std::size_t length = 0;
    char bytes[4] = {};
    std::size_t count = 0;
    const char* error = nullptr;
    const char* where = nullptr;
};

bool Matches(const char* at, const char* end, const char* word)
{
    const std::size_t length = std::strlen(word);
    return static_cast<std::size_t>(end - at) >= length && std::memcmp(at, word, length) == 0;
}

int DigitValue(char c, int base)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (base == 16 && c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (base == 16 && c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// "&#" digits ";" or "&#x" hex digits ";". Code 0 is refused: it would put a NUL
// byte into a value, and XML allows no such character.
Reference DecodeCharacterReference(const char* at, const char* end)
{
    Reference reference;
    const bool hexadecimal = at + 2 < end && at[2] == 'x';
    const int base = hexadecimal ? 16 : 10;
    const char* digit = at + (hexadecimal ? 3 : 2);
    unsigned long code = 0;
    for (int value; digit < end && (value = DigitValue(*digit, base)) >= 0; ++digit) {
        code = code > s_maxCodePoint ? code : code * static_cast<unsigned long>(base) + static_cast<unsigned long>(value);
    }
    if (code == 0 || code > s_maxCodePoint) {
        reference.error = "invalid numeric character entity";
        reference.where = at;
    } else if (digit == end || *digit != ';') {
        reference.error = "expected ;";
        reference.where = digit;
    } else {
        reference.count = EncodeUtf8(static_cast<char32_t>(code), reference.bytes);
        reference.length = static_cast<std::size_t>(digit + 1 - at);
    }
    return reference;
}

Reference DecodeReference(const char* at, const char* end)
{
    struct Named {
        const char* text;
        char character;
    };
    static const Named s_named[] = {{"&amp;", '&'}, {"&apos;", '\''}, {"&quot;", '"'}, {"&gt;", '>'}, {"&lt;", '<'}};
    if (at + 1 < end && at[1] == '#') {
        return DecodeCharacterReference(at, end);
    }
    Reference reference;
    for (const Named& named : s_named) {
        if (Matches(at, end, named.text)) {
            reference.length = std::strlen(named.text);
            reference.bytes[0] = named.character;
            reference.count = 1;
            break;
        }
    }
    return reference;
}

// Finds the '&'s of the values of a document parsed from `text`, whose values all lie in
// the text and come in the order of the text as the document is walked: each '&' is then
// searched for once, instead of each value being searched whole.
class AmpersandCursor {
public:
    AmpersandCursor(const char* text, std::size_t length) : m_end(text + length), m_from(m_end), m_next(m_end) {}

    bool InValue(const char* value, std::size_t size)
    {
        if (size == 0) {
            return false;
        }
        // No '&' lies in [m_from, m_next): the answer stands unless the value starts
        // outside that knowledge.
        if (value < m_from || value > m_next) {
            m_from = value;
            const void* found = std::memchr(value, '&', static_cast<std::size_t>(m_end - value));
            m_next = found ? static_cast<const char*>(found) : m_end;
        }
        return m_next < value + size;
    }

private:
    const char* const m_end;
    const char* m_from;
    const char* m_next;
};

// Translates `size` bytes at `in` into `out`, which has room for as many: a translated
// value never grows. Returns the translated size.
bool TranslateSpan(const char* in, std::size_t size, char* out, std::size_t& newSize, ReferenceError& error)
{
    const char* const end = in + size;
    char* const begin = out;
    while (in < end) {
        if (*in == '&') {
            const Reference reference = DecodeReference(in, end);
            if (reference.error) {
                error.what = reference.error;
                error.where = reference.where;
                return false;
            }
            if (reference.length > 0) {
                std::memcpy(out, reference.bytes, reference.count);
                out += reference.count;
                in += reference.length;
                continue;
            }
        }
        *out++ = *in++;
    }
    newSize = static_cast<std::size_t>(out - begin);
    return true;
}

// The node after `node` and all it holds, in document order; null after the last.
XmlNode<char>* NextAfterSubtree(XmlNode<char>* node, const XmlNode<char>* root)
{
    for (; node && node != root; node = node->parent()) {
        if (XmlNode<char>* sibling = node->next_sibling()) {
            return sibling;
        }
    }
    return nullptr;
}

// Where a node of a document parsed without translation starts in its text: an element
// at its name, a text at its value.
const char* StartInText(const XmlNode<char>& node)
{
    return node.type() == rapidxml::node_element ? node.name() : node.value();
}

// The value translated into a string of the document's own, so the text it was parsed
// from stays as written. A value without an '&' is left where it lies.
template <class Named>
bool TranslateValue(XmlDocument<char>& document, Named& named, AmpersandCursor& ampersands, ReferenceError& error)
{
    if (!ampersands.InValue(named.value(), named.value_size())) {
        return true;
    }
    char* const translated = document.allocate_string(nullptr, named.value_size());
    std::size_t size = 0;
    if (!TranslateSpan(named.value(), named.value_size(), translated, size, error)) {
        return false;
    }
    named.value(translated, size);
    return true;
}

} // namespace

bool TranslateReferences(XmlDocument<char>& document, const char* text, std::size_t length, ReferenceError& error)
{
    // A text without an '&' ends at the first node: its span is the whole text.
    AmpersandCursor ampersands(text, length);
    const char* const end = text + length;
    for (XmlNode<char>* node = document.first_node(); node;) {
        // A node spans the text up to the next one after it: one without an '&' in that
        // span holds no reference, nor does anything inside it.
        XmlNode<char>* const after = NextAfterSubtree(node, &document);
        const char* const start = StartInText(*node);
        const char* const spanEnd = after ? StartInText(*after) : end;
        if (start >= text && start <= spanEnd && spanEnd <= end &&
            !ampersands.InValue(start, static_cast<std::size_t>(spanEnd - start))) {
            node = after;
            continue;
        }
        for (XmlAttribute<char>* attribute = node->first_attribute(); attribute; attribute = attribute->next_attribute()) {
            if (!TranslateValue(document, *attribute, ampersands, error)) {
                return false;
            }
        }
        // A text node, or an element parsed without text nodes whose text is its value alone.
        const bool holdsText = node->type() == rapidxml::node_data ||
                               (node->type() == rapidxml::node_element && !node->first_node());
        if (holdsText) {
            const char* const written = node->value();
            if (!TranslateValue(document, *node, ampersands, error)) {
                return false;
            }
            // An element's own text is the span of its first text node: keep them one.
            XmlNode<char>* parent = node->parent();
            if (node->type() == rapidxml::node_data && parent && parent->value() == written) {
                parent->value(node->value(), node->value_size());
            }
        }
        node = node->first_node() ? node->first_node() : after;
    }
    return true;
}

} // namespace detail

std::string TranslatedReferences(const std::string& text)
{
    const char* const end = text.data() + text.size();
    std::string plain;
    for (const char* at = text.data(); at < end;) {
        const detail::Reference reference = *at == '&' ? detail::DecodeReference(at, end) : detail::Reference();
        if (reference.length == 0 || reference.error) {
            plain += *at++;
        } else {
            plain.append(reference.bytes, reference.count);
            at += reference.length;
        }
    }
    return plain;
}

} // namespace zvrtkDorsaServiceLayer
