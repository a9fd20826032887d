#include "dorsa/export/RecordData.h"
#include "dorsa/xml/TextForms.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

std::string BinaryDataRepresentations::BinaryDataRepresentation_ToString(eBinaryDataRepresentation value)
{
    return value == Inline ? "Inline" : "URL";
}

BinaryDataRepresentations::eBinaryDataRepresentation
BinaryDataRepresentations::BinaryDataRepresentation_FromString(const std::string& text)
{
    return text == "Inline" ? Inline : URL;
}

RecordData::RecordData(const XmlNode<char>* node)
{
    ReadObject(node, "record", m_record);
    const XmlNode<char>* values = FindChildElement("attributeValues", node);
    for (const XmlNode<char>* entry = FindChildElement("attributeValue", values); entry;
         entry = FindNextSiblingElement("attributeValue", entry)) {
        const XmlNode<char>* name = FindChildElement("AttributeName", entry);
        if (!name) {
            continue;
        }
        int slot = -1;
        AttributeReference::IsPseudoAttributeName(TextView(name), &slot);
        if (SmartPtr<AttributeValue> value = AttributeValue::CreateOne(entry)) {
            if (slot >= 0) {
                m_pseudoAttributes[slot] = value;
            }
            m_attributeValues.push_back(std::move(value));
        }
    }
}

SmartPtr<AttributeValue>
RecordData::AccessPseudoAttribute(AttributeReference::PseudoAttrs::eDorsaPseudoAttributeReference index) const
{
    return index >= 0 && index < s_pseudoAttributeSlots ? m_pseudoAttributes[index] : SmartPtr<AttributeValue>();
}

void GetRecordAttributesByRefRequest::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    for (const SmartPtr<AttributeReference>& attribute : m_attributeReferences) {
        XmlNode<char>* result = WriteContainer(element, document, "exp:result");
        WriteAttribute(result, document, "xsi:type", "zbt:DorsaAttributeReference");
        attribute->CreateXMLNode(result);
    }
    WriteEachObject(element, document, "exp:recordReference", m_recordReferences);
    WriteObject(element, document, "exp:unitConversionContext", m_unitConversionContext);
    if (m_recordFilter) {
        m_recordFilter->CreateXMLNode(WriteContainer(element, document, "exp:filter"));
    }
    WriteText(element, document, "exp:populateGUIDs", BoolToString(m_populateGUIDs));
    WriteText(element, document, "exp:useFallback", BoolToString(m_useFallback));
    WriteText(element, document, "exp:binaryDataRepresentation",
              BinaryDataRepresentations::BinaryDataRepresentation_ToString(m_binaryDataRepresentation));
}

GetRecordAttributesByRefResponse::GetRecordAttributesByRefResponse(const XmlNode<char>* node)
{
    ReadObjectList(node, "results", "recordData", m_recordData);
}

} // namespace zvrtkDorsaServiceLayer
