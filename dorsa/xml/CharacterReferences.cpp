#include "dorsa/xml/CharacterReferencesPrivate.h"

#include <cstddef>
#include <cstring>

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

void EncodeUtf8(unsigned long code, Reference& reference)
{
    unsigned char* out = reinterpret_cast<unsigned char*>(reference.bytes);
    if (code < 0x80) {
        out[0] = static_cast<unsigned char>(code);
        reference.count = 1;
    } else if (code < 0x800) {
        out[0] = static_cast<unsigned char>(0xC0 | (code >> 6));
        out[1] = static_cast<unsigned char>(0x80 | (code & 0x3F));
        reference.count = 2;
    } else if (code < 0x10000) {
        out[0] = static_cast<unsigned char>(0xE0 | (code >> 12));
        out[1] = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | (code & 0x3F));
        reference.count = 3;
    } else {
        out[0] = static_cast<unsigned char>(0xF0 | (code >> 18));
        out[1] = static_cast<unsigned char>(0x80 | ((code >> 12) & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
        out[3] = static_cast<unsigned char>(0x80 | (code & 0x3F));
        reference.count = 4;
    }
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
        EncodeUtf8(code, reference);
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

// Translates the value of `named` (a node or an attribute); with `write` false it only
// checks. A translated value never grows, so it is written over itself.
template <class Named>
bool TranslateValue(Named& named, bool write, ReferenceError& error)
{
    char* const begin = named.value();
    const char* const end = begin + named.value_size();
    if (!std::memchr(begin, '&', named.value_size())) {
        return true;
    }
    char* out = begin;
    for (const char* in = begin; in < end;) {
        if (*in == '&') {
            const Reference reference = DecodeReference(in, end);
            if (reference.error) {
                error.what = reference.error;
                error.where = reference.where;
                return false;
            }
            if (reference.length > 0) {
                if (write) {
                    std::memcpy(out, reference.bytes, reference.count);
                }
                out += reference.count;
                in += reference.length;
                continue;
            }
        }
        if (write) {
            *out = *in;
        }
        ++out;
        ++in;
    }
    if (write) {
        named.value(begin, static_cast<std::size_t>(out - begin));
    }
    return true;
}

// The node after `node` in document order, without recursion; null after the last.
XmlNode<char>* NextNode(XmlNode<char>* node, const XmlNode<char>* root)
{
    if (XmlNode<char>* child = node->first_node()) {
        return child;
    }
    for (; node && node != root; node = node->parent()) {
        if (XmlNode<char>* sibling = node->next_sibling()) {
            return sibling;
        }
    }
    return nullptr;
}

bool TranslateAll(XmlDocument<char>& document, bool write, ReferenceError& error)
{
    for (XmlNode<char>* node = document.first_node(); node; node = NextNode(node, &document)) {
        for (XmlAttribute<char>* attribute = node->first_attribute(); attribute; attribute = attribute->next_attribute()) {
            if (!TranslateValue(*attribute, write, error)) {
                return false;
            }
        }
        if (node->type() == rapidxml::node_data) {
            // An element's own text is the span of its first text node: keep them one.
            XmlNode<char>* parent = node->parent();
            const bool shared = parent && parent->value() == node->value();
            if (!TranslateValue(*node, write, error)) {
                return false;
            }
            if (shared && write) {
                parent->value(node->value(), node->value_size());
            }
        }
    }
    return true;
}

} // namespace

bool TranslateReferences(XmlDocument<char>& document, ReferenceError& error)
{
    return TranslateAll(document, false, error) && TranslateAll(document, true, error);
}

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
