#include "dorsa/values/DataValue.h"
#include "dorsa/xml/XmlBinding.h"

#include <algorithm>
#include <cstdint>

namespace zvrtkDorsaServiceLayer {

DataValueFactoryNew::Registry DataValueFactoryNew::s_factories;

namespace {
// ASCII only, whatever the locale: type codes are ASCII, and a locale's own lowering
// (a Turkish 'I') would make equal codes differ.
char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
} // namespace

// FNV-1a over the lowered bytes, without a lowered copy: it runs for every value read.
std::size_t StringAHashI::operator()(const std::string& text) const
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash = (hash ^ static_cast<unsigned char>(LowerAscii(c))) * 1099511628211ull;
    }
    return static_cast<std::size_t>(hash);
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
    const auto found = m_typeCodes.find(LocalNameView(node));
    if (found == m_typeCodes.end()) {
        return nullptr;
    }
    if (typeCodeOut) {
        *typeCodeOut = found->second;
    }
    return DataValueFactoryNew::CreateOne(found->second, node);
}

} // namespace zvrtkDorsaServiceLayer
