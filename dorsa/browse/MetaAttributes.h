/**
 * @file
 * @brief The GetMetaAttributes family: the meta-attributes that describe attributes.
 *
 * Holds AttributeMetaAttributes, GetMetaAttributesResponse and GetMetaAttributesImpl.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/browse/AttributeReferencesRequest.h"
#include "dorsa/pipeline/ResponseBase.h"
#include "dorsa/references/NamedEntities.h"
#include "dorsa/services/ServiceCatalogue.h"
#include "dorsa/xml/XmlReadable.h"

#include <vector>

namespace zvrtkDorsaServiceLayer {

/// @brief The meta-attributes attached to one attribute.
class DORSA_EXPORT AttributeMetaAttributes final : public SmartPtrTarget_ts,
                                                   public XmlReadable<AttributeMetaAttributes> {
public:
    AttributeMetaAttributes() = default;

    SmartPtr<AttributeReference> GetParentAttribute() const { return m_parentAttribute; }
    const std::vector<SmartPtr<NamedAttribute>>& GetMetaAttributes() const { return m_metaAttributes; }

private:
    friend XmlReadable<AttributeMetaAttributes>;
    explicit AttributeMetaAttributes(const XmlNode<char>* node);

    SmartPtr<AttributeReference> m_parentAttribute;
    std::vector<SmartPtr<NamedAttribute>> m_metaAttributes;
};

/// @brief Asks for the meta-attributes of attributes.
class DORSA_EXPORT GetMetaAttributesRequest final : public AttributeReferencesRequest {};

/// @brief The meta-attributes of the attributes asked for.
class DORSA_EXPORT GetMetaAttributesResponse final : public ResponseBase,
                                                     public XmlReadable<GetMetaAttributesResponse> {
public:
    GetMetaAttributesResponse() = default;

    std::vector<SmartPtr<AttributeMetaAttributes>>& GetAttributes() { return m_attributes; }

private:
    friend XmlReadable<GetMetaAttributesResponse>;
    /// Every "Attribute" child of the reply element itself; there is no container.
    explicit GetMetaAttributesResponse(const XmlNode<char>* node);

    std::vector<SmartPtr<AttributeMetaAttributes>> m_attributes;
};

/// @brief Fetches the meta-attributes of attributes.
class DORSA_EXPORT GetMetaAttributesImpl final
    : public OperationImpl<Catalogue::GetMetaAttributes, GetMetaAttributesRequest, GetMetaAttributesResponse> {
public:
    using OperationImpl::OperationImpl;

    void GetMetaAttributes(SmartPtr<GetMetaAttributesRequest> request, GetMetaAttributesResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

} // namespace zvrtkDorsaServiceLayer
