#include "dorsa/references/AttributeIdentifier.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

AttributeIdentifier::AttributeIdentifier(const XmlNode<char>* node)
{
    ReadText(node, m_attributeName, "AttributeName");
    ReadInt(node, m_attributeID, "AttributeIdentity");
    ReadText(node, m_standardAttributeName, "StandardAttributeName");
}

SmartPtr<AttributeIdentifier> AttributeIdentifier::CreateOne(const XmlNode<char>* node)
{
    return node ? new AttributeIdentifier(node) : nullptr;
}

AttributeAddress::AttributeAddress(const XmlNode<char>* node) : AttributeIdentifier(node)
{
    ReadText(node, m_url, "URL");
}

SmartPtr<AttributeAddress> AttributeAddress::CreateOne(const XmlNode<char>* node)
{
    return node ? new AttributeAddress(node) : nullptr;
}

} // namespace zvrtkDorsaServiceLayer
