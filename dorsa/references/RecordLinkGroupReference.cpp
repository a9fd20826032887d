#include "dorsa/references/RecordLinkGroupReference.h"
#include "dorsa/xml/EnumTable.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

namespace {

const EnumName<RecordLinkGroupTypes::eRecordLinkGroupType> s_linkGroupTypes[] = {
    {RecordLinkGroupTypes::Static, "static"},
    {RecordLinkGroupTypes::Dynamic, "dynamic"},
    {RecordLinkGroupTypes::CrossDatabase, "crossDatabase"},
};

} // namespace

std::string RecordLinkGroupTypes::RecordLinkGroupType_ToString(eRecordLinkGroupType type)
{
    return EnumToString(s_linkGroupTypes, type);
}

RecordLinkGroupTypes::eRecordLinkGroupType RecordLinkGroupTypes::RecordLinkGroupType_FromString(const std::string& text)
{
    return EnumFromString(s_linkGroupTypes, text);
}

RecordLinkGroupReference::RecordLinkGroupReference(const XmlNode<char>* node) : DorsaEntityReference(node)
{
    const XmlNode<char>* identity = FindChildElement("recordLinkGroupIdentity", node);
    if (identity) {
        m_identity = StringToInt(GetText(identity));
        std::string type;
        ReadAttribute(identity, type, "recordLinkGroupType");
        m_type = RecordLinkGroupTypes::RecordLinkGroupType_FromString(type);
    }
    const XmlNode<char>* name = FindChildElement("name", node);
    ReadObject(name, "table", m_partialTable);
    const XmlNode<char>* groupName = FindChildElement("recordLinkGroupName", name);
    ReadText(name, m_name, "recordLinkGroupName");
    ReadBoolAttribute(groupName, m_standard, "isStandard");
}

std::string RecordLinkGroupReference::GetRecordLinkGroupType() const
{
    return RecordLinkGroupTypes::RecordLinkGroupType_ToString(m_type);
}

void RecordLinkGroupReference::SetRecordLinkGroupType(const std::string& type)
{
    m_type = RecordLinkGroupTypes::RecordLinkGroupType_FromString(type);
}

void RecordLinkGroupReference::CreateXMLNode(XmlNode<char>* parent) const
{
    XmlDocument<char>* document = GetOwnerDocument(parent);
    DorsaEntityReference::CreateXMLNode(parent);
    if (m_identity != 0) {
        XmlNode<char>* identity = WriteInt(parent, document, "zbt:recordLinkGroupIdentity", m_identity);
        WriteAttribute(identity, document, "zbt:recordLinkGroupType", GetRecordLinkGroupType());
        return;
    }
    XmlNode<char>* name = WriteContainer(parent, document, "zbt:name");
    if (!m_standard) {
        WriteObject(name, document, "zbt:table", m_partialTable);
    }
    XmlNode<char>* groupName = WriteText(name, document, "zbt:recordLinkGroupName", m_name);
    WriteAttribute(groupName, document, "zbt:isStandard", BoolToString(m_standard));
}

} // namespace zvrtkDorsaServiceLayer
