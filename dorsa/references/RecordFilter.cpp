#include "dorsa/references/RecordFilter.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

void RecordFilter::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    if (!m_profile.empty() && m_subsets.empty()) {
        WriteText(WriteContainer(element, document, "zbt:Profile"), document, "zbt:Key", m_profile);
    } else if (m_profile.empty() && !m_subsets.empty()) {
        WriteReferenceList(element, document, "zbt:subsetReferences", "zbt:subset", m_subsets);
    }
}

} // namespace zvrtkDorsaServiceLayer
