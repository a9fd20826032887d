#include "dorsa/browse/Subsets.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

const std::wstring GetSubsetsImpl::s_service = BrowseService::s_description.path;
const std::string GetSubsetsImpl::s_soapAction = "GetSubsets";

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

SmartPtr<SubsetDetail> SubsetDetail::CreateOne(const XmlNode<char>* node)
{
    return node ? new SubsetDetail(node) : nullptr;
}

GetSubsetsResponse::GetSubsetsResponse(const XmlNode<char>* node)
{
    ReadObjectList(node, "subsetDetails", "subsetDetail", m_subsetDetails);
}

SmartPtr<GetSubsetsResponse> GetSubsetsResponse::CreateOne(const XmlNode<char>* node)
{
    return node ? new GetSubsetsResponse(node) : nullptr;
}

} // namespace zvrtkDorsaServiceLayer
