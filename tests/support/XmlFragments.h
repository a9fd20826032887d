#pragma once

#include "dorsa/xml/XmlBinding.h"
#include "dorsa/xml/XmlTextPrivate.h"

#include <gtest/gtest.h>

#include <string>

namespace dorsatest {

// A parsed piece of XML to read objects from.
class Fragment final {
public:
    explicit Fragment(const std::string& xml)
    {
        EXPECT_TRUE(m_parsed.Parse(xml.data(), xml.size(), zvrtkDorsaServiceLayer::detail::ParseMode::Translated)) << xml;
    }
    zvrtkDorsaServiceLayer::XmlNode<char>* Root() { return m_parsed.Document().first_node(); }

private:
    zvrtkDorsaServiceLayer::detail::ParsedXml m_parsed;
};

// What `object.CreateXMLNode` writes into an empty element, printed.
template <class T>
std::string Written(const T& object)
{
    zvrtkDorsaServiceLayer::XmlDocument<char> document;
    zvrtkDorsaServiceLayer::XmlNode<char>* root = zvrtkDorsaServiceLayer::WriteContainer(&document, &document, "r");
    object.CreateXMLNode(root);
    const std::string printed = zvrtkDorsaServiceLayer::detail::PrintXml(*root);
    return printed == "<r/>" ? std::string() : printed.substr(3, printed.size() - 7);
}

} // namespace dorsatest

namespace dorsatest {

// A value's import element, as the import writer makes and fills it, printed.
template <class Value>
std::string WrittenValue(const Value& value)
{
    zvrtkDorsaServiceLayer::XmlDocument<char> document;
    zvrtkDorsaServiceLayer::XmlNode<char>* element = zvrtkDorsaServiceLayer::WriteContainer(
        &document, &document, zvrtkDorsaServiceLayer::WithBaseTypesPrefix(value.GetImportNodeName()));
    value.CreateXMLNode(element);
    return zvrtkDorsaServiceLayer::detail::PrintXml(*element);
}

} // namespace dorsatest
