#include "dorsa/browse/RecordLinks.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

RecordLinkGroupDetail::RecordLinkGroupDetail(const XmlNode<char>* node)
{
    ReadText(node, m_linkGroupType, "linkGroupType");
    ReadObject(node, "recordLinkGroup", m_reference);
    ReadObject(node, "reverseRecordLinkGroup", m_reverseReference);
    ReadText(node, m_reverseName, "reverseName");
    ReadObject(node, "from", m_fromTable);
    ReadObject(node, "to", m_toTable);
    ReadText(node, m_name, "name");
    ReadTextList(node, "standardNames", "standardName", m_standardNames);
}

SourceRecord::SourceRecord(const XmlNode<char>* node)
{
    ReadObject(node, "record", m_record);
    ReadObject(node, "recordLinkGroups", m_recordLinkGroups);
}

void GetRecordLinkGroups::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    if (!m_recordLinkGroups.empty()) {
        WriteReferenceList(element, document, "zbt:recordLinkGroups", "zbt:recordLinkGroup", m_recordLinkGroups);
    }
    if (!m_dbKey.empty()) {
        XmlNode<char>* database = WriteContainer(element, document, "brow:database");
        WriteText(database, document, "brow:dbKey", m_dbKey);
        WriteText(database, document, "brow:standardNamesOnly", BoolToString(m_standardNamesOnly));
    }
}

void GetLinkedRecordsRequest::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteReferenceList(element, document, "zbt:recordLinkGroups", "zbt:recordLinkGroup", m_recordLinkGroups);
    WriteReferenceList(element, document, "zbt:recordReferences", "zbt:record", m_recordReferences);
    // This flag alone goes out as a number.
    WriteInt(element, document, "brow:populateGUIDs", m_populateGUIDs ? 1 : 0);
    WriteObject(element, document, "brow:recordFilter", m_recordFilter);
}

GetRecordLinkGroupsResponse::GetRecordLinkGroupsResponse(const XmlNode<char>* node)
{
    ReadObjectList(node, "recordLinkGroupDetails", "recordLinkGroup", m_recordLinkGroups);
}

GetLinkedRecordsResponse::GetLinkedRecordsResponse(const XmlNode<char>* node)
{
    ReadObjectList(node, "sourceRecords", "sourceRecord", m_sourceRecords);
}

} // namespace zvrtkDorsaServiceLayer
