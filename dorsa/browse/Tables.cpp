#include "dorsa/browse/Tables.h"
#include "dorsa/xml/EnumTable.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

namespace {

const EnumName<GetTables::eAttributeSelector> s_attributeSelectors[] = {
    {GetTables::NonMetaAttributes, "NonMetaAttributes"},
    {GetTables::MetaAttributes, "MetaAttributes"},
    {GetTables::StandardAttributes, "StandardAttributes"},
};

} // namespace

std::string GetTables::AttributeSelector_ToString(eAttributeSelector selector)
{
    return EnumToString(s_attributeSelectors, selector, "");
}

GetTables::eAttributeSelector GetTables::AttributeSelector_FromString(const std::string& name)
{
    return EnumFromString(s_attributeSelectors, name);
}

void GetTables::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteText(element, document, "brow:dbKey", m_dbKey);
    if (m_tableFilter != TableFilters::NoFilter) {
        WriteText(element, document, "brow:tableFilter", TableFilters::ToString(m_tableFilter));
    }
    if (!m_attributeSelectors.empty()) {
        XmlNode<char>* selectors = WriteContainer(element, document, "brow:attributeSelectors");
        for (const eAttributeSelector selector : m_attributeSelectors) {
            WriteText(selectors, document, "brow:attributeSelector", AttributeSelector_ToString(selector));
        }
    }
}

TableDetail::TableDetail(const XmlNode<char>* node)
{
    ReadObject(node, "table", m_table);
    ReadObjectList(node, "attributeReferences", "attribute", m_attributeReferences);
    ReadObjectList(node, "standardAttributeReferences", "attribute", m_standardAttributeReferences);
    std::vector<std::string> filters;
    ReadTextList(node, "tableFilters", "tableFilter", filters);
    m_tableFilters = TableFilters::FromStrings(filters);
}

void TableDetail::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteObject(element, document, "zbt:table", m_table);
    WriteReferenceList(element, document, "zbt:attributeReferences", "zbt:attribute", m_attributeReferences);
}

GetTablesResponse::GetTablesResponse(const XmlNode<char>* node)
{
    ReadObjectList(node, "tableDetails", "table", m_tableDetails);
}

} // namespace zvrtkDorsaServiceLayer
