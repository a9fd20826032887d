#include "support/TestOperations.h"

namespace dorsatest {

using namespace zvrtkDorsaServiceLayer;

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

} // namespace dorsatest
