#include "dorsa/references/ParameterReference.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

ParameterReference::ParameterReference(const XmlNode<char>* node) : DorsaEntityReference(node)
{
    ReadInt(node, m_id, "parameterIdentity");
    ReadText(node, m_name, "name");
}

void ParameterReference::CreateXMLNode(XmlNode<char>* parent) const
{
    XmlDocument<char>* document = GetOwnerDocument(parent);
    DorsaEntityReference::CreateXMLNode(parent);
    if (m_id != 0) {
        WriteInt(parent, document, "zbt:parameterIdentity", m_id);
    } else if (!m_name.empty()) {
        WriteText(parent, document, "zbt:name", m_name);
    }
}

} // namespace zvrtkDorsaServiceLayer
