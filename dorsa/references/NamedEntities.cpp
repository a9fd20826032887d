#include "dorsa/references/NamedEntities.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

NamedAttribute::NamedAttribute(const XmlNode<char>* node)
{
    ReadObject(node, "attribute", m_attribute);
    ReadText(node, m_name, "name");
    ReadBool(node, m_isMeta, "isMeta");
    if (m_isMeta) {
        ReadObject(node, "about", m_metaAbout);
    }
}

void NamedAttribute::CreateXMLNode(XmlNode<char>* parent) const
{
    XmlDocument<char>* document = GetOwnerDocument(parent);
    WriteObjectOrEmpty(parent, document, "zbt:attribute", m_attribute);
    WriteText(parent, document, "zbt:name", m_name);
}

NamedRecord::NamedRecord(const XmlNode<char>* node)
{
    ReadText(node, m_shortName, "shortName");
    ReadText(node, m_longName, "fullName");
    ReadObject(node, "recordReference", m_recordReference);
}

NamedSubset::NamedSubset(const XmlNode<char>* node) : m_subset(new SubsetReference)
{
    ReadText(node, m_name, "name");
    ReadObject(node, "subset", m_subset);
}

void NamedSubset::CreateXMLNode(XmlNode<char>* parent) const
{
    XmlDocument<char>* document = GetOwnerDocument(parent);
    if (m_subset) {
        WriteText(parent, document, "zbt:dbKey", m_subset->GetDBKey());
    }
    XmlNode<char>* name = WriteContainer(parent, document, "zbt:name");
    WriteObjectOrEmpty(name, document, "zbt:table",
                       m_subset ? m_subset->GetPartialTableReference() : SmartPtr<PartialTableReference>());
    WriteText(name, document, "zbt:subsetName", m_name);
}

} // namespace zvrtkDorsaServiceLayer
