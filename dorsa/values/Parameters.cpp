#include "dorsa/values/Parameters.h"
#include "dorsa/xml/EnumTable.h"
#include "dorsa/xml/XmlBinding.h"

#include <stdexcept>

namespace zvrtkDorsaServiceLayer {

namespace {

const EnumName<ParameterValue::eParameterValueType> s_valueTypes[] = {
    {ParameterValue::Numeric, "Numeric"},
    {ParameterValue::Discrete, "Discrete"},
};

} // namespace

ParameterValue::ParameterValue(const XmlNode<char>* node)
{
    if (const XmlAttribute<char>* type = FindAttribute("type", node)) {
        m_type = TextView(type).find("Numeric") != std::string_view::npos ? Numeric : Discrete;
    }
    if (m_type == Numeric) {
        ReadDouble(node, m_numeric, "Value");
    } else {
        ReadText(node, m_discrete, "Value");
    }
}

std::string ParameterValue::TypeAsString() const
{
    return EnumToString(s_valueTypes, m_type);
}

ParameterValue::eParameterValueType ParameterValue::TypeFromString(const std::string& type)
{
    if (const EnumName<eParameterValueType>* row = FindEnumByText(s_valueTypes, type)) {
        return row->value;
    }
    throw std::invalid_argument("unknown parameter value type valid types are Numeric and Discrete");
}

void ParameterValue::SetValue_Numeric(double value)
{
    m_numeric = value;
    m_type = Numeric;
}

void ParameterValue::SetValue_Discrete(const std::string& value)
{
    m_discrete = value;
    m_type = Discrete;
}

void ParameterValue::CreateXMLNode(XmlNode<char>* node) const
{
    XmlDocument<char>* document = GetOwnerDocument(node);
    const bool numeric = m_type == Numeric;
    WriteAttribute(node, document, "xsi:type", numeric ? "zbt:NumericParameterValue" : "zbt:DiscreteParameterValue");
    WriteText(node, document, "zbt:Value", numeric ? DoubleToString(m_numeric) : m_discrete);
}

ParameterReferenceAndValue::ParameterReferenceAndValue(const XmlNode<char>* node)
{
    ReadObject(node, "Parameter", m_parameter);
    ReadObject(node, "ParameterValue", m_value);
}

void ParameterReferenceAndValue::CreateXMLNode(XmlNode<char>* node) const
{
    XmlDocument<char>* document = GetOwnerDocument(node);
    WriteObject(node, document, "zbt:Parameter", m_parameter);
    WriteObject(node, document, "zbt:ParameterValue", m_value);
}

ParameterReferencesAndValues::ParameterReferencesAndValues(const XmlNode<char>* node)
{
    ReadObjectList(node, "ParameterWithValue", m_items);
}

void ParameterReferencesAndValues::CreateXMLNode(XmlNode<char>* node) const
{
    WriteEachObject(node, GetOwnerDocument(node), "zbt:ParameterWithValue", m_items);
}

PointValueWithParameters::PointValueWithParameters(const XmlNode<char>* node)
{
    ReadDouble(node, m_value, "Value");
    ReadObject(node, "ValueParameters", m_parameters);
}

void PointValueWithParameters::CreateXMLNode(XmlNode<char>* node) const
{
    XmlDocument<char>* document = GetOwnerDocument(node);
    WriteText(node, document, "zbt:Value", DoubleToString(m_value));
    WriteObjectOrEmpty(node, document, "zbt:ValueParameters", m_parameters);
}

ParameterInformation::ParameterInformation(const XmlNode<char>* node)
{
    ReadObject(node, "ParameterReference", m_parameterReference);
    ReadText(node, m_name, "Name");
    ReadObject(node, "Unit", m_unit);
}

void ParameterInformation::CreateXMLNode(XmlNode<char>* node) const
{
    XmlDocument<char>* document = GetOwnerDocument(node);
    WriteObject(node, document, "zbt:ParameterReference", m_parameterReference);
    if (!m_name.empty()) {
        WriteText(node, document, "zbt:Name", m_name);
    }
    WriteObject(node, document, "zbt:Unit", m_unit);
}

Parameters::Parameters(const XmlNode<char>* node)
{
    ReadObjectList(node, "Parameter", m_parameters);
}

void Parameters::CreateXMLNode(XmlNode<char>* node) const
{
    WriteEachObject(node, GetOwnerDocument(node), "zbt:Parameter", m_parameters);
}

DorsaParameterValue::DorsaParameterValue(const XmlNode<char>* node)
{
    ReadDouble(node, m_value, "value");
    ReadText(node, m_valueName, "valueName");
    ReadObject(node, "revisionInfo", m_revisionInfo);
}

} // namespace zvrtkDorsaServiceLayer
