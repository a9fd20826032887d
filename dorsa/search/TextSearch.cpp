#include "dorsa/search/TextSearch.h"
#include "dorsa/search/SearchWritingPrivate.h"
#include "dorsa/xml/EnumTable.h"
#include "dorsa/xml/TextForms.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

namespace {

const EnumName<SearchModes::eSearchMode> s_searchModeNames[] = {
    {SearchModes::Normal, "Normal"},
    {SearchModes::ReadOnly, "ReadOnly"},
};

// The record-name switches go as XML attributes holding 1 or 0, unlike the element flags
// of the other searches.
void WriteSwitch(XmlNode<char>* element, XmlDocument<char>* document, const char* name, bool value)
{
    WriteAttribute(element, document, name, IntToString(value ? 1 : 0));
}

} // namespace

std::string SearchModes::ToString(eSearchMode mode)
{
    return EnumToString(s_searchModeNames, mode, "");
}

namespace detail {

void WriteSearchScope(XmlNode<char>* element, TableFilters::eTablesFilter filter, SearchModes::eSearchMode mode,
                      bool populateGUIDs, const SmartPtr<RecordFilter>& recordFilter)
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteText(element, document, "sear:searchFilter", TableFilters::ToString(filter));
    const std::string modeText = SearchModes::ToString(mode);
    if (!modeText.empty()) {
        WriteText(element, document, "sear:searchMode", modeText);
    }
    WriteText(element, document, "sear:populateGUIDs", BoolToString(populateGUIDs));
    WriteObject(element, document, "sear:recordFilter", recordFilter);
}

} // namespace detail

SearchResult::SearchResult(const XmlNode<char>* node) : NamedRecord(node)
{
    ReadText(node, m_ranking, "ranking");
    ReadAttribute(node, m_color, "color");
    ReadAttribute(node, m_recordType, "type");
}

SimpleTextSearchResponse::SimpleTextSearchResponse(const XmlNode<char>* node)
{
    ReadObjectList(node, "resultRecords", m_searchResults);
}

void SimpleTextSearch::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteText(element, document, "sear:dbKey", m_dbKey);
    WriteText(element, document, "sear:searchValue", m_searchValue);
    detail::WriteSearchScope(element, m_searchFilter, m_searchMode, m_populateGUIDs, m_recordFilter);
    if (!m_restrictToTables.empty()) {
        WriteEachObject(WriteContainer(element, document, "sear:restrictToTables"), document, "sear:table",
                        m_restrictToTables);
    }
}

void RecordNameSearchRequest::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteObject(element, document, "sear:table", m_table);
    WriteText(element, document, "sear:recordName", m_recordName);
    WriteObject(element, document, "sear:recordFilter", m_filter);
    XmlNode<char>* options = WriteContainer(element, document, "sear:options");
    WriteSwitch(options, document, "sear:populateGUIDs", m_populateGUIDs);
    WriteSwitch(options, document, "sear:searchFullNames", m_searchFullNames);
    WriteSwitch(options, document, "sear:searchShortNames", m_searchShortNames);
    WriteSwitch(options, document, "sear:caseSensitive", m_caseSensitiveNames);
}

} // namespace zvrtkDorsaServiceLayer
