#include "dorsa/xml/CharacterReferencesPrivate.h"
#include "dorsa/platform/WideTextPrivate.h"
#include "dorsa/xml/TextForms.h"

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

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

// A value holding an '&': an attribute's, or a text node's and perhaps its element's.
struct ValueToTranslate {
    XmlAttribute<char>* attribute;
    XmlNode<char>* text;    // a text node, or an element parsed without text nodes
    XmlNode<char>* element; // shares the text node's span, or null
};

bool HasAmpersand(const char* value, std::size_t size)
{
    return size > 0 && std::memchr(value, '&', size) != nullptr;
}

// Translates [begin, begin + size); with `write` false it only checks. A translated
// value never grows, so it is written over itself. Returns the new size.
bool TranslateSpan(char* begin, std::size_t size, bool write, std::size_t& newSize, ReferenceError& error)
{
    const char* const end = begin + size;
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
    newSize = static_cast<std::size_t>(out - begin);
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

std::vector<ValueToTranslate> ValuesWithReferences(XmlDocument<char>& document)
{
    std::vector<ValueToTranslate> values;
    for (XmlNode<char>* node = document.first_node(); node; node = NextNode(node, &document)) {
        for (XmlAttribute<char>* attribute = node->first_attribute(); attribute; attribute = attribute->next_attribute()) {
            if (HasAmpersand(attribute->value(), attribute->value_size())) {
                values.push_back({attribute, nullptr, nullptr});
            }
        }
        if (node->type() == rapidxml::node_data && HasAmpersand(node->value(), node->value_size())) {
            // An element's own text is the span of its first text node: keep them one.
            XmlNode<char>* parent = node->parent();
            values.push_back({nullptr, node, parent && parent->value() == node->value() ? parent : nullptr});
        } else if (node->type() == rapidxml::node_element && !node->first_node() &&
                   HasAmpersand(node->value(), node->value_size())) {
            // Parsed without text nodes, the text is the element's value alone.
            values.push_back({nullptr, node, nullptr});
        }
    }
    return values;
}

template <class Named>
bool TranslateValue(Named& named, bool write, ReferenceError& error)
{
    std::size_t size = 0;
    if (!TranslateSpan(named.value(), named.value_size(), write, size, error)) {
        return false;
    }
    if (write) {
        named.value(named.value(), size);
    }
    return true;
}

bool TranslateAll(std::vector<ValueToTranslate>& values, bool write, ReferenceError& error)
{
    for (ValueToTranslate& value : values) {
        const bool translated = value.attribute ? TranslateValue(*value.attribute, write, error)
                                                : TranslateValue(*value.text, write, error);
        if (!translated) {
            return false;
        }
        if (write && value.element) {
            value.element->value(value.text->value(), value.text->value_size());
        }
    }
    return true;
}

} // namespace

bool TranslateReferences(XmlDocument<char>& document, const char* text, std::size_t length, ReferenceError& error)
{
    // Most replies hold no reference at all: one scan of the text then settles it.
    if (!HasAmpersand(text, length)) {
        return true;
    }
    std::vector<ValueToTranslate> values = ValuesWithReferences(document);
    return TranslateAll(values, false, error) && TranslateAll(values, true, error);
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
