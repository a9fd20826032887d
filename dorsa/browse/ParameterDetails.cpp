#include "dorsa/browse/ParameterDetails.h"
#include "dorsa/xml/XmlBinding.h"

#include <string>
#include <unordered_map>

namespace zvrtkDorsaServiceLayer {

namespace {

// Written only by StaticInit, during library start-up; read-only afterwards.
template <class E>
std::unordered_map<std::string, E>& TextMap()
{
    static std::unordered_map<std::string, E> s_map;
    return s_map;
}

template <class E>
void FillTextMap(const char* const (&texts)[3])
{
    for (int value = 0; value < 3; ++value) {
        TextMap<E>().emplace(texts[value], static_cast<E>(value));
    }
}

// A text the map does not hold, a missing element included, reads as 0.
template <class E>
void ReadEnum(const XmlNode<char>* node, E& field, std::string_view localName)
{
    std::string text;
    ReadText(node, text, localName);
    const auto found = TextMap<E>().find(text);
    field = found == TextMap<E>().end() ? static_cast<E>(0) : found->second;
}

} // namespace

void ParameterDetail::StaticInit()
{
    FillTextMap<ScaleType::eScaleType>({"NotSet", "Linear", "Log"});
    FillTextMap<Interpolation::eInterpolation>({"None", "Linear", "CubicSpline"});
    FillTextMap<ParameterType::eParameterType>({"NumericUnrestricted", "NumericRestricted", "Discrete"});
}

ParameterDetail::ParameterDetail(const XmlNode<char>* node) : ParameterInformation(node)
{
    ReadObject(node, "defaultValue", m_defaultValue);
    ReadEnum(node, m_scaleType, "scaleType");
    ReadEnum(node, m_interpolationType, "interpolationMethod");
    ReadEnum(node, m_parameterType, "parameterType");
    ReadObject(node, "revisionInfo", m_revisionInfo);
    ReadObject(node, "helpInfo", m_helpInfo);
    ReadObjectList(node, "parameterValues", "parameterValue", m_parameterValues);
    if (const XmlNode<char>* appliesTo = FindChildElement("appliesTo", node)) {
        ReadObject(appliesTo, "attributeReference", m_appliesToAttribute);
        ReadObject(appliesTo, "recordReference", m_appliesToRecord);
        ReadInt(appliesTo, m_order, "order");
    }
}

void ParameterDetail::CreateXMLNode(XmlNode<char>*) const {}

ParameterDetailsReply::ParameterDetailsReply(const XmlNode<char>* node)
{
    ReadObjectList(node, "parameterDetails", "parameterDetail", m_attributeParameters);
}

void GetParameterDetailsRequest::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteReferenceList(element, document, "zbt:parameterReferences", "zbt:parameter", m_parameterReferences);
    WriteObject(element, document, "brow:functionalAttribute", m_functionalAttribute);
    WriteObject(element, document, "brow:recordReference", m_recordReference);
}

} // namespace zvrtkDorsaServiceLayer
