#include "dorsa/references/AttributeReference.h"
#include "dorsa/xml/XmlBinding.h"

#include <iterator>
#include <string_view>

namespace zvrtkDorsaServiceLayer {

namespace {

const char* const s_pseudoNames[] = {
    "name",           "shortName",        "subsets",          "releasedDate",        "modifiedDate",
    "recordType",     "recordHistoryIdentity", "recordColor", "linkedRecords",       "versionState",
    "recordGUID",     "recordHistoryGUID", "recordVersionNumber", "tableName",       "childRecords",
    "tableFilters",   "writable",         "parentName",       "parentShortName",     "parentRecordHistoryIdentity",
    "parentRecordHistoryGUID",
};
constexpr int s_pseudoCount = static_cast<int>(std::size(s_pseudoNames));
// Record data keeps twenty pseudo-attribute slots, so the last name is never recognised.
constexpr int s_recognisedPseudoCount = 20;

// The "zbt:name" container, flagged as a standard name or not.
XmlNode<char>* WriteNameContainer(XmlNode<char>* parent, XmlDocument<char>* document, bool isStandard)
{
    XmlNode<char>* name = WriteContainer(parent, document, "zbt:name");
    WriteAttribute(name, document, "zbt:isStandard", BoolToString(isStandard));
    return name;
}

} // namespace

AttributeReference::AttributeReference(const XmlNode<char>* node) : DorsaEntityReference(node)
{
    ReadInt(node, m_attributeID, "attributeIdentity");
    const XmlNode<char>* name = FindChildElement("name", node);
    if (!name) {
        return;
    }
    ReadBoolAttribute(name, m_isStandardName, "isStandard");
    ReadObject(name, "table", m_partialTable);
    ReadText(name, m_name, "attributeName");
}

void AttributeReference::MakePseudoAttribute(int value)
{
    if (value < 0 || value >= s_pseudoCount) {
        return;
    }
    m_name = s_pseudoNames[value];
    m_isStandardName = true;
    m_attributeID = 0;
    m_partialTable = nullptr;
    m_isPseudo = true;
}

bool AttributeReference::IsPseudoAttributeName(std::string_view text, int* index)
{
    // The name in square brackets; compared without formatting each candidate, since
    // record data asks this of every value it reads.
    if (text.size() < 2 || text.front() != '[' || text.back() != ']') {
        return false;
    }
    const std::string_view inner = text.substr(1, text.size() - 2);
    for (int value = 0; value < s_recognisedPseudoCount; ++value) {
        if (inner == s_pseudoNames[value]) {
            if (index) {
                *index = value;
            }
            return true;
        }
    }
    return false;
}

void AttributeReference::CreateXMLNode(XmlNode<char>* parent) const
{
    XmlDocument<char>* document = GetOwnerDocument(parent);
    if (m_isPseudo) {
        WriteText(WriteNameContainer(parent, document, m_isStandardName), document, "zbt:pseudo", m_name);
        return;
    }
    DorsaEntityReference::CreateXMLNode(parent);
    if (m_attributeID != 0) {
        WriteInt(parent, document, "zbt:attributeIdentity", m_attributeID);
    } else if (!m_name.empty()) {
        XmlNode<char>* name = WriteNameContainer(parent, document, m_isStandardName);
        if (!m_isStandardName) {
            WriteObject(name, document, "zbt:table", m_partialTable);
        }
        WriteText(name, document, "zbt:attributeName", m_name);
    }
}

} // namespace zvrtkDorsaServiceLayer
