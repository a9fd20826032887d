/**
 * @file
 * @brief How replies name the attribute a value or an upload address belongs to.
 *
 * Holds AttributeIdentifier and AttributeAddress.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/platform/SmartPtr.h"
#include "dorsa/xml/XmlDom.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

/// How a reply names the attribute a value belongs to. Read only.
class DORSA_EXPORT AttributeIdentifier : public SmartPtrTarget_ts, public XmlReadable<AttributeIdentifier> {
public:
    AttributeIdentifier() = default;

    std::string GetAttributeName() const { return m_attributeName; }
    void SetAttributeName(const std::string& name) { m_attributeName = name; }
    int GetAttributeID() const { return m_attributeID; }
    void SetAttributeID(int id) { m_attributeID = id; }
    std::string GetStandardAttributeName() const { return m_standardAttributeName; }
    void SetStandardAttributeName(const std::string& name) { m_standardAttributeName = name; }

protected:
    friend XmlReadable<AttributeIdentifier>;
    explicit AttributeIdentifier(const XmlNode<char>* node);

private:
    std::string m_attributeName;
    int m_attributeID = 0;
    std::string m_standardAttributeName;
};

/// An attribute together with the address to upload its file content to.
class DORSA_EXPORT AttributeAddress final : public AttributeIdentifier, public XmlReadable<AttributeAddress> {
public:
    AttributeAddress() = default;
    using XmlReadable<AttributeAddress>::CreateOne;

    std::string GetURL() const { return m_url; }
    void SetURL(const std::string& url) { m_url = url; }

private:
    friend XmlReadable<AttributeAddress>;
    explicit AttributeAddress(const XmlNode<char>* node);

    std::string m_url;
};

} // namespace zvrtkDorsaServiceLayer
