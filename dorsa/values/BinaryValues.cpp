#include "dorsa/values/BinaryValues.h"
#include "dorsa/platform/Base64.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

BinaryDataType::BinaryDataType(const XmlNode<char>* node)
{
    ReadText(node, m_contentType, "contentType");
    ReadText(node, m_base64Data, "data");
    ReadText(node, m_url, "URL");
}

std::string BinaryDataType::GetData() const
{
    std::string bytes;
    if (!m_base64Data.empty()) {
        Insecure::Crypto_Base64::Decode(m_base64Data, &bytes);
    }
    return bytes;
}

void BinaryDataType::SetData(const std::string& bytes)
{
    Insecure::Crypto_Base64::Encode(bytes, &m_base64Data);
}

void BinaryDataType::CreateXMLNode(XmlNode<char>* node) const
{
    XmlDocument<char>* document = GetOwnerDocument(node);
    WriteText(node, document, "zbt:data", m_base64Data);
    WriteText(node, document, "zbt:contentType", m_contentType);
}

FileDataType::FileDataType(const XmlNode<char>* node) : RegisteredDataType(node)
{
    ReadText(node, m_fileName, "fileName");
    ReadText(node, m_description, "description");
}

void FileDataType::CreateXMLNode(XmlNode<char>* node) const
{
    BinaryDataType::CreateXMLNode(node);
    XmlDocument<char>* document = GetOwnerDocument(node);
    WriteText(node, document, "zbt:fileName", m_fileName);
    WriteText(node, document, "zbt:description", m_description);
}

} // namespace zvrtkDorsaServiceLayer
