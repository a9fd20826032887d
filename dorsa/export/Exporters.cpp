#include "dorsa/export/Exporters.h"
#include "dorsa/xml/EnumTable.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

namespace {

const EnumName<VersionPolicy::ePolicy> s_policies[] = {
    {VersionPolicy::IncludeAll, "IncludeAll"},
    {VersionPolicy::LatestVersionPerName, "LatestVersionPerName"},
};

const EnumName<ExporterPopulation::ePopulationState> s_populationStates[] = {
    {ExporterPopulation::FullyPopulated, "FullyPopulated"},
    {ExporterPopulation::PartiallyPopulated, "PartiallyPopulated"},
};

void WriteTextIfSet(XmlNode<char>* element, XmlDocument<char>* document, const char* name, const std::string& text)
{
    if (!text.empty()) {
        WriteText(element, document, name, text);
    }
}

// A policy outside the table is still sent, as an empty element: only 0 means "not given".
void WriteVersionPolicy(XmlNode<char>* element, XmlDocument<char>* document, VersionPolicy::ePolicy policy)
{
    if (policy != VersionPolicy::None) {
        WriteText(element, document, "eng:versionPolicy", VersionPolicy::Policy_ToString(policy));
    }
}

} // namespace

std::string VersionPolicy::Policy_ToString(ePolicy policy)
{
    return EnumToString(s_policies, policy, "");
}

VersionPolicy::ePolicy VersionPolicy::Policy_FromString(const std::string& text)
{
    return EnumFromString(s_policies, text);
}

ExporterTransform::ExporterTransform(const XmlNode<char>* node)
{
    ReadAttribute(node, m_id, "id");
}

Exporter::Exporter(const XmlNode<char>* node)
{
    ReadText(node, m_key, "key");
    ReadText(node, m_package, "package");
    ReadText(node, m_model, "model");
    ReadText(node, m_description, "description");
    ReadValueList(node, "transforms", "transform", m_transforms);
    ReadAttribute(node, m_name, "name");
    ReadIntAttribute(node, m_version, "version");
    ReadBoolAttribute(node, m_validatedOK, "validatedOK");
}

ExporterPopulation::ExporterPopulation(const XmlNode<char>* node) : Exporter(node)
{
    std::string state;
    ReadText(node, state, "populationState");
    m_populationState = EnumFromString(s_populationStates, state);
}

ExportersForRecord::ExportersForRecord(const XmlNode<char>* node)
{
    ReadObject(node, "record", m_record);
    ReadObjectList(node, "exporters", "exporter", m_exporters);
}

void GetAvailableExportersRequest::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteTextIfSet(element, document, "eng:package", m_package);
    WriteTextIfSet(element, document, "eng:model", m_model);
    WriteTextIfSet(element, document, "eng:dbKey", m_dbKey);
    if (m_table) {
        XmlNode<char>* table = WriteContainer(element, document, "eng:table");
        if (m_matchDb) {
            WriteAttribute(table, document, "eng:matchDatabase", "true");
        }
        m_table->CreateXMLNode(table);
    }
    WriteVersionPolicy(element, document, m_versionPolicy);
    WriteTextIfSet(element, document, "eng:applicabilityTag", m_applicabilityTag);
}

GetAvailableExportersResponse::GetAvailableExportersResponse(const XmlNode<char>* node)
{
    ReadObjectList(node, "exporter", m_exporters);
}

void ExportersForRecordsRequest::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteInt(element, document, "eng:packageAndModelRequired", m_packageAndModelRequired);
    WriteInt(element, document, "eng:specificAttributeExportersOnly", m_specificAttributeExportersOnly);
    WriteTextIfSet(element, document, "eng:package", m_package);
    WriteTextIfSet(element, document, "eng:model", m_model);
    WriteVersionPolicy(element, document, m_versionPolicy);
    WriteTextIfSet(element, document, "eng:applicabilityTag", m_applicabilityTag);
    WriteReferenceList(element, document, "zbt:recordReferences", "zbt:record", m_records);
}

ExportersForRecordsResponse::ExportersForRecordsResponse(const XmlNode<char>* node)
{
    ReadObjectList(node, "records", "record", m_records);
}

} // namespace zvrtkDorsaServiceLayer
