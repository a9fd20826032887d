#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/platform/SmartPtr.h"
#include "dorsa/xml/XmlDom.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

// How a reply names the attribute a value belongs to. Read only.
class DORSA_EXPORT AttributeIdentifier : public SmartPtrTarget_ts {
public:
    AttributeIdentifier() = default;
    static SmartPtr<AttributeIdentifier> CreateOne(const XmlNode<char>* node);

    std::string GetAttributeName() const { return m_attributeName; }
    void SetAttributeName(const std::string& name) { m_attributeName = name; }
    int GetAttributeID() const { return m_attributeID; }
    void SetAttributeID(int id) { m_attributeID = id; }
    std::string GetStandardAttributeName() const { return m_standardAttributeName; }
    void SetStandardAttributeName(const std::string& name) { m_standardAttributeName = name; }

protected:
    explicit AttributeIdentifier(const XmlNode<char>* node);

private:
    std::string m_attributeName;
    int m_attributeID = 0;
    std::string m_standardAttributeName;
};

// An attribute together with the address to upload its file content to.
class DORSA_EXPORT AttributeAddress final : public AttributeIdentifier {
public:
    AttributeAddress() = default;
    static SmartPtr<AttributeAddress> CreateOne(const XmlNode<char>* node);

    std::string GetURL() const { return m_url; }
    void SetURL(const std::string& url) { m_url = url; }

private:
    explicit AttributeAddress(const XmlNode<char>* node);

    std::string m_url;
};

} // namespace zvrtkDorsaServiceLayer
