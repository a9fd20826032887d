/**
 * @file
 * @brief The GetSubsets family: the subsets of a table.
 *
 * Holds GetSubsets, SubsetDetail, GetSubsetsResponse and GetSubsetsImpl.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/pipeline/IRequest.h"
#include "dorsa/pipeline/ResponseBase.h"
#include "dorsa/references/NamedEntities.h"
#include "dorsa/references/SubsetReference.h"
#include "dorsa/references/TableReference.h"
#include "dorsa/services/ServiceCatalogue.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// @brief Asks for the subsets of a table, or for the given subsets.
class DORSA_EXPORT GetSubsets final : public IRequest {
public:
    GetSubsets() = default;

    SmartPtr<TableReference> GetTable() const { return m_table; }
    void SetTable(SmartPtr<TableReference> table) { m_table = table; }
    std::vector<SmartPtr<SubsetReference>>& AccessSubsetReferneces() { return m_subsetReferences; }
    void AddSubsetRefernece(const SmartPtr<SubsetReference>& subset) { m_subsetReferences.push_back(subset); }

    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    std::vector<SmartPtr<SubsetReference>> m_subsetReferences;
    SmartPtr<TableReference> m_table;
};

/// @brief A subset with its name and the table it belongs to.
class DORSA_EXPORT SubsetDetail final : public NamedSubset, public XmlReadable<SubsetDetail> {
public:
    SubsetDetail() = default;
    using XmlReadable<SubsetDetail>::CreateOne; ///< hides the base's

    /// The subset's table; an empty reference when the reply named none.
    SmartPtr<TableReference> GetTableReference() const { return m_table; }

private:
    friend XmlReadable<SubsetDetail>;
    explicit SubsetDetail(const XmlNode<char>* node);

    SmartPtr<TableReference> m_table;
};

/// @brief The subsets of a table.
class DORSA_EXPORT GetSubsetsResponse final : public ResponseBase, public XmlReadable<GetSubsetsResponse> {
public:
    GetSubsetsResponse() = default;

    std::vector<SmartPtr<SubsetDetail>>& AccessSubsetDetails() { return m_subsetDetails; }

private:
    friend XmlReadable<GetSubsetsResponse>;
    explicit GetSubsetsResponse(const XmlNode<char>* node);

    std::vector<SmartPtr<SubsetDetail>> m_subsetDetails;
};

/// @brief Lists the subsets of a table.
class DORSA_EXPORT GetSubsetsImpl final
    : public OperationImpl<Catalogue::GetSubsets, GetSubsets, GetSubsetsResponse> {
public:
    using OperationImpl::OperationImpl;

    void GetSubsets(SmartPtr<zvrtkDorsaServiceLayer::GetSubsets> request, GetSubsetsResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

} // namespace zvrtkDorsaServiceLayer
