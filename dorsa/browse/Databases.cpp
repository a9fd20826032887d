#include "dorsa/browse/Databases.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

GetDatabasesResponse::GetDatabasesResponse(const XmlNode<char>* node)
{
    ReadObjectList(node, "databaseDetails", "database", m_databases);
}

} // namespace zvrtkDorsaServiceLayer
