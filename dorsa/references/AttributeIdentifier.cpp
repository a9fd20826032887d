#include "dorsa/references/AttributeIdentifier.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

AttributeIdentifier::AttributeIdentifier(const XmlNode<char>* node)
{
    ReadText(node, m_attributeName, "AttributeName");
    ReadInt(node, m_attributeID, "AttributeIdentity");
    ReadText(node, m_standardAttributeName, "StandardAttributeName");
}

AttributeAddress::AttributeAddress(const XmlNode<char>* node) : AttributeIdentifier(node)
{
    ReadText(node, m_url, "URL");
}

} // namespace zvrtkDorsaServiceLayer
