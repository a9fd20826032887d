#include "dorsa/values/ScalarValues.h"

namespace zvrtkDorsaServiceLayer {

HyperlinkDataType::HyperlinkDataType(const XmlNode<char>* node)
{
    LoadCommonAttributes(node);
    ReadText(node, m_value, "Value");
    ReadText(node, m_description, "Description");
}

void HyperlinkDataType::CreateXMLNode(XmlNode<char>* node) const
{
    XmlDocument<char>* document = GetOwnerDocument(node);
    WriteText(node, document, "zbt:Value", m_value);
    WriteText(node, document, "zbt:Description", m_description);
}

DiscreteValue::DiscreteValue(const XmlNode<char>* node) : m_value(GetText(node))
{
    ReadIntAttribute(node, m_order, "order");
}

void DiscreteValue::CreateXMLNode(XmlNode<char>* node) const
{
    XmlDocument<char>* document = GetOwnerDocument(node);
    WriteAttribute(node, document, "zbt:order", IntToString(m_order));
    WriteOwnText(node, document, m_value);
}

DiscreteDataType::DiscreteDataType(const XmlNode<char>* node)
{
    LoadCommonAttributes(node);
    ReadObjectList(node, "Discrete", m_values);
}

void DiscreteDataType::AddDiscreteValue(const SmartPtr<DiscreteValue>& value)
{
    if (value) {
        m_values.push_back(value);
    }
}

void DiscreteDataType::CreateXMLNode(XmlNode<char>* node) const
{
    WriteEachObject(node, GetOwnerDocument(node), "zbt:Discrete", m_values);
}

SmartPtr<EmptyDataType> EmptyDataType::CreateOne(const XmlNode<char>* /*node*/)
{
    return new EmptyDataType;
}

void EmptyDataType::CreateXMLNode(XmlNode<char>* /*node*/) const {}

} // namespace zvrtkDorsaServiceLayer
