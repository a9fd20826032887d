#include "dorsa/browse/AttributeMinMax.h"
#include "dorsa/values/DataValue.h"
#include "dorsa/xml/TextForms.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

MinMaxValue::MinMaxValue(const XmlNode<char>* node)
{
    if (const XmlNode<char>* date = FindChildElement("date", node)) {
        m_type = Date;
        m_dateTime = GetText(date);
    } else if (const XmlNode<char>* number = FindChildElement("double", node)) {
        const std::string text = GetText(number);
        if (StringACompareI()(text, "NaN")) {
            m_type = NotANumber;
        } else {
            m_doubleValue = StringToDouble(text);
            m_type = Double;
        }
    } else if (const XmlNode<char>* integer = FindChildElement("integer", node)) {
        m_integerValue = StringToInt(GetText(integer));
        m_type = Integer;
    }
}

SmartPtr<MinMaxValue> MinMaxValue::CreateOne(const XmlNode<char>* node)
{
    if (!node) {
        return nullptr;
    }
    SmartPtr<MinMaxValue> value = new MinMaxValue(node);
    return value->m_type == Nothing ? nullptr : value;
}

AttributeMinMax::AttributeMinMax(const XmlNode<char>* node)
{
    ReadText(node, m_units, "unit");
    ReadObject(node, "attributeReference", m_attributeReference);
    ReadObject(node, "min", m_minValue);
    ReadObject(node, "max", m_maxValue);
}

void GetAttributeMinMaxRequest::CreateXMLNode(XmlNode<char>* element) const
{
    AttributeReferencesRequest::CreateXMLNode(element);
    WriteObject(element, GetOwnerDocument(element), "brow:unitConversionContext", m_unitConversionContext);
}

GetAttributeMinMaxResponse::GetAttributeMinMaxResponse(const XmlNode<char>* node)
{
    ReadObjectList(node, "minMaxes", "minMax", m_attributeMinMaxes);
}

} // namespace zvrtkDorsaServiceLayer
