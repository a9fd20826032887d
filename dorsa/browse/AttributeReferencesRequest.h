#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/pipeline/IRequest.h"
#include "dorsa/references/AttributeReference.h"

#include <vector>

namespace zvrtkDorsaServiceLayer {

/// @brief A request naming attributes: "zbt:attributeReferences" with one "zbt:attribute"
/// per reference, written even when empty. Entries must not be null.
class DORSA_EXPORT AttributeReferencesRequest : public IRequest {
public:
    std::vector<SmartPtr<AttributeReference>>& AccessAttributeReferences() { return m_attributeReferences; }
    void AddAttributeReference(const SmartPtr<AttributeReference>& reference) { m_attributeReferences.push_back(reference); }

    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    std::vector<SmartPtr<AttributeReference>> m_attributeReferences;
};

} // namespace zvrtkDorsaServiceLayer
