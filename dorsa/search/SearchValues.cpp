#include "dorsa/search/SearchValues.h"
#include "dorsa/search/SearchWritingPrivate.h"
#include "dorsa/xml/TextForms.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

namespace detail {

void WriteSearchValue(XmlNode<char>* parent, const SearchValue* value)
{
    if (!value) {
        return;
    }
    if (XmlNode<char>* element = WriteContainer(parent, GetOwnerDocument(parent), "sear:" + value->GetNodeName())) {
        value->CreateXMLNode(element);
    }
}

} // namespace detail

void UnittedRealCriterionValue::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    if (!m_unit.empty()) {
        WriteAttribute(element, document, "sear:unit", m_unit);
    }
    WriteOwnText(element, document, DoubleToString(m_value));
}

void MultiValuedDiscreteCriterion::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    for (const std::string& value : m_values) {
        WriteText(element, document, "sear:discrete", value);
    }
}

void TextCriterionValue::CreateXMLNode(XmlNode<char>* element) const
{
    WriteOwnText(element, GetOwnerDocument(element), m_value);
}

void PresenceCriterionValue::CreateXMLNode(XmlNode<char>* element) const
{
    WriteOwnText(element, GetOwnerDocument(element), "true");
}

void BetweenSearchValue::CreateXMLNode(XmlNode<char>* element) const
{
    detail::WriteSearchValue(element, m_lowEnd.get());
    detail::WriteSearchValue(element, m_highEnd.get());
}

void BetweenDateTimesSearchValue::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteText(element, document, "sear:lowEnd", m_lowEnd);
    WriteText(element, document, "sear:highEnd", m_highEnd);
}

void TabularColumnContainsSearchValue::CreateXMLNode(XmlNode<char>* element) const
{
    WriteAttribute(element, GetOwnerDocument(element), "sear:tabularColumn", m_colName);
    TextCriterionValue::CreateXMLNode(element);
}

void ExactlySearchValue::CreateXMLNode(XmlNode<char>* element) const
{
    WriteOwnText(element, GetOwnerDocument(element), IntToString(m_value));
}

} // namespace zvrtkDorsaServiceLayer
