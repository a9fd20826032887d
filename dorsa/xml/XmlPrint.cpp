#include "dorsa/xml/XmlTextPrivate.h"

#include <algorithm>
#include <cstring>

namespace zvrtkDorsaServiceLayer {
namespace detail {

namespace {

// Collects the printed bytes in a string.
class WritingSink final {
public:
    WritingSink(std::string& text, std::size_t expectedSize) : m_text(text)
    {
        m_text.reserve(m_text.size() + std::max<std::size_t>(expectedSize + expectedSize / 16, 256));
    }

    bool Put(const char* bytes, std::size_t size)
    {
        m_text.append(bytes, size);
        return true;
    }

private:
    std::string& m_text;
};

// Checks the printed bytes against a text instead of keeping them: true from Put while
// they still match it.
class ComparingSink final {
public:
    ComparingSink(const char* text, std::size_t length) : m_at(text), m_left(length) {}

    bool Put(const char* bytes, std::size_t size)
    {
        if (size > m_left || std::memcmp(m_at, bytes, size) != 0) {
            return false;
        }
        m_at += size;
        m_left -= size;
        return true;
    }

    bool AtEnd() const { return m_left == 0; }

private:
    const char* m_at;
    std::size_t m_left;
};

// Writes RapidXML's unindented form of a tree, byte for byte, without recursion: a
// reply nested as deep as the parser allows prints on any thread's stack. Plain runs
// of text are put whole rather than one character at a time. Printing stops at the
// first byte the sink refuses.
template <class Sink>
class Printer final {
public:
    explicit Printer(Sink& sink) : m_sink(sink) {}

    // False when the sink refused a byte.
    bool Print(const XmlNode<char>& root)
    {
        const XmlNode<char>* node = &root;
        while (m_accepted) {
            if (Open(*node)) {
                node = node->first_node();
                continue;
            }
            while (node != &root && !node->next_sibling()) {
                node = node->parent();
                Close(*node);
            }
            if (node == &root) {
                break;
            }
            node = node->next_sibling();
        }
        return m_accepted;
    }

private:
    // Prints the node, or its start when its children follow; true in that case.
    bool Open(const XmlNode<char>& node)
    {
        switch (node.type()) {
        case rapidxml::node_document:
            return node.first_node() != nullptr;
        case rapidxml::node_element:
            return OpenElement(node);
        case rapidxml::node_data:
            PutEscaped(node.value(), node.value_size(), '\0');
            return false;
        case rapidxml::node_cdata:
            Put("<![CDATA[");
            Put(node.value(), node.value_size());
            Put("]]>");
            return false;
        case rapidxml::node_declaration:
            Put("<?xml");
            PutAttributes(node);
            Put("?>");
            return false;
        case rapidxml::node_comment:
            Put("<!--");
            Put(node.value(), node.value_size());
            Put("-->");
            return false;
        case rapidxml::node_doctype:
            Put("<!DOCTYPE ");
            Put(node.value(), node.value_size());
            Put(">");
            return false;
        case rapidxml::node_pi:
            Put("<?");
            Put(node.name(), node.name_size());
            Put(" ");
            Put(node.value(), node.value_size());
            Put("?>");
            return false;
        }
        return false;
    }

    bool OpenElement(const XmlNode<char>& element)
    {
        Put("<");
        Put(element.name(), element.name_size());
        PutAttributes(element);
        const XmlNode<char>* child = element.first_node();
        if (element.value_size() == 0 && !child) {
            Put("/>");
            return false;
        }
        Put(">");
        if (child && (child->next_sibling() || child->type() != rapidxml::node_data)) {
            return true;
        }
        const XmlNode<char>& text = child ? *child : element;
        PutEscaped(text.value(), text.value_size(), '\0');
        Close(element);
        return false;
    }

    void Close(const XmlNode<char>& node)
    {
        if (node.type() == rapidxml::node_element) {
            Put("</");
            Put(node.name(), node.name_size());
            Put(">");
        }
    }

