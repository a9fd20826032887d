#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/pipeline/Operation.h"
#include "dorsa/session/DorsaSession.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

/// @brief What the wire knows of one of the five SOAP services.
struct DORSA_EXPORT ServiceDescription {
    const char* prefix;   // bound to the service namespace in every envelope
    const char* name;     // last segment of the namespace URI
    const wchar_t* path;  // endpoint path under the session URL

    // VendorNamespaceRoot + "/" + version + "/" + name.
    std::string Namespace(const std::string& version) const;
};

class DORSA_EXPORT BrowseService {
public:
    static const ServiceDescription s_description;
    static std::string GetBrowseDefinition(const std::string& version);
};

class DORSA_EXPORT SearchService {
public:
    static const ServiceDescription s_description;
    static std::string GetSearchDefinition(const std::string& version);
};

class DORSA_EXPORT DataExportService {
public:
    static const ServiceDescription s_description;
    static std::string GetDataExportDefinition(std::string version);
};

class DORSA_EXPORT DataImportService {
public:
    static const ServiceDescription s_description;
    static std::string GetDataImportDefinition(const std::string& version);
};

class DORSA_EXPORT EngineeringDataService {
public:
    static const ServiceDescription s_description;
    static std::string GetEngineeringDataDefinition(const std::string& version);
};

/**
 * @brief One row of the operation catalogue: everything the wire knows of one operation.
 * The SOAP action is the service namespace + "/" + name + "Request".
 */
struct DORSA_EXPORT CatalogueRow {
    const ServiceDescription* service;
    const char* name;        // the operation name
    const char* rootTag;     // local name of the body element; null: the operation name
    const char* responseTag; // local name of the reply element; null: name + "Response"
};

