#include "dorsa/values/UnittedValues.h"
#include "dorsa/xml/XmlBinding.h"

#include <algorithm>
#include <cctype>

namespace zvrtkDorsaServiceLayer {

namespace {

const double s_noBound = std::numeric_limits<double>::signaling_NaN();

// Reads a bound: true with `value` set when the element holds a number, false when it
// is absent or says "NaN" in any letter case.
bool ReadBound(const XmlNode<char>* parent, const char* localName, double& value)
{
    const XmlNode<char>* element = FindChildElement(localName, parent);
    if (!element) {
        return false;
    }
    std::string text = GetText(element);
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (text == "nan") {
        return false;
    }
    value = StringToDouble(GetText(element));
    return true;
}

std::string BoundText(bool present, double value)
{
    return present ? DoubleToString(value) : "NaN";
}

} // namespace

UnittedRealDataType::UnittedRealDataType(const XmlNode<char>* node)
{
    LoadCommonAttributes(node);
    ReadBool(node, m_isEstimated, "Estimated");
    ReadText(node, m_unitSymbol, "UnitSymbol");
}

void UnittedRealDataType::CreateXMLNode(XmlNode<char>* node) const
{
    XmlDocument<char>* document = GetOwnerDocument(node);
    WriteText(node, document, "zbt:Estimated", BoolToString(m_isEstimated));
    WriteText(node, document, "zbt:UnitSymbol", m_unitSymbol);
    WriteAttribute(node, document, "zbt:isNotApplicable", "false");
}

RangeDataType::RangeDataType(const XmlNode<char>* node) : RegisteredDataType(node)
{
    if (ReadBound(node, "LowValue", m_low)) {
        m_rangeType |= s_lowBound;
    }
    if (ReadBound(node, "HighValue", m_high)) {
        m_rangeType |= s_highBound;
    }
}

void RangeDataType::SetLow(double low)
{
    m_low = low;
    m_rangeType |= s_lowBound;
}

void RangeDataType::SetHigh(double high)
{
    m_high = high;
    m_rangeType |= s_highBound;
}

void RangeDataType::ClearLow()
{
    m_low = s_noBound;
    m_rangeType &= ~s_lowBound;
}

void RangeDataType::ClearHigh()
{
    m_high = s_noBound;
    m_rangeType &= ~s_highBound;
}

void RangeDataType::CreateXMLNode(XmlNode<char>* node) const
{
    UnittedRealDataType::CreateXMLNode(node);
    XmlDocument<char>* document = GetOwnerDocument(node);
    WriteText(node, document, "zbt:LowValue", BoundText(HasLowBound(), m_low));
    WriteText(node, document, "zbt:HighValue", BoundText(HasHighBound(), m_high));
}

PointDataType::PointDataType(const XmlNode<char>* node) : RegisteredDataType(node)
{
    ReadObjectList(node, "Point", m_points);
    ReadObject(node, "Parameters", m_parameters);
}

void PointDataType::CreateXMLNode(XmlNode<char>* node) const
{
    UnittedRealDataType::CreateXMLNode(node);
    XmlDocument<char>* document = GetOwnerDocument(node);
    WriteObjectOrEmpty(node, document, "zbt:Parameters", m_parameters);
    WriteEachObject(node, document, "zbt:Point", m_points);
}

} // namespace zvrtkDorsaServiceLayer
