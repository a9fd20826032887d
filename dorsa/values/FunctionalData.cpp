#include "dorsa/values/FunctionalData.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

FloatFunctionalDataType::FloatFunctionalDataType(const XmlNode<char>* node)
{
    ReadObject(node, "Unit", m_unit);
    ReadObject(node, "Parameters", m_parameters);
}

void FloatFunctionalDataType::CreateXMLNode(XmlNode<char>* node) const
{
    XmlDocument<char>* document = GetOwnerDocument(node);
    WriteObjectOrEmpty(node, document, "zbt:Parameters", m_parameters);
    WriteObjectOrEmpty(node, document, "zbt:Unit", m_unit);
    WriteAttribute(node, document, "zbt:isNotApplicable", "false");
}

FloatFunctionalSeriesDataType::FloatFunctionalSeriesDataType(const XmlNode<char>* node) : RegisteredDataType(node)
{
    ReadObject(node, "Graph", m_graph);
}

void FloatFunctionalSeriesDataType::CreateXMLNode(XmlNode<char>* node) const
{
    FloatFunctionalDataType::CreateXMLNode(node);
    WriteObjectOrEmpty(node, GetOwnerDocument(node), "zbt:Graph", m_graph);
}

FloatFunctionalGriddedDataType::FloatFunctionalGriddedDataType(const XmlNode<char>* node) : RegisteredDataType(node)
{
    ReadObject(node, "Values", m_values);
    ReadObject(node, "DefaultXAxisParameter", m_defaultXAxisParameter);
    if (const XmlAttribute<char>* decoration = FindAttribute("decoration", node)) {
        m_decoration = GraphDecoration::FromString(GetText(decoration));
    }
}

void FloatFunctionalGriddedDataType::CreateXMLNode(XmlNode<char>* node) const
{
    FloatFunctionalDataType::CreateXMLNode(node);
    XmlDocument<char>* document = GetOwnerDocument(node);
    WriteObjectOrEmpty(node, document, "zbt:Values", m_values);
    WriteObject(node, document, "zbt:DefaultXAxisParameter", m_defaultXAxisParameter);
    WriteAttribute(node, document, "zbt:decoration", GraphDecoration::ToString(m_decoration));
}

} // namespace zvrtkDorsaServiceLayer
