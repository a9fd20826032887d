#include "dorsa/xml/XmlBinding.h"

#include <cstring>

namespace zvrtkDorsaServiceLayer {

namespace {

const char* s_baseTypesPrefix = "zbt:";

struct NamePart {
    const char* begin;
    size_t size;
};

// The part of a name after its first ':', or the whole name.
template <class Named>
NamePart LocalPart(const Named* named)
{
    const char* name = named->name();
    const size_t size = named->name_size();
    const void* colon = std::memchr(name, ':', size);
    const char* local = colon ? static_cast<const char*>(colon) + 1 : name;
    return NamePart{local, size - static_cast<size_t>(local - name)};
}

template <class Named>
std::string_view LocalNameOf(const Named* named)
{
    if (!named) {
        return std::string_view();
    }
    const NamePart local = LocalPart(named);
    return std::string_view(local.begin, local.size);
}

template <class Named>
std::string_view TextOf(const Named* named)
{
    return named ? std::string_view(named->value(), named->value_size()) : std::string_view();
}

// Compares without building a string: lookups run for every field read.
template <class Named>
bool HasLocalName(const Named* named, std::string_view localName)
{
    const NamePart local = LocalPart(named);
    return local.size == localName.size() && std::memcmp(local.begin, localName.data(), local.size) == 0;
}

} // namespace

std::string GetLocalName(const XmlNode<char>* node)
{
    return std::string(LocalNameOf(node));
}

std::string GetLocalName(const XmlAttribute<char>* attribute)
{
    return std::string(LocalNameOf(attribute));
}

std::string_view LocalNameView(const XmlNode<char>* node)
{
    return LocalNameOf(node);
}

XmlNode<char>* FindChildElement(std::string_view localName, const XmlNode<char>* parent)
{
    if (!parent) {
        return nullptr;
    }
    for (XmlNode<char>* child = parent->first_node(); child; child = child->next_sibling()) {
        if (child->type() == rapidxml::node_element && HasLocalName(child, localName)) {
            return child;
        }
    }
    return nullptr;
}

XmlNode<char>* FindNextSiblingElement(std::string_view localName, const XmlNode<char>* element)
{
    for (XmlNode<char>* sibling = element ? element->next_sibling() : nullptr; sibling; sibling = sibling->next_sibling()) {
        if (sibling->type() == rapidxml::node_element && HasLocalName(sibling, localName)) {
            return sibling;
        }
    }
    return nullptr;
}

std::vector<XmlNode<char>*> FindChildElements(std::string_view localName, const XmlNode<char>* parent)
{
    std::vector<XmlNode<char>*> found;
    if (!parent) {
        return found;
    }
    for (XmlNode<char>* child = parent->first_node(); child; child = child->next_sibling()) {
        if (child->type() == rapidxml::node_element && HasLocalName(child, localName)) {
            found.push_back(child);
        }
    }
    return found;
}

XmlNode<char>* FirstChildElement(const XmlNode<char>* parent)
{
    XmlNode<char>* child = parent ? parent->first_node() : nullptr;
    while (child && child->type() != rapidxml::node_element) {
        child = child->next_sibling();
    }
    return child;
}

XmlAttribute<char>* FindAttribute(std::string_view localName, const XmlNode<char>* element)
{
    if (!element) {
        return nullptr;
    }
    for (XmlAttribute<char>* attribute = element->first_attribute(); attribute && attribute->parent();
         attribute = attribute->next_attribute()) {
        if (HasLocalName(attribute, localName)) {
            return attribute;
        }
    }
    return nullptr;
}

std::string GetText(const XmlNode<char>* element)
{
    return std::string(TextOf(element));
}

std::string GetText(const XmlAttribute<char>* attribute)
{
    return std::string(TextOf(attribute));
}

std::string_view TextView(const XmlNode<char>* element)
{
    return TextOf(element);
}

std::string_view TextView(const XmlAttribute<char>* attribute)
{
    return TextOf(attribute);
}

XmlDocument<char>* GetOwnerDocument(const XmlNode<char>* node)
{
    return node ? node->document() : nullptr;
}

XmlNode<char>* CreateTextElement(const std::string& name, const std::string& text, XmlDocument<char>* document)
{
    if (!document) {
        return nullptr;
    }
    return document->allocate_node(rapidxml::node_element, document->allocate_string(name.data(), name.size()),
                                   document->allocate_string(text.data(), text.size()), name.size(), text.size());
}

XmlAttribute<char>* CreateTextAttribute(const std::string& name, const std::string& text, XmlDocument<char>* document)
{
    if (!document) {
        return nullptr;
    }
    return document->allocate_attribute(document->allocate_string(name.data(), name.size()),
                                        document->allocate_string(text.data(), text.size()), name.size(), text.size());
}

XmlAttribute<char>* CreateTextAttribute(const std::string& name, int value, XmlDocument<char>* document)
{
    return CreateTextAttribute(name, IntToString(value), document);
}

void AppendChild(XmlNode<char>* parent, XmlNode<char>* child)
{
    if (parent && child) {
        parent->append_node(child);
    }
}

void AppendAttribute(XmlNode<char>* element, XmlAttribute<char>* attribute)
{
    if (element && attribute) {
        element->append_attribute(attribute);
    }
}

std::string WithBaseTypesPrefix(const std::string& localName)
{
    return s_baseTypesPrefix + localName;
}

XmlNode<char>* WriteText(XmlNode<char>* parent, XmlDocument<char>* document, const std::string& name,
                         const std::string& text)
{
    if (!parent || name.empty()) {
        return nullptr;
    }
    XmlNode<char>* element = CreateTextElement(name, text, document);
    AppendChild(parent, element);
    return element;
}

XmlNode<char>* WriteInt(XmlNode<char>* parent, XmlDocument<char>* document, const std::string& name, int value)
{
    return WriteText(parent, document, name, IntToString(value));
}

void WriteOwnText(XmlNode<char>* element, XmlDocument<char>* document, const std::string& text)
{
    if (element && document) {
        element->value(document->allocate_string(text.data(), text.size()), text.size());
    }
}

void WriteAttribute(XmlNode<char>* element, XmlDocument<char>* document, const std::string& name,
                    const std::string& text)
{
    AppendAttribute(element, CreateTextAttribute(name, text, document));
}

XmlNode<char>* WriteContainer(XmlNode<char>* parent, XmlDocument<char>* document, const std::string& name)
{
    return WriteText(parent, document, name, std::string());
}

namespace {

// Sets `field` from the text of the child element `localName`, when there is one.
template <class T, class Convert>
void ReadChild(const XmlNode<char>* parent, T& field, std::string_view localName, Convert convert)
{
    if (const XmlNode<char>* element = FindChildElement(localName, parent)) {
        field = convert(GetText(element));
    }
}

// The same for an attribute of `element`.
template <class T, class Convert>
void ReadAttributeOf(const XmlNode<char>* element, T& field, std::string_view localName, Convert convert)
{
    if (const XmlAttribute<char>* attribute = FindAttribute(localName, element)) {
        field = convert(GetText(attribute));
    }
}

} // namespace

void ReadText(const XmlNode<char>* parent, std::string& field, std::string_view localName)
{
    if (const XmlNode<char>* element = FindChildElement(localName, parent)) {
        field.assign(element->value(), element->value_size());
    }
}

void ReadInt(const XmlNode<char>* parent, int& field, std::string_view localName)
{
    ReadChild(parent, field, localName, StringToInt);
}

void ReadDouble(const XmlNode<char>* parent, double& field, std::string_view localName)
{
    ReadChild(parent, field, localName, StringToDouble);
}

void ReadBool(const XmlNode<char>* parent, bool& field, std::string_view localName)
{
    ReadChild(parent, field, localName, StringToBool);
}

void ReadAttribute(const XmlNode<char>* element, std::string& field, std::string_view localName)
{
    if (const XmlAttribute<char>* attribute = FindAttribute(localName, element)) {
        field.assign(attribute->value(), attribute->value_size());
    }
}

void ReadIntAttribute(const XmlNode<char>* element, int& field, std::string_view localName)
{
    ReadAttributeOf(element, field, localName, StringToInt);
}

void ReadBoolAttribute(const XmlNode<char>* element, bool& field, std::string_view localName)
{
    ReadAttributeOf(element, field, localName, StringToBool);
}

void ReadTextList(const XmlNode<char>* parent, std::string_view localName, std::vector<std::string>& out)
{
    for (const XmlNode<char>* element = FindChildElement(localName, parent); element;
         element = FindNextSiblingElement(localName, element)) {
        out.emplace_back(element->value(), element->value_size());
    }
}

void ReadTextList(const XmlNode<char>* parent, std::string_view containerName, std::string_view itemName,
                  std::vector<std::string>& out)
{
    ReadTextList(FindChildElement(containerName, parent), itemName, out);
}

} // namespace zvrtkDorsaServiceLayer
