/**
 * @file
 * @brief The GetTables family: the tables of a database.
 *
 * Holds GetTables, TableDetail, GetTablesResponse and GetTablesImpl.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/browse/TableFilters.h"
#include "dorsa/pipeline/IRequest.h"
#include "dorsa/pipeline/ResponseBase.h"
#include "dorsa/references/AttributeReference.h"
#include "dorsa/references/TableReference.h"
#include "dorsa/services/ServiceCatalogue.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// @brief Asks for the tables of a database, optionally of one kind and with their attributes.
class DORSA_EXPORT GetTables final : public IRequest {
public:
    enum eAttributeSelector : int {
        NonMetaAttributes = 1,
        MetaAttributes = 2,
        StandardAttributes = 3,
    };

    GetTables() = default;

    std::string GetDBKey() const { return m_dbKey; }
    void SetDBKey(const std::string& dbKey) { m_dbKey = dbKey; }
    TableFilters::eTablesFilter GetTableFilter() const { return m_tableFilter; }
    void SetTableFilter(TableFilters::eTablesFilter filter) { m_tableFilter = filter; }
    std::vector<eAttributeSelector>& AccessAttributeSelectors() { return m_attributeSelectors; }
    void SetAttributeSelectors(const std::vector<eAttributeSelector>& selectors) { m_attributeSelectors = selectors; }
    void AddAttributeSelector(eAttributeSelector selector) { m_attributeSelectors.push_back(selector); }

    /// The wire name of a selector; "" for a value outside the table.
    static std::string AttributeSelector_ToString(eAttributeSelector selector);
    /// The selector with exactly this name, or 0.
    static eAttributeSelector AttributeSelector_FromString(const std::string& name);

    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    std::string m_dbKey;
    TableFilters::eTablesFilter m_tableFilter = TableFilters::NoFilter;
    std::vector<eAttributeSelector> m_attributeSelectors;
};

/// @brief One table with its attributes and the filters it matches.
class DORSA_EXPORT TableDetail final : public SmartPtrTarget_ts, public XmlReadable<TableDetail> {
public:
    TableDetail() = default;

    SmartPtr<TableReference> GetTableReference() const { return m_table; }
    void SetTableReference(const SmartPtr<TableReference>& table) { m_table = table; }
    std::vector<SmartPtr<AttributeReference>>& AccessAttributeReferences() { return m_attributeReferences; }
    void AddAttributeReferences(const SmartPtr<AttributeReference>& attribute) { m_attributeReferences.push_back(attribute); }
    std::vector<SmartPtr<AttributeReference>>& AccessStandardAttributeReferences() { return m_standardAttributeReferences; }
    std::vector<TableFilters::eTablesFilter>& AccessTableFilters() { return m_tableFilters; }

    /// The table and its attribute references; standard attributes and filters are not written.
    void CreateXMLNode(XmlNode<char>* element) const;

private:
    friend XmlReadable<TableDetail>;
    explicit TableDetail(const XmlNode<char>* node);

    SmartPtr<TableReference> m_table;
    std::vector<SmartPtr<AttributeReference>> m_attributeReferences;
    std::vector<SmartPtr<AttributeReference>> m_standardAttributeReferences;
    std::vector<TableFilters::eTablesFilter> m_tableFilters;
};

/// @brief The tables of a database.
class DORSA_EXPORT GetTablesResponse final : public ResponseBase, public XmlReadable<GetTablesResponse> {
public:
    GetTablesResponse() = default;

    std::vector<SmartPtr<TableDetail>>& AccessTableDetails() { return m_tableDetails; }
    void AddTableDetail(SmartPtr<TableDetail> detail) { m_tableDetails.push_back(detail); }

private:
    friend XmlReadable<GetTablesResponse>;
    explicit GetTablesResponse(const XmlNode<char>* node);

    std::vector<SmartPtr<TableDetail>> m_tableDetails;
};

/// @brief Lists the tables of a database.
class DORSA_EXPORT GetTablesImpl final : public OperationImpl<Catalogue::GetTables, GetTables, GetTablesResponse> {
public:
    using OperationImpl::OperationImpl;

    void RequestTables(SmartPtr<GetTables> request, GetTablesResponse* response) { ExecuteRequest(request, response); }
};

} // namespace zvrtkDorsaServiceLayer
