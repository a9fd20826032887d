/**
 * @file
 * @brief The SimpleTextSearch and RecordNameSearch families, and the hits all searches answer with.
 *
 * Holds SearchModes, SearchResult, SimpleTextSearchResponse, SimpleTextSearch,
 * RecordNameSearchRequest, SimpleTextSearchImpl and RecordNameSearchImpl.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/browse/TableFilters.h"
#include "dorsa/pipeline/IRequest.h"
#include "dorsa/pipeline/ResponseBase.h"
#include "dorsa/references/NamedEntities.h"
#include "dorsa/references/RecordFilter.h"
#include "dorsa/references/TableReference.h"
#include "dorsa/services/ServiceCatalogue.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// @brief Whether a search runs as a normal or a read-only search, or names no mode.
struct DORSA_EXPORT SearchModes {
    enum eSearchMode : int {
        Normal = 0,
        ReadOnly = 1,
        NoMode = 2,
    };

    /// @brief "Normal", "ReadOnly", or "" for NoMode and any value outside the table.
    static std::string ToString(eSearchMode mode);
};

/// @brief One hit of a search: the record with its names, and how the server ranks,
/// colours and types it (all kept as the server's text).
class DORSA_EXPORT SearchResult final : public NamedRecord, public XmlReadable<SearchResult> {
public:
    SearchResult() = default;
    using XmlReadable<SearchResult>::CreateOne; ///< hides the base's

    const std::string& GetRanking() const { return m_ranking; }
    const std::string& GetColor() const { return m_color; }
    const std::string& GetRecordType() const { return m_recordType; }

private:
    friend XmlReadable<SearchResult>;
    explicit SearchResult(const XmlNode<char>* node);

    std::string m_ranking;
    std::string m_color;
    std::string m_recordType;
};

/// @brief The ranked hits of any of the three searches, in reply order. A reply without
/// "SimpleTextSearchResponse" leaves the caller's response as it was.
class DORSA_EXPORT SimpleTextSearchResponse final : public ResponseBase, public XmlReadable<SimpleTextSearchResponse> {
public:
    SimpleTextSearchResponse() = default;

    std::vector<SmartPtr<SearchResult>>& AccessSearchResults() { return m_searchResults; }
    void AddSearchResult(const SmartPtr<SearchResult>& result) { m_searchResults.push_back(result); }

private:
    friend XmlReadable<SimpleTextSearchResponse>;
    explicit SimpleTextSearchResponse(const XmlNode<char>* node);

    std::vector<SmartPtr<SearchResult>> m_searchResults;
};

/// @brief Free-text search over one database, optionally within tables, a table filter
/// and a record filter.
class DORSA_EXPORT SimpleTextSearch final : public IRequest {
public:
    SimpleTextSearch() = default;

    std::string GetDBKey() const { return m_dbKey; }
    void SetDBKey(const std::string& dbKey) { m_dbKey = dbKey; }
    std::string GetSearchValue() const { return m_searchValue; }
    void SetSearchValue(const std::string& text) { m_searchValue = text; }
    TableFilters::eTablesFilter GetSearchFilter() const { return m_searchFilter; }
    void SetSearchFilter(TableFilters::eTablesFilter filter) { m_searchFilter = filter; }
    SearchModes::eSearchMode GetSearchMode() const { return m_searchMode; }
    void SetSearchMode(SearchModes::eSearchMode mode) { m_searchMode = mode; }
    bool GetPopulateGUIDs() const { return m_populateGUIDs; }
    void SetPopulateGUIDs(bool populate) { m_populateGUIDs = populate; }
    SmartPtr<RecordFilter> GetRecordFilter() const { return m_recordFilter; }
    void SetRecordFilter(const SmartPtr<RecordFilter>& filter) { m_recordFilter = filter; }
    std::vector<SmartPtr<PartialTableReference>>& AccessRestrictToTables() { return m_restrictToTables; }
    void SetRestrictToTables(const std::vector<SmartPtr<PartialTableReference>>& tables)
    {
        m_restrictToTables = tables;
    }
    void AddRestrictToTables(const SmartPtr<PartialTableReference>& table) { m_restrictToTables.push_back(table); }

    /// @brief Key and text, then the search scope; the table list only when not empty.
    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    std::string m_dbKey;
    std::string m_searchValue;
    TableFilters::eTablesFilter m_searchFilter = TableFilters::NoFilter;
    SearchModes::eSearchMode m_searchMode = SearchModes::NoMode;
    bool m_populateGUIDs = false;
    SmartPtr<RecordFilter> m_recordFilter;
    std::vector<SmartPtr<PartialTableReference>> m_restrictToTables;
};

/// @brief Finds the records of one table by their full or short name.
class DORSA_EXPORT RecordNameSearchRequest final : public IRequest {
public:
    RecordNameSearchRequest() = default;

    SmartPtr<TableReference> GetTable() const { return m_table; }
    void SetTable(const SmartPtr<TableReference>& table) { m_table = table; }
    std::string GetRecordName() const { return m_recordName; }
    void SetRecordName(const std::string& name) { m_recordName = name; }
    SmartPtr<RecordFilter> GetFilter() const { return m_filter; }
    void SetFilter(const SmartPtr<RecordFilter>& filter) { m_filter = filter; }
    bool GetPopulateGUIDs() const { return m_populateGUIDs; }
    void SetPopulateGUIDs(bool populate) { m_populateGUIDs = populate; }
    bool GetSearchFullNames() const { return m_searchFullNames; }
    void SetSearchFullNames(bool search) { m_searchFullNames = search; }
    bool GetSearchShortNames() const { return m_searchShortNames; }
    void SetSearchShortNames(bool search) { m_searchShortNames = search; }
    bool GetCaseSensitiveNames() const { return m_caseSensitiveNames; }
    void SetCaseSensitiveNames(bool caseSensitive) { m_caseSensitiveNames = caseSensitive; }

    /// @brief Table, name and filter, then "sear:options" carrying the four switches as "1"/"0".
    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    SmartPtr<TableReference> m_table;
    std::string m_recordName;
    SmartPtr<RecordFilter> m_filter;
    bool m_populateGUIDs = false;
    bool m_searchFullNames = true;
    bool m_searchShortNames = false;
    bool m_caseSensitiveNames = false;
};

/// @brief Searches a database for free text.
class DORSA_EXPORT SimpleTextSearchImpl final
    : public OperationImpl<Catalogue::SimpleTextSearch, SimpleTextSearch, SimpleTextSearchResponse> {
public:
    using OperationImpl::OperationImpl;

    void Search(SmartPtr<SimpleTextSearch> request, SimpleTextSearchResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

/// @brief Searches a table for records by name.
class DORSA_EXPORT RecordNameSearchImpl final
    : public OperationImpl<Catalogue::RecordNameSearch, RecordNameSearchRequest, SimpleTextSearchResponse> {
public:
    using OperationImpl::OperationImpl;

    void RecordNameSearch(SmartPtr<RecordNameSearchRequest> request, SimpleTextSearchResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

} // namespace zvrtkDorsaServiceLayer
