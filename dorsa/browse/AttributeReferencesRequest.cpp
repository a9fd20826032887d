#include "dorsa/browse/AttributeReferencesRequest.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

void AttributeReferencesRequest::CreateXMLNode(XmlNode<char>* element) const
{
    WriteReferenceList(element, GetOwnerDocument(element), "zbt:attributeReferences", "zbt:attribute",
                       m_attributeReferences);
}

} // namespace zvrtkDorsaServiceLayer
