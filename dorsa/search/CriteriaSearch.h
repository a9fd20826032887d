/**
 * @file
 * @brief The CriteriaSearch family: finding records by the values of their attributes.
 *
 * Holds RecordSearchCriterion, CriteriaSearch and CriteriaSearchImpl.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/browse/TableFilters.h"
#include "dorsa/pipeline/IRequest.h"
#include "dorsa/references/AttributeReference.h"
#include "dorsa/references/RecordFilter.h"
#include "dorsa/search/SearchValues.h"
#include "dorsa/search/TextSearch.h"
#include "dorsa/services/ServiceCatalogue.h"

#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// @brief One condition of a criteria search: an attribute and what its value must satisfy.
class DORSA_EXPORT RecordSearchCriterion final : public SmartPtrTarget_ts {
public:
    RecordSearchCriterion() = default;

    SmartPtr<AttributeReference> GetSearchAttribute() const { return m_searchAttribute; }
    void SetSearchAttribute(const SmartPtr<AttributeReference>& attribute) { m_searchAttribute = attribute; }
    SmartPtr<SearchValue> GetSearchValue() const { return m_searchValue; }
    void SetSearchValue(const SmartPtr<SearchValue>& value) { m_searchValue = value; }
    /// Kept for the caller; never sent.
    std::string GetSearchValueType() const { return m_searchValueType; }
    void SetSearchValueType(const std::string& type) { m_searchValueType = type; }

    /// @brief "sear:searchAttribute" and "sear:searchValue" holding the value's own element,
    /// each only when set.
    void CreateXMLNode(XmlNode<char>* element) const;

private:
    SmartPtr<AttributeReference> m_searchAttribute;
    SmartPtr<SearchValue> m_searchValue;
    std::string m_searchValueType;
};

/// @brief Finds the records of one database that satisfy every criterion.
class DORSA_EXPORT CriteriaSearch final : public IRequest {
public:
    CriteriaSearch() = default;

    std::string GetDBKey() const { return m_dbKey; }
    void SetDBKey(const std::string& dbKey) { m_dbKey = dbKey; }
    TableFilters::eTablesFilter GetSearchFilter() const { return m_searchFilter; }
    void SetSearchFilter(TableFilters::eTablesFilter filter) { m_searchFilter = filter; }
    SearchModes::eSearchMode GetSearchMode() const { return m_searchMode; }
    void SetSearchMode(SearchModes::eSearchMode mode) { m_searchMode = mode; }
    bool GetPopulateGUIDs() const { return m_populateGUIDs; }
    void SetPopulateGUIDs(bool populate) { m_populateGUIDs = populate; }
    SmartPtr<RecordFilter> GetRecordFilter() const { return m_recordFilter; }
    void SetRecordFilter(const SmartPtr<RecordFilter>& filter) { m_recordFilter = filter; }
    std::vector<SmartPtr<RecordSearchCriterion>>& AccessSearchCriterion() { return m_criteria; }
    /// @brief Appends @p criterion; an empty pointer is ignored.
    void AddSearchCriterion(const SmartPtr<RecordSearchCriterion>& criterion);

    /// @brief Key, the criteria in list order, then the search scope.
    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    std::string m_dbKey;
    TableFilters::eTablesFilter m_searchFilter = TableFilters::NoFilter;
    SearchModes::eSearchMode m_searchMode = SearchModes::NoMode;
    bool m_populateGUIDs = false;
    std::vector<SmartPtr<RecordSearchCriterion>> m_criteria;
    SmartPtr<RecordFilter> m_recordFilter;
};

/// @brief Searches a database by attribute criteria; answers as a text search does.
class DORSA_EXPORT CriteriaSearchImpl final
    : public OperationImpl<Catalogue::CriteriaSearch, CriteriaSearch, SimpleTextSearchResponse> {
public:
    using OperationImpl::OperationImpl;

    void Search(SmartPtr<CriteriaSearch> request, SimpleTextSearchResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

} // namespace zvrtkDorsaServiceLayer
