#include "dorsa/browse/Databases.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

const std::wstring GetDatabaseImpl::s_service = BrowseService::s_description.path;
const std::string GetDatabaseImpl::s_soapAction = "GetDatabases";

GetDatabasesResponse::GetDatabasesResponse(const XmlNode<char>* node)
{
    ReadObjectList(node, "databaseDetails", "database", m_databases);
}

SmartPtr<GetDatabasesResponse> GetDatabasesResponse::CreateOne(const XmlNode<char>* node)
{
    return node ? new GetDatabasesResponse(node) : nullptr;
}

} // namespace zvrtkDorsaServiceLayer
