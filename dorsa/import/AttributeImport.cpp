#include "dorsa/import/AttributeImport.h"
#include "dorsa/xml/EnumTable.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

namespace {

const EnumName<ImportErrorModes::eImportErrorMode> s_errorModes[] = {
    {ImportErrorModes::FaultAndRollbackOnAnyError, "FaultAndRollbackOnAnyError"},
    {ImportErrorModes::LogAndContinueWherePossible, "LogAndContinueWherePossible"},
};

// Requests write the modes in lower case; replies and callers name them capitalised.
const EnumName<ImportRecordModes::eImportRecordMode> s_writtenRecordModes[] = {
    {ImportRecordModes::Update, "update"},
    {ImportRecordModes::Create, "create"},
    {ImportRecordModes::Copy, "copy"},
};
const EnumName<ImportRecordModes::eImportRecordMode> s_readRecordModes[] = {
    {ImportRecordModes::Update, "Update"},
    {ImportRecordModes::Create, "Create"},
    {ImportRecordModes::Copy, "Copy"},
};

const EnumName<ImportRecord::UpdateSubsets::eMode> s_subsetModes[] = {
    {ImportRecord::UpdateSubsets::Append, "Append"},
    {ImportRecord::UpdateSubsets::Replace, "Replace"},
};

} // namespace

std::string ImportErrorModes::ImportErrorMode_ToString(eImportErrorMode mode)
{
    return mode == FaultAndRollbackOnAnyError ? s_errorModes[0].text : s_errorModes[1].text;
}

ImportErrorModes::eImportErrorMode ImportErrorModes::ImportErrorMode_FromString(const std::string& text)
{
    return EnumFromString(s_errorModes, text, LogAndContinueWherePossible);
}

std::string ImportRecordModes::ImportRecordMode_ToString(eImportRecordMode mode)
{
    return EnumToString(s_writtenRecordModes, mode, "");
}

ImportRecordModes::eImportRecordMode ImportRecordModes::ImportRecordMode_FromString(const std::string& text)
{
    return EnumFromString(s_readRecordModes, text, Unrecognised);
}

void ImportAttributeValue::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteObject(element, document, "zbt:attribute", m_attribute);
    if (m_value) {
        WriteObject(WriteContainer(element, document, "zbt:value"), document, "zbt:" + m_value->GetImportNodeName(),
                    m_value);
    }
}

void ImportRecord::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteReferenceList(element, document, "zbt:importAttributeValues", "zbt:importAttributeValue", m_values);
    if (m_release) {
        WriteText(element, document, "zbt:releaseRecord", "1");
    }
    if (!m_recordName.empty()) {
        WriteText(element, document, "zbt:recordName", m_recordName);
    }
    WriteInt(element, document, "zbt:isFolder", m_isFolder ? 1 : 0);
    if (m_updateSubsets != UpdateSubsets::NotSent) {
        WriteText(element, document, "zbt:UpdateSubsetsMode", EnumToString(s_subsetModes, m_updateSubsets, ""));
    }
    if (!m_subsets.empty()) {
        WriteReferenceList(element, document, "zbt:subsetReferences", "zbt:subset", m_subsets);
    }
    switch (m_mode) {
    case ImportRecordModes::Update:
        WriteObjectOrEmpty(element, document, "zbt:record", m_existing);
        break;
    case ImportRecordModes::Create:
        WriteObjectOrEmpty(element, document, "zbt:parentRecord", m_existing);
        break;
    case ImportRecordModes::Copy:
        WriteObjectOrEmpty(element, document, "zbt:sourceRecord", m_existing);
        WriteObjectOrEmpty(element, document, "zbt:parentRecord", m_copyDestinationParent);
        break;
    default:
        break;
    }
}

void SetRecordAttributesRequest::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    XmlNode<char>* records = WriteContainer(element, document, "dat:importRecords");
    for (const SmartPtr<ImportRecord>& record : m_records) {
        // A record without a mode the server knows cannot be named, so it is not sent.
        const std::string mode = record ? ImportRecordModes::ImportRecordMode_ToString(record->GetImportRecordMode()) : "";
        if (!mode.empty()) {
            WriteObject(records, document, "zbt:" + mode, record);
        }
    }
    WriteText(element, document, "dat:importErrorMode", ImportErrorModes::ImportErrorMode_ToString(m_errorMode));
    if (m_commitThreshold > 0) {
        // The attribute name has no prefix colon: the server expects it written so.
        WriteAttribute(WriteContainer(element, document, "dat:transactionControl"), document, "zbtCommitThreshold",
                       IntToString(m_commitThreshold));
    }
}

SetRecordAttributesResponse::SetRecordAttributesResponse(const XmlNode<char>* node)
{
    ReadObjectList(node, "recordsImported", "record", m_recordsImported);
}

void GetUploadAddressesRequest::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteReferenceList(element, document, "dat:records", "dat:record", m_records);
    WriteReferenceList(element, document, "dat:attributes", "dat:attribute", m_attributes);
}

RecordWithAttributeAddresses::RecordWithAttributeAddresses(const XmlNode<char>* node)
{
    ReadObject(node, "recordReference", m_record);
    ReadObjectList(node, "attributes", "attribute", m_addresses);
}

GetUploadAddressesResponse::GetUploadAddressesResponse(const XmlNode<char>* node)
{
    ReadObjectList(node, "records", "record", m_records);
}

} // namespace zvrtkDorsaServiceLayer
