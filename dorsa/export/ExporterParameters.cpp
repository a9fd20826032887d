#include "dorsa/export/ExporterParameters.h"
#include "dorsa/xml/EnumTable.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

namespace {

const EnumName<ExporterParameter::eUsage> s_usages[] = {
    {ExporterParameter::Free, "free"},
    {ExporterParameter::Fixed, "fixed"},
    {ExporterParameter::Unused, "unused"},
};

const EnumName<AttributeExporterParameters::eDataPresence> s_dataPresences[] = {
    {AttributeExporterParameters::Present, "Present"},
    {AttributeExporterParameters::NotApplicable, "NotApplicable"},
    {AttributeExporterParameters::Missing, "Missing"},
    {AttributeExporterParameters::DataIncompatibleWithConfiguration, "DataIncompatibleWithConfiguration"},
};

// The value of the attribute `localName` of `element` through `table`; 0 when it is absent or unknown.
template <class E, std::size_t N>
E ReadEnumAttribute(const XmlNode<char>* element, const EnumName<E> (&table)[N], std::string_view localName)
{
    std::string text;
    ReadAttribute(element, text, localName);
    return EnumFromString(table, text);
}

} // namespace

ExporterParameter::ExporterParameter(const XmlNode<char>* node) : ParameterInformation(node)
{
    ReadAttribute(node, m_id, "id");
    m_usage = ReadEnumAttribute(node, s_usages, "usage");
}

AttributeExporterParameters::AttributeExporterParameters(const XmlNode<char>* node)
{
    ReadObject(node, "Attribute", m_attribute);
    ReadObjectList(node, "Parameters", "Parameter", m_parameters);
    ReadObjectList(node, "GraphDomains", "GraphDomain", m_graphDomains);
    m_dataPresence = ReadEnumAttribute(node, s_dataPresences, "data");
}

RecordExporterParameters::RecordExporterParameters(const XmlNode<char>* node)
{
    ReadObject(node, "Record", m_record);
    ReadObjectList(node, "Attributes", "Attribute", m_attributes);
}

void GetExporterParametersRequest::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteReferenceList(element, document, "zbt:recordReferences", "zbt:record", m_records);
    // Capital first letters here, unlike the same fields of ExportRecordData: the service
    // names them so for this operation.
    WriteText(element, document, "eng:ExporterKey", m_exporterKey);
    WriteObject(element, document, "eng:UnitConversionContext", m_unitConversionContext);
    WriteInt(element, document, "eng:populateGUIDs", m_populateGUIDs);
}

GetExporterParametersResponse::GetExporterParametersResponse(const XmlNode<char>* node)
{
    ReadObjectList(node, "Records", "Record", m_records);
}

} // namespace zvrtkDorsaServiceLayer