/// @brief The thirty operations the server offers, by operation name.
namespace Catalogue {
inline constexpr CatalogueRow GetDatabases{&BrowseService::s_description, "GetDatabases", nullptr, nullptr};
inline constexpr CatalogueRow GetTables{&BrowseService::s_description, "GetTables", nullptr, nullptr};
inline constexpr CatalogueRow GetSubsets{&BrowseService::s_description, "GetSubsets", nullptr, nullptr};
inline constexpr CatalogueRow GetAttributeDetails{&BrowseService::s_description, "GetAttributeDetails", nullptr, nullptr};
inline constexpr CatalogueRow GetAttributeMinMax{&BrowseService::s_description, "GetAttributeMinMax", nullptr, nullptr};
inline constexpr CatalogueRow GetRecordAttributes{&BrowseService::s_description, "GetRecordAttributes", nullptr, nullptr};
inline constexpr CatalogueRow GetUnitSystems{&BrowseService::s_description, "GetUnitSystems", nullptr, nullptr};
inline constexpr CatalogueRow GetCurrencies{&BrowseService::s_description, "GetCurrencies", nullptr, nullptr};
inline constexpr CatalogueRow GetUnitConversions{&BrowseService::s_description, "GetUnitConversions",
                                                 "GetUnitConversionsRequest", nullptr};
inline constexpr CatalogueRow GetUnits{&BrowseService::s_description, "GetUnits", "GetUnitsRequest", nullptr};
inline constexpr CatalogueRow GetRootNode{&BrowseService::s_description, "GetRootNode", nullptr, nullptr};
inline constexpr CatalogueRow GetChildNodes{&BrowseService::s_description, "GetChildNodes", nullptr, nullptr};
inline constexpr CatalogueRow GetRecordLinkGroups{&BrowseService::s_description, "GetRecordLinkGroups", nullptr, nullptr};
inline constexpr CatalogueRow GetRecordVersions{&BrowseService::s_description, "GetRecordVersions", nullptr, nullptr};
inline constexpr CatalogueRow GetLinkedRecords{&BrowseService::s_description, "GetLinkedRecords", nullptr, nullptr};
inline constexpr CatalogueRow GetAttributeParameters{&BrowseService::s_description, "GetAttributeParameters", nullptr,
                                                     nullptr};
inline constexpr CatalogueRow GetParameterDetails{&BrowseService::s_description, "GetParameterDetails", nullptr, nullptr};
inline constexpr CatalogueRow GetMetaAttributes{&BrowseService::s_description, "GetMetaAttributes", nullptr, nullptr};
inline constexpr CatalogueRow GetTreeRecords{&BrowseService::s_description, "GetTreeRecords", nullptr, nullptr};
inline constexpr CatalogueRow SimpleTextSearch{&SearchService::s_description, "SimpleTextSearch", nullptr, nullptr};
inline constexpr CatalogueRow CriteriaSearch{&SearchService::s_description, "CriteriaSearch", nullptr,
                                             "SimpleTextSearchResponse"};
inline constexpr CatalogueRow RecordNameSearch{&SearchService::s_description, "RecordNameSearch", nullptr,
                                               "SimpleTextSearchResponse"};
inline constexpr CatalogueRow GetRecordAttributesByRef{&DataExportService::s_description, "GetRecordAttributesByRef",
                                                       nullptr, nullptr};
inline constexpr CatalogueRow SetRecordAttributes{&DataImportService::s_description, "SetRecordAttributes",
                                                  "SetRecordAttributesRequest", nullptr};
inline constexpr CatalogueRow GetUploadAddresses{&DataImportService::s_description, "GetUploadAddresses",
                                                 "GetUploadAddressesRequest", nullptr};
inline constexpr CatalogueRow ModifyRecordLinks{&DataImportService::s_description, "ModifyRecordLinks",
                                                "ModifyRecordLinksRequest", nullptr};
inline constexpr CatalogueRow GetAvailableExporters{&EngineeringDataService::s_description, "GetAvailableExporters",
                                                    nullptr, nullptr};
inline constexpr CatalogueRow ExportRecordData{&EngineeringDataService::s_description, "ExportRecordData", nullptr,
                                               "text"};
inline constexpr CatalogueRow GetExporterParameters{&EngineeringDataService::s_description, "GetExporterParameters",
                                                    nullptr, nullptr};
inline constexpr CatalogueRow ExportersForRecords{&EngineeringDataService::s_description, "ExportersForRecords",
                                                  nullptr, nullptr};

/// @brief Every row, in catalogue order.
inline constexpr const CatalogueRow* s_rows[] = {
    &GetDatabases, &GetTables, &GetSubsets, &GetAttributeDetails, &GetAttributeMinMax, &GetRecordAttributes,
    &GetUnitSystems, &GetCurrencies, &GetUnitConversions, &GetUnits, &GetRootNode, &GetChildNodes,
    &GetRecordLinkGroups, &GetRecordVersions, &GetLinkedRecords, &GetAttributeParameters, &GetParameterDetails,
    &GetMetaAttributes, &GetTreeRecords, &SimpleTextSearch, &CriteriaSearch, &RecordNameSearch,
    &GetRecordAttributesByRef, &SetRecordAttributes, &GetUploadAddresses, &ModifyRecordLinks, &GetAvailableExporters,
    &ExportRecordData, &GetExporterParameters, &ExportersForRecords,
};
} // namespace Catalogue

/**
 * @brief The shape every operation class shares: the operation's catalogue row, its request
 * and its response type. `s_service` (endpoint path) and `s_soapAction` (operation name)
 * come from the row:
 *
 *     class GetTablesImpl final : public OperationImpl<Catalogue::GetTables, GetTables, GetTablesResponse>
 */
template <const CatalogueRow& Row, class Request, class Response>
class OperationImpl : public Operation<Request, Response> {
public:
    inline static const std::wstring s_service = Row.service->path;
    inline static const std::string s_soapAction = Row.name;

    explicit OperationImpl(DorsaSession* session)
        : Operation<Request, Response>(session, Row.service->Namespace(session->GetInterfaceVersion()),
                                       Row.service->prefix)
    {
    }

protected:
    const std::string& GetOperationName() const override { return s_soapAction; }
    const std::wstring& GetService() const override { return s_service; }
    std::string GetRootTagName() const override
    {
        return Row.rootTag ? std::string(Row.rootTag) : Operation<Request, Response>::GetRootTagName();
    }
    std::string GetResponseTagName() const override
    {
        return Row.responseTag ? std::string(Row.responseTag) : Operation<Request, Response>::GetResponseTagName();
    }
};

} // namespace zvrtkDorsaServiceLayer
