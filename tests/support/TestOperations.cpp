#include "support/TestOperations.h"

namespace dorsatest {

using namespace zvrtkDorsaServiceLayer;

namespace {
const std::wstring s_browsePath = L"/Browse.svc";
} // namespace

std::string BrowseNamespace()
{
    return std::string(VendorNamespaceRoot) + "/16/01/Browse";
}

void KeyRequest::CreateXMLNode(XmlNode<char>* element) const
{
    WriteText(element, GetOwnerDocument(element), "brow:dbKey", m_key);
}

SmartPtr<ValueResponse> ValueResponse::CreateOne(const XmlNode<char>* element)
{
    SmartPtr<ValueResponse> response = new ValueResponse;
    response->m_value.clear();
    ReadText(element, response->m_value, "value");
    ReadInt(element, response->m_count, "count");
    return response;
}

KeyOperation::KeyOperation(DorsaSession* session) : Operation(session, BrowseNamespace(), "brow") {}

const std::string& KeyOperation::GetOperationName() const
{
    static const std::string s_name = "GetTables";
    return s_name;
}

const std::wstring& KeyOperation::GetService() const
{
    return s_browsePath;
}

NoRequestOperation::NoRequestOperation(DorsaSession* session) : Operation(session, BrowseNamespace(), "brow") {}

const std::string& NoRequestOperation::GetOperationName() const
{
    static const std::string s_name = "GetDatabases";
    return s_name;
}

const std::wstring& NoRequestOperation::GetService() const
{
    return s_browsePath;
}

} // namespace dorsatest