    // A value holding '"' goes between single quotes, any other between double ones.
    void PutAttributes(const XmlNode<char>& node)
    {
        for (const XmlAttribute<char>* attribute = node.first_attribute(); attribute;
             attribute = attribute->next_attribute()) {
            Put(" ");
            Put(attribute->name(), attribute->name_size());
            const bool hasDoubleQuote = std::memchr(attribute->value(), '"', attribute->value_size()) != nullptr;
            const char quote = hasDoubleQuote ? '\'' : '"';
            Put(hasDoubleQuote ? "='" : "=\"");
            PutEscaped(attribute->value(), attribute->value_size(), hasDoubleQuote ? '"' : '\'');
            Put(&quote, 1);
        }
    }

    // The five characters XML escapes are written as references, except `unescaped`.
    void PutEscaped(const char* text, std::size_t size, char unescaped)
    {
        const char* const end = text + size;
        while (text < end) {
            const char* plain = text;
            while (plain < end && (!NeedsReference(*plain) || *plain == unescaped)) {
                ++plain;
            }
            Put(text, static_cast<std::size_t>(plain - text));
            if (plain == end) {
                break;
            }
            Put(ReferenceFor(*plain));
            text = plain + 1;
        }
    }

    static bool NeedsReference(char c) { return c == '<' || c == '>' || c == '\'' || c == '"' || c == '&'; }

    static const char* ReferenceFor(char c)
    {
        switch (c) {
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        case '\'':
            return "&apos;";
        case '"':
            return "&quot;";
        default:
            return "&amp;";
        }
    }

    void Put(const char* literal) { Put(literal, std::strlen(literal)); }

    void Put(const char* bytes, std::size_t size) { m_accepted = m_accepted && m_sink.Put(bytes, size); }

    Sink& m_sink;
    bool m_accepted = true;
};

} // namespace

std::string PrintXml(const XmlNode<char>& node, std::size_t expectedSize)
{
    std::string text;
    WritingSink sink(text, expectedSize);
    Printer<WritingSink>(sink).Print(node);
    return text;
}

void AppendPrintedXml(std::string& text, const XmlNode<char>& node)
{
    WritingSink sink(text, 0);
    Printer<WritingSink>(sink).Print(node);
}

namespace {

bool HoldsNul(const char* text, std::size_t size)
{
    return std::memchr(text, '\0', size) != nullptr;
}

// A text the parser keeps: not blanks alone (an empty one prints as nothing anyway).
bool KeptByParser(const char* text, std::size_t size)
{
    if (size == 0) {
        return true;
    }
    for (std::size_t at = 0; at < size; ++at) {
        if (text[at] != ' ' && text[at] != '\t' && text[at] != '\n' && text[at] != '\r') {
            return true;
        }
    }
    return false;
}

bool PrintsBackAlone(const XmlNode<char>& node)
{
    if (node.type() != rapidxml::node_element && node.type() != rapidxml::node_data) {
        return false;
    }
    if (HoldsNul(node.name(), node.name_size()) || HoldsNul(node.value(), node.value_size()) ||
        !KeptByParser(node.value(), node.value_size())) {
        return false;
    }
    for (const XmlAttribute<char>* attribute = node.first_attribute(); attribute;
         attribute = attribute->next_attribute()) {
        if (HoldsNul(attribute->name(), attribute->name_size()) ||
            HoldsNul(attribute->value(), attribute->value_size())) {
            return false;
        }
    }
    return true;
}

} // namespace

bool PrintsBackAsItself(const XmlNode<char>& root, std::size_t maxDepth)
{
    // The same walk as the printer's, without recursion.
    const XmlNode<char>* node = &root;
    std::size_t depth = 1;
    for (;;) {
        if (!PrintsBackAlone(*node) || depth > maxDepth) {
            return false;
        }
        if (const XmlNode<char>* child = node->first_node()) {
            node = child;
            ++depth;
            continue;
        }
        while (node != &root && !node->next_sibling()) {
            node = node->parent();
            --depth;
        }
        if (node == &root) {
            return true;
        }
        node = node->next_sibling();
    }
}

bool PrintsAs(const XmlNode<char>& node, const char* text, std::size_t length)
{
    ComparingSink sink(text, length);
    return Printer<ComparingSink>(sink).Print(node) && sink.AtEnd();
}

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
