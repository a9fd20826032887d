#include "dorsa/values/LinkedRecords.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

RecordLinkGroup::RecordLinkGroup(const XmlNode<char>* node)
{
    ReadText(node, m_name, "name");
    ReadObjectList(node, "linkedRecords", "record", m_linkedRecords);
    std::vector<std::string> filters;
    ReadTextList(node, "tableFilters", "tableFilter", filters);
    m_tableFilters = TableFilters::FromStrings(filters);
    ReadTextList(node, "standardNames", "standardName", m_standardNames);
}

LinkedRecordsDataType::LinkedRecordsDataType(const XmlNode<char>* node)
{
    LoadCommonAttributes(node);
    ReadObjectList(node, "recordLinkGroup", m_groups);
}

void LinkedRecordsDataType::CreateXMLNode(XmlNode<char>* /*node*/) const {}

} // namespace zvrtkDorsaServiceLayer
