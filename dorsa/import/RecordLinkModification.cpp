#include "dorsa/import/RecordLinkModification.h"
#include "dorsa/xml/EnumTable.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

namespace {

const EnumName<RecordLinkCheckModes::eRecordLinkCheckMode> s_checkModes[] = {
    {RecordLinkCheckModes::CheckOnlyForwardLinks, "CheckOnlyForwardLinks"},
    {RecordLinkCheckModes::CheckForwardAndReverseLinks, "CheckForwardAndReverseLinks"},
};

// One element "dat:" + node name per modification, each filled by it.
template <class T>
void WriteModifications(XmlNode<char>* element, XmlDocument<char>* document, const std::vector<SmartPtr<T>>& list)
{
    for (const SmartPtr<T>& modification : list) {
        if (modification) {
            WriteObject(element, document, "dat:" + modification->GetNodeName(), modification);
        }
    }
}

void WriteTargetRecords(XmlNode<char>* element, XmlDocument<char>* document,
                        const std::vector<SmartPtr<RecordReference>>& targets)
{
    WriteReferenceList(element, document, "dat:targetRecords", "dat:targetRecord", targets);
}

} // namespace

std::string RecordLinkCheckModes::RecordLinkCheckMode_ToString(const eRecordLinkCheckMode& mode)
{
    return EnumToString(s_checkModes, mode, s_checkModes[0].text);
}

RecordLinkCheckModes::eRecordLinkCheckMode RecordLinkCheckModes::RecordLinkCheckMode_FromString(const std::string& text)
{
    return EnumFromString(s_checkModes, text, CheckOnlyForwardLinks);
}

void LinkPoint::CreateXMLNode(XmlNode<char>* element) const
{
    if (m_record) {
        m_record->CreateXMLNode(element);
    }
}

void LinkPoint::WriteRecordElement(XmlNode<char>* element, XmlDocument<char>* document) const
{
    WriteObjectOrEmpty(element, document, "dat:record", m_record);
}

void TargettedSourceRecord::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteRecordElement(element, document);
    WriteTargetRecords(element, document, m_targets);
}

void NotatedTargetRecord::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteRecordElement(element, document);
    WriteText(element, document, "dat:notes", m_notes);
    WriteText(element, document, "dat:reverseNotes", m_reverseNotes);
}

void NotatedTargettedSourceRecord::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteRecordElement(element, document);
    WriteReferenceList(element, document, "dat:targetRecords", "dat:targetRecord", m_targets);
}

void RecordLinkModificationWithSimpleSourceRecords::CreateXMLNode(XmlNode<char>* element) const
{
    WriteReferenceList(element, GetOwnerDocument(element), "dat:sourceRecords", "dat:sourceRecord", m_sources);
}

void LinkAllCombinations::CreateXMLNode(XmlNode<char>* element) const
{
    RecordLinkModificationWithSimpleSourceRecords::CreateXMLNode(element);
    WriteTargetRecords(element, GetOwnerDocument(element), m_targets);
}

void UnlinkRecords::CreateXMLNode(XmlNode<char>* element) const
{
    WriteReferenceList(element, GetOwnerDocument(element), "dat:sourceRecords", "dat:sourceRecord", m_sources);
}

void LinkRecords::CreateXMLNode(XmlNode<char>* element) const
{
    WriteReferenceList(element, GetOwnerDocument(element), "dat:sourceRecords", "dat:sourceRecord", m_sources);
}

void RecordLinkModifications::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteModifications(element, document, m_unlinkAll);
    WriteModifications(element, document, m_unlink);
    WriteModifications(element, document, m_link);
    WriteModifications(element, document, m_linkAll);
}

std::string ModifyRecordLinksRequest::GetImportErrorMode() const
{
    return ImportErrorModes::ImportErrorMode_ToString(m_errorMode);
}

void ModifyRecordLinksRequest::SetImportErrorMode(const std::string& mode)
{
    m_errorMode = ImportErrorModes::ImportErrorMode_FromString(mode);
}

std::string ModifyRecordLinksRequest::GetRecordLinkCheckMode() const
{
    return RecordLinkCheckModes::RecordLinkCheckMode_ToString(m_checkMode);
}

void ModifyRecordLinksRequest::SetRecordLinkCheckMode(const std::string& mode)
{
    m_checkMode = RecordLinkCheckModes::RecordLinkCheckMode_FromString(mode);
}

void ModifyRecordLinksRequest::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteObjectOrEmpty(element, document, "dat:recordLinkGroup", m_group);
    WriteText(element, document, "dat:importErrorMode", GetImportErrorMode());
    WriteText(element, document, "dat:recordLinkCheckMode", GetRecordLinkCheckMode());
    WriteObjectOrEmpty(element, document, "dat:recordLinkModifications", m_modifications);
}

NamedTargettedSourceRecord::NamedTargettedSourceRecord(const XmlNode<char>* node)
{
    ReadObject(node, "record", m_record);
    ReadObjectList(node, "targetRecords", "targetRecord", m_targets);
}

RecordLinkChanges::RecordLinkChanges(const XmlNode<char>* node)
{
    ReadObjectList(node, "linked", "sourceRecord", m_linked);
    ReadObjectList(node, "unlinked", "sourceRecord", m_unlinked);
}

} // namespace zvrtkDorsaServiceLayer
