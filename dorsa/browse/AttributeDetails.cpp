#include "dorsa/browse/AttributeDetails.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

std::unordered_set<std::string> AttributeDetail::s_supportedColumns;

HelpInfo::HelpInfo(const XmlNode<char>* node)
{
    ReadText(node, m_helpURI, "helpURI");
    ReadBool(node, m_databaseHelp, "isDatabaseHelp");
}

TabularColumnDetail::TabularColumnDetail(const XmlNode<char>* node)
{
    ReadText(node, m_name, "Name");
    ReadObject(node, "RevisionInfo", m_revisionInfo);
    const std::string kind = GetLocalName(node);
    if (kind == "local") {
        m_type = TabularColumn::Local;
        ReadText(node, m_databaseUnit, "DatabaseUnit");
        ReadTextList(node, "DiscreteValues", "DiscreteValue", m_discreteValues);
        ReadAttribute(node, m_dataType, "type");
    } else if (kind == "target") {
        if (const XmlAttribute<char>* columnType = FindAttribute("columnType", node)) {
            m_type = TabularColumn::ParseType(GetText(columnType));
        }
    }
}

void AttributeDetail::StaticInit()
{
    s_supportedColumns.insert({"local", "target", "unavailable"});
}

AttributeDetail::AttributeDetail(const XmlNode<char>* node) : NamedAttribute(node)
{
    ReadInt(node, m_identity, "identity");
    ReadText(node, m_type, "type");
    ReadObject(node, "revisionInfo", m_revisionInfo);
    ReadObject(node, "helpInfo", m_helpInfo);
    ReadText(node, m_databaseUnit, "databaseUnit");
    ReadText(node, m_defaultThreshold, "defaultThreshold");
    ReadTextList(node, "discreteValues", "discreteValue", m_discreteValues);
    ReadInt(node, m_order, "order");
    ReadBoolAttribute(node, m_isSearchable, "isSearchable");
    ReadBoolAttribute(node, m_isMultiValued, "isMultiValued");
    ReadBoolAttribute(node, m_isChartable, "isChartable");
    ReadText(node, m_axisName, "axisName");
    if (const XmlNode<char>* columns = FindChildElement("columns", node)) {
        for (const XmlNode<char>* column = FirstChildElement(columns); column; column = column->next_sibling()) {
            if (column->type() == rapidxml::node_element && s_supportedColumns.count(GetLocalName(column))) {
                m_columns.push_back(TabularColumnDetail::CreateOne(column));
            }
        }
    }
}

void AttributeDetail::CreateXMLNode(XmlNode<char>* parent) const
{
    NamedAttribute::CreateXMLNode(parent);
    WriteText(parent, GetOwnerDocument(parent), "zbt:type", m_type);
}

GetAttributeDetailsResponse::GetAttributeDetailsResponse(const XmlNode<char>* node)
{
    ReadObjectList(node, "attributeDetails", "attributeDetail", m_attributeDetails);
}

} // namespace zvrtkDorsaServiceLayer
