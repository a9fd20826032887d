#include "dorsa/references/SubsetReference.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

SubsetReference::SubsetReference(const XmlNode<char>* node) : DorsaEntityReference(node)
{
    ReadInt(node, m_subsetIdentity, "subsetIdentity");
    const XmlNode<char>* name = FindChildElement("name", node);
    ReadObject(name, "table", m_partialTable);
    ReadText(name, m_name, "subsetName");
}

void SubsetReference::CreateXMLNode(XmlNode<char>* parent) const
{
    XmlDocument<char>* document = GetOwnerDocument(parent);
    DorsaEntityReference::CreateXMLNode(parent);
    if (m_subsetIdentity != 0) {
        WriteInt(parent, document, "zbt:subsetIdentity", m_subsetIdentity);
        return;
    }
    XmlNode<char>* name = WriteContainer(parent, document, "zbt:name");
    WriteObject(name, document, "zbt:table", m_partialTable);
    WriteText(name, document, "zbt:subsetName", m_name);
}

} // namespace zvrtkDorsaServiceLayer
