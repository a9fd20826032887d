#include "dorsa/values/DataValue.h"
#include "dorsa/xml/XmlBinding.h"

#include <algorithm>
#include <cctype>
#include <functional>

namespace zvrtkDorsaServiceLayer {

DataValueFactoryNew::Registry DataValueFactoryNew::s_factories;

namespace {
char LowerAscii(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}
} // namespace

std::size_t StringAHashI::operator()(const std::string& text) const
{
    std::string lower(text.size(), '\0');
    std::transform(text.begin(), text.end(), lower.begin(), LowerAscii);
    return std::hash<std::string>()(lower);
}

bool StringACompareI::operator()(const std::string& a, const std::string& b) const
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

void IDataValue::LoadCommonAttributes(const XmlNode<char>* node)
{
    ReadBoolAttribute(node, m_notApplicable, "isNotApplicable");
    if (FindAttribute("dataVersionNumber", node)) {
        m_versionAvailable = true;
        ReadIntAttribute(node, m_dataVersionNumber, "dataVersionNumber");
    }
    ReadBoolAttribute(node, m_fallback, "isFallback");
}

SmartPtr<IDataValue> DataValueFactoryNew::CreateOne(const std::string& typeCode, const XmlNode<char>* node)
{
    const auto found = s_factories.find(typeCode);
    return found == s_factories.end() ? nullptr : found->second->CreateInstance(node);
}

void DataValueFactoryNew::Register()
{
    s_factories.emplace(m_name, this);
}

void DataValueFactoryNew::Unregister()
{
    s_factories.erase(m_name);
}

void ContainedDataValueFactory::RegisterType(const std::string& elementName, const std::string& typeCode)
{
    m_typeCodes.emplace(elementName, typeCode);
}

SmartPtr<IDataValue> ContainedDataValueFactory::CreateOne(const XmlNode<char>* node, std::string* typeCodeOut) const
{
    const auto found = m_typeCodes.find(GetLocalName(node));
    if (found == m_typeCodes.end()) {
        return nullptr;
    }
    if (typeCodeOut) {
        *typeCodeOut = found->second;
    }
    return DataValueFactoryNew::CreateOne(found->second, node);
}

} // namespace zvrtkDorsaServiceLayer
