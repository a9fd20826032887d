#include "dorsa/browse/GraphDomain.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

ParameterDomain::ParameterDomain(const XmlNode<char>* node)
{
    ReadObjectList(node, "Values", "Value", m_values);
    ReadBoolAttribute(node, m_interpolable, "interpolable");
    ReadAttribute(node, m_exporterParameterId, "exporterParameterId");
}

GraphDomain::GraphDomain(const XmlNode<char>* node)
{
    ReadObjectList(node, "ParameterDomains", "ParameterDomain", m_parameterDomains);
}

} // namespace zvrtkDorsaServiceLayer
