#include "dorsa/export/ExportRecordData.h"
#include "dorsa/xml/TextForms.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

void UnittedParameterValue::CreateXMLNode(XmlNode<char>* element) const
{
    if (!m_value) {
        return;
    }
    m_value->CreateXMLNode(element);
    if (!m_unitSymbol.empty()) {
        WriteText(element, GetOwnerDocument(element), "zbt:UnitSymbol", m_unitSymbol);
    }
}

void ExportRecordDataRequest::SetStopBeforeIndex(int index)
{
    m_stopBeforeIndex = index;
    if (index >= 0) {
        m_stopBeforeId.clear();
    }
}

void ExportRecordDataRequest::SetStopBeforeId(const std::string& id)
{
    m_stopBeforeId = id;
    if (!id.empty()) {
        m_stopBeforeIndex = -1;
    }
}

void ExportRecordDataRequest::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteReferenceList(element, document, "zbt:recordReferences", "zbt:record", m_records);
    if (!m_attributes.empty()) {
        WriteReferenceList(element, document, "eng:attributes", "eng:attribute", m_attributes);
    }
    // Lower-case first letters here, unlike the same fields of GetExporterParameters.
    WriteText(element, document, "eng:exporterKey", m_exporterKey);
    WriteObject(element, document, "eng:unitConversionContext", m_unitConversionContext);
    WriteObject(element, document, "eng:recordFilter", m_filter);
    WriteParameterValues(element, document);
    WriteStopBefore(element, document);
}

// The significant figures travel as an attribute of the parameter values, so the element
// is written for them alone too.
void ExportRecordDataRequest::WriteParameterValues(XmlNode<char>* element, XmlDocument<char>* document) const
{
    if (m_parameterValues.empty() && m_sigFigs < 1) {
        return;
    }
    XmlNode<char>* values = WriteContainer(element, document, "eng:parameterValues");
    WriteEachValue(values, document, "eng:parameterValue", m_parameterValues);
    if (m_sigFigs > 0) {
        WriteAttribute(values, document, "eng:significantFigures", IntToString(m_sigFigs));
    }
}

void ExportRecordDataRequest::WriteStopBefore(XmlNode<char>* element, XmlDocument<char>* document) const
{
    const bool byIndex = m_stopBeforeIndex >= 0;
    if (!byIndex && m_stopBeforeId.empty()) {
        return;
    }
    XmlNode<char>* stop = WriteContainer(WriteContainer(element, document, "eng:stopBefore"), document,
                                         byIndex ? "eng:index" : "eng:transformId");
    WriteAttribute(stop, document, "eng:value", byIndex ? IntToString(m_stopBeforeIndex) : m_stopBeforeId);
}

// The one copy of the text: straight from the reply's element into the shared buffer.
ExportRecordDataResponse::ExportRecordDataResponse(const XmlNode<char>* node)
    : m_text(std::make_shared<const std::string>(node->value(), node->value_size()))
{
}

const std::string& ExportRecordDataResponse::GetText() const
{
    static const std::string s_none;
    return m_text ? *m_text : s_none;
}

} // namespace zvrtkDorsaServiceLayer
