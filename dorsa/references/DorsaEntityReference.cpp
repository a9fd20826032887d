#include "dorsa/references/DorsaEntityReference.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

DorsaEntityReference::DorsaEntityReference(const XmlNode<char>* node)
{
    ReadText(node, m_dbKey, "dbKey");
}

void DorsaEntityReference::CreateXMLNode(XmlNode<char>* parent) const
{
    WriteText(parent, GetOwnerDocument(parent), "zbt:dbKey", m_dbKey);
}

DorsaDatabase::DorsaDatabase(const XmlNode<char>* node) : DorsaEntityReference(node)
{
    ReadText(node, m_volumeName, "volumeName");
}

} // namespace zvrtkDorsaServiceLayer
