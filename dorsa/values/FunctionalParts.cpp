#include "dorsa/values/FunctionalParts.h"
#include "dorsa/xml/EnumTable.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

namespace {

const EnumName<GraphDecoration::eOptions> s_decorations[] = {
    {GraphDecoration::Lines, "Lines"},
    {GraphDecoration::Markers, "Markers"},
    {GraphDecoration::LinesAndMarkers, "LinesAndMarkers"},
};

// Which class reads an element whose "type" attribute names `typeName`.
template <class T>
struct TypedReader {
    const char* typeName;
    SmartPtr<T> (*create)(const XmlNode<char>*);
};

// Every child `localName` whose "type" attribute names one of the readers' types, read
// by the first such reader; children of no known type are skipped.
template <class T, std::size_t N>
void ReadTypedList(const XmlNode<char>* parent, const char* localName, const TypedReader<T> (&readers)[N],
                   std::vector<SmartPtr<T>>& out)
{
    for (const XmlNode<char>* element : FindChildElements(localName, parent)) {
        const std::string_view type = TextView(FindAttribute("type", element));
        for (const TypedReader<T>& reader : readers) {
            if (type.find(reader.typeName) != std::string_view::npos) {
                if (SmartPtr<T> item = reader.create(element)) {
                    out.push_back(item);
                }
                break;
            }
        }
    }
}

// T read from its element, as the Base a typed list holds.
template <class Base, class T>
SmartPtr<Base> ReadAs(const XmlNode<char>* node)
{
    return T::CreateOne(node);
}

const TypedReader<XYDatum> s_datumReaders[] = {{"XYRange", &ReadAs<XYDatum, XYRange>},
                                               {"XYPoint", &ReadAs<XYDatum, XYPoint>}};
const TypedReader<FloatFunctionalValue> s_valueReaders[] = {
    {"FloatFunctionalPointValue", &ReadAs<FloatFunctionalValue, FloatFunctionalPointValue>},
    {"FloatFunctionalRangedValue", &ReadAs<FloatFunctionalValue, FloatFunctionalRangeValue>},
};

} // namespace

GraphDecoration::eOptions GraphDecoration::FromString(const std::string& text)
{
    return EnumFromString(s_decorations, text, Unspecified);
}

std::string GraphDecoration::ToString(eOptions option)
{
    return EnumToString(s_decorations, option == Lines || option == LinesAndMarkers ? option : Markers);
}

Constraint::Constraint(const XmlNode<char>* node) : ParameterReferenceAndValue(node)
{
    ReadText(node, m_label, "Label");
}

void Constraint::CreateXMLNode(XmlNode<char>* node) const
{
    ParameterReferenceAndValue::CreateXMLNode(node);
    if (!m_label.empty()) {
        WriteText(node, GetOwnerDocument(node), "zbt:Label", m_label);
    }
}

Constraints::Constraints(const XmlNode<char>* node)
{
    ReadObjectList(node, "Constraint", m_constraints);
}

void Constraints::CreateXMLNode(XmlNode<char>* node) const
{
    WriteEachObject(node, GetOwnerDocument(node), "zbt:Constraint", m_constraints);
}

XYDatum::XYDatum(const XmlNode<char>* node)
{
    ReadBool(node, m_isEstimated, "Estimated");
    ReadObject(node, "X", m_parameterValue);
}

void XYDatum::CreateXMLNode(XmlNode<char>* node) const
{
    XmlDocument<char>* document = GetOwnerDocument(node);
    WriteObjectOrEmpty(node, document, "zbt:X", m_parameterValue);
    WriteText(node, document, "zbt:Estimated", BoolToString(m_isEstimated));
}

XYPoint::XYPoint(const XmlNode<char>* node) : XYDatum(node)
{
    ReadDouble(node, m_y, "Y");
}

void XYPoint::CreateXMLNode(XmlNode<char>* node) const
{
    XYDatum::CreateXMLNode(node);
    XmlDocument<char>* document = GetOwnerDocument(node);
    WriteAttribute(node, document, "xsi:type", "zbt:XYPoint");
    WriteText(node, document, "zbt:Y", DoubleToString(m_y));
}

XYRange::XYRange(const XmlNode<char>* node) : XYDatum(node)
{
    ReadDouble(node, m_lowerY, "LowerY");
    ReadDouble(node, m_upperY, "UpperY");
}

void XYRange::CreateXMLNode(XmlNode<char>* node) const
{
    XYDatum::CreateXMLNode(node);
    XmlDocument<char>* document = GetOwnerDocument(node);
    WriteAttribute(node, document, "xsi:type", "zbt:XYRange");
    WriteText(node, document, "zbt:LowerY", DoubleToString(m_lowerY));
    WriteText(node, document, "zbt:UpperY", DoubleToString(m_upperY));
}

XYData::XYData(const XmlNode<char>* node)
{
    ReadTypedList(node, "XYPoint", s_datumReaders, m_points);
}

