#include "dorsa/browse/RecordAttributes.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

RecordAttribute::RecordAttribute(const XmlNode<char>* node)
{
    ReadObject(node, "record", m_record);
    ReadObject(node, "attribute", m_attribute);
    ReadBool(node, m_hasData, "hasData");
    ReadObject(node, "dataRevisionInfo", m_dataRevisionInfo);
    ReadInt(node, m_dataCreatedRecordVersion, "dataCreatedRecordVersion");
    ReadInt(node, m_dataRetiredRecordVersion, "dataRetiredRecordVersion");
    ReadInt(node, m_dataVersionNumber, "dataVersionNumber");
    ReadObjectList(node, "parameterDetails", "parameterDetail", m_parameterDetails);
}

void GetRecordAttributesRequest::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteReferenceList(element, document, "zbt:recordReferences", "zbt:record", m_recordReferences);
    const std::pair<bool, const char*> flags[] = {
        {m_includeMeta, "brow:includeMetaAttributes"},
        {m_includeEmpty, "brow:includeEmptyAttributes"},
        {m_includeParamDetails, "brow:includeParameterDetails"},
        {m_includeFullAttributeDetail, "brow:includeFullAttributeDetail"},
    };
    for (const auto& [set, name] : flags) {
        if (set) {
            WriteText(element, document, name, "1");
        }
    }
}

GetRecordAttributesResponse::GetRecordAttributesResponse(const XmlNode<char>* node)
{
    ReadObjectList(node, "recordAttributes", "recordAttribute", m_recordAttributes);
}

void GetRecordAttributesImpl::RequestRecordAttributes(const std::vector<SmartPtr<RecordReference>>& records,
                                                      GetRecordAttributesResponse* response)
{
    SmartPtr<GetRecordAttributesRequest> request = GetRecordAttributesRequest::CreateOne();
    request->SetRecordReferences(records);
    RequestRecordAttributes(request, response);
}

} // namespace zvrtkDorsaServiceLayer
