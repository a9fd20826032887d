#include "dorsa/references/RecordReference.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

RecordReference::RecordReference(const XmlNode<char>* node) : DorsaEntityReference(node)
{
    ReadText(node, m_recordGUID, "recordGUID");
    ReadText(node, m_historyGUID, "recordHistoryGUID");
    ReadInt(FindChildElement("identity", node), m_identity, "recordHistoryIdentity");
}

void RecordReference::CreateXMLNode(XmlNode<char>* parent) const
{
    XmlDocument<char>* document = GetOwnerDocument(parent);
    DorsaEntityReference::CreateXMLNode(parent);
    if (m_identity != 0) {
        WriteInt(WriteContainer(parent, document, "zbt:identity"), document, "zbt:recordHistoryIdentity", m_identity);
    }
    if (!m_recordGUID.empty()) {
        WriteText(parent, document, "zbt:recordGUID", m_recordGUID);
    }
    if (!m_historyGUID.empty()) {
        WriteText(parent, document, "zbt:recordHistoryGUID", m_historyGUID);
    }
}

} // namespace zvrtkDorsaServiceLayer