int XYData::GetType() const
{
    return m_points.empty() ? s_noData : m_points.front()->GetType();
}

std::string XYData::GetTypeAsString(int type)
{
    return type == XYDatum::XYPoint ? "XYPoint" : type == XYDatum::XYRange ? "XYRange" : "Unknown";
}

void XYData::CreateXMLNode(XmlNode<char>* node) const
{
    WriteEachObject(node, GetOwnerDocument(node), "zbt:XYPoint", m_points);
}

Series::Series(const XmlNode<char>* node)
{
    ReadObject(node, "Constraints", m_constraints);
    ReadObject(node, "XYPoints", m_xyPoints);
}

void Series::CreateXMLNode(XmlNode<char>* node) const
{
    XmlDocument<char>* document = GetOwnerDocument(node);
    WriteObjectOrEmpty(node, document, "zbt:Constraints", m_constraints);
    WriteObjectOrEmpty(node, document, "zbt:XYPoints", m_xyPoints);
    WriteAttribute(node, document, "zbt:decoration", GraphDecoration::ToString(m_decoration));
}

FloatFunctionalGraph::FloatFunctionalGraph(const XmlNode<char>* node)
{
    ReadBoolAttribute(node, m_hideGraph, "HideGraph");
    ReadBoolAttribute(node, m_logarithmicYAxis, "LogarithmicYAxis");
    ReadObjectList(node, "Series", m_series);
}

void FloatFunctionalGraph::CreateXMLNode(XmlNode<char>* node) const
{
    XmlDocument<char>* document = GetOwnerDocument(node);
    WriteAttribute(node, document, "zbt:HideGraph", BoolToString(m_hideGraph));
    WriteAttribute(node, document, "zbt:LogarithmicYAxis", BoolToString(m_logarithmicYAxis));
    WriteEachObject(node, document, "zbt:Series", m_series);
}

FloatFunctionalSeriesGraph::FloatFunctionalSeriesGraph(const XmlNode<char>* node) : FloatFunctionalGraph(node)
{
    ReadObject(node, "XAxisParameter", m_xAxisParameter);
}

void FloatFunctionalSeriesGraph::CreateXMLNode(XmlNode<char>* node) const
{
    FloatFunctionalGraph::CreateXMLNode(node);
    WriteObjectOrEmpty(node, GetOwnerDocument(node), "zbt:XAxisParameter", m_xAxisParameter);
}

FloatFunctionalValue::FloatFunctionalValue(const XmlNode<char>* node)
{
    ReadObject(node, "Constraints", m_constraints);
    ReadBool(node, m_estimated, "Estimated");
}

void FloatFunctionalValue::CreateXMLNode(XmlNode<char>* node) const
{
    XmlDocument<char>* document = GetOwnerDocument(node);
    WriteObjectOrEmpty(node, document, "zbt:Constraints", m_constraints);
    WriteText(node, document, "zbt:Estimated", BoolToString(m_estimated));
}

FloatFunctionalPointValue::FloatFunctionalPointValue(const XmlNode<char>* node) : FloatFunctionalValue(node)
{
    ReadDouble(node, m_value, "Value");
}

void FloatFunctionalPointValue::CreateXMLNode(XmlNode<char>* node) const
{
    FloatFunctionalValue::CreateXMLNode(node);
    WriteText(node, GetOwnerDocument(node), "zbt:Value", DoubleToString(m_value));
}

FloatFunctionalRangeValue::FloatFunctionalRangeValue(const XmlNode<char>* node) : FloatFunctionalValue(node)
{
    ReadDouble(node, m_low, "Low");
    ReadDouble(node, m_high, "High");
}

void FloatFunctionalRangeValue::CreateXMLNode(XmlNode<char>* node) const
{
    FloatFunctionalValue::CreateXMLNode(node);
    XmlDocument<char>* document = GetOwnerDocument(node);
    WriteText(node, document, "zbt:Low", DoubleToString(m_low));
    WriteText(node, document, "zbt:High", DoubleToString(m_high));
}

FloatFunctionalValues::FloatFunctionalValues(const XmlNode<char>* node)
{
    ReadTypedList(node, "Value", s_valueReaders, m_values);
}

FloatFunctionalValue::eType FloatFunctionalValues::GetType() const
{
    return m_values.empty() ? FloatFunctionalValue::None : m_values.front()->GetType();
}

void FloatFunctionalValues::CreateXMLNode(XmlNode<char>* node) const
{
    XmlDocument<char>* document = GetOwnerDocument(node);
    for (const SmartPtr<FloatFunctionalValue>& value : m_values) {
        XmlNode<char>* element = WriteContainer(node, document, "zbt:Value");
        WriteAttribute(element, document, "xsi:type", WithBaseTypesPrefix(value->GetNodeType()));
        value->CreateXMLNode(element);
    }
}

} // namespace zvrtkDorsaServiceLayer
