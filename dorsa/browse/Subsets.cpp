#include "dorsa/browse/Subsets.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

void GetSubsets::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteObject(element, document, "brow:table", m_table);
    if (!m_subsetReferences.empty()) {
        WriteReferenceList(element, document, "zbt:subsetReferences", "zbt:subset", m_subsetReferences);
    }
}

SubsetDetail::SubsetDetail(const XmlNode<char>* node) : NamedSubset(node), m_table(new TableReference)
{
    ReadObject(node, "table", m_table);
}

GetSubsetsResponse::GetSubsetsResponse(const XmlNode<char>* node)
{
    ReadObjectList(node, "subsetDetails", "subsetDetail", m_subsetDetails);
}

} // namespace zvrtkDorsaServiceLayer
