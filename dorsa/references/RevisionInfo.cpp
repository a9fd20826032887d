#include "dorsa/references/RevisionInfo.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

RevisionInfo::RevisionInfo(const XmlNode<char>* node)
{
    ReadText(node, m_modified, "modified");
    ReadText(node, m_modifiedUser, "modifiedUser");
    ReadText(node, m_created, "created");
    ReadText(node, m_createdUser, "createdUser");
    ReadInt(node, m_updateCount, "updateCount");
}

} // namespace zvrtkDorsaServiceLayer
