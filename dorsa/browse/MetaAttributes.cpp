#include "dorsa/browse/MetaAttributes.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

AttributeMetaAttributes::AttributeMetaAttributes(const XmlNode<char>* node)
{
    ReadObject(node, "ParentAttribute", m_parentAttribute);
    ReadObjectList(node, "MetaAttributes", "MetaAttribute", m_metaAttributes);
}

GetMetaAttributesResponse::GetMetaAttributesResponse(const XmlNode<char>* node)
{
    ReadObjectList(node, "Attribute", m_attributes);
}

} // namespace zvrtkDorsaServiceLayer
