/**
 * @file
 * @brief The operation catalogue (CatalogueRow, the Catalogue rows, ServiceDescription and
 * the five Services) and OperationImpl, the base every operation class derives from.
 *
 * The road one call takes through the library, step by step, is drawn at the top of
 * `pipeline/Operation.h`.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/pipeline/Operation.h"
#include "dorsa/session/DorsaSession.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

/// @brief What the wire knows of one of the five SOAP services.
struct DORSA_EXPORT ServiceDescription {
    const char* prefix;   ///< bound to the service namespace in every envelope
    const char* name;     ///< last segment of the namespace URI
    const wchar_t* path;  ///< endpoint path under the session URL

    /// VendorNamespaceRoot + "/" + version + "/" + name.
    std::string Namespace(const std::string& version) const;
};

/// @brief The five services, as the catalogue rows and the facades name them. Constants in
/// the header, so that their addresses are constant in a host too: the address of an object
/// imported from a Windows DLL is known only at run time.
namespace Services {
inline constexpr ServiceDescription Browse{"brow", "Browse", L"/Browse.svc"};
inline constexpr ServiceDescription Search{"sear", "Search", L"/Search.svc"};
inline constexpr ServiceDescription DataExport{"exp", "DataExport", L"/DataExport.svc"};
inline constexpr ServiceDescription DataImport{"dat", "DataImport", L"/DataImport.svc"};
inline constexpr ServiceDescription EngineeringData{"eng", "EngineeringData", L"/EngineeringData.svc"};
} // namespace Services

/**
 * @brief One row of the operation catalogue: everything the wire knows of one operation.
 * The SOAP action is the service namespace + "/" + name + "Request".
 */
struct DORSA_EXPORT CatalogueRow {
    const ServiceDescription* service;
    const char* name;        ///< the operation name
    const char* rootTag;     ///< local name of the body element; null: the operation name
    const char* responseTag; ///< local name of the reply element; null: name + "Response"
};

/**
 * @brief The thirty operations the server offers, by operation name.
 *
 * A new operation touches, in this order:
 * 1. its family's header and source under `dorsa/<folder>/` (request, response and an
 *    OperationImpl class), the source listed in `DORSA_SOURCES` of `CMakeLists.txt` and the
 *    header included by `dorsa/ServiceLayer.h`;
 * 2. a row here, and its place in `s_rows`;
 * 3. its accessor on the service's facade in `services/ServiceFacades.h` and `.cpp`
 *    (or a note there that no facade hands it out);
 * 4. its row in the emulator (`tools/emulator/`: service, root tag, reply element and
 *    handler);
 * 5. a command of the `dorsa` tool (`tools/dorsa/`, a `...Commands.cpp` file) and its line in the tool's
 *    help;
 * 6. its line in the README's table of operations (with the header that declares it);
 * 7. tests: its case in `tests/services/CatalogueTest.cpp` (posting, reading, replacing),
 *    its wire and reply tests in `tests/<folder>/`, and the tool's and emulator's tests under
 *    `tests/tools/`.
 */
namespace Catalogue {
inline constexpr CatalogueRow GetDatabases{&Services::Browse, "GetDatabases", nullptr, nullptr};
inline constexpr CatalogueRow GetTables{&Services::Browse, "GetTables", nullptr, nullptr};
inline constexpr CatalogueRow GetSubsets{&Services::Browse, "GetSubsets", nullptr, nullptr};
inline constexpr CatalogueRow GetAttributeDetails{&Services::Browse, "GetAttributeDetails", nullptr, nullptr};
inline constexpr CatalogueRow GetAttributeMinMax{&Services::Browse, "GetAttributeMinMax", nullptr, nullptr};
inline constexpr CatalogueRow GetRecordAttributes{&Services::Browse, "GetRecordAttributes", nullptr, nullptr};
inline constexpr CatalogueRow GetUnitSystems{&Services::Browse, "GetUnitSystems", nullptr, nullptr};
inline constexpr CatalogueRow GetCurrencies{&Services::Browse, "GetCurrencies", nullptr, nullptr};
inline constexpr CatalogueRow GetUnitConversions{&Services::Browse, "GetUnitConversions",
                                                 "GetUnitConversionsRequest", nullptr};
inline constexpr CatalogueRow GetUnits{&Services::Browse, "GetUnits", "GetUnitsRequest", nullptr};
inline constexpr CatalogueRow GetRootNode{&Services::Browse, "GetRootNode", nullptr, nullptr};
inline constexpr CatalogueRow GetChildNodes{&Services::Browse, "GetChildNodes", nullptr, nullptr};
inline constexpr CatalogueRow GetRecordLinkGroups{&Services::Browse, "GetRecordLinkGroups", nullptr, nullptr};
inline constexpr CatalogueRow GetRecordVersions{&Services::Browse, "GetRecordVersions", nullptr, nullptr};
inline constexpr CatalogueRow GetLinkedRecords{&Services::Browse, "GetLinkedRecords", nullptr, nullptr};
inline constexpr CatalogueRow GetAttributeParameters{&Services::Browse, "GetAttributeParameters", nullptr,
                                                     nullptr};
inline constexpr CatalogueRow GetParameterDetails{&Services::Browse, "GetParameterDetails", nullptr, nullptr};
inline constexpr CatalogueRow GetMetaAttributes{&Services::Browse, "GetMetaAttributes", nullptr, nullptr};
inline constexpr CatalogueRow GetTreeRecords{&Services::Browse, "GetTreeRecords", nullptr, nullptr};
inline constexpr CatalogueRow SimpleTextSearch{&Services::Search, "SimpleTextSearch", nullptr, nullptr};
inline constexpr CatalogueRow CriteriaSearch{&Services::Search, "CriteriaSearch", nullptr,
                                             "SimpleTextSearchResponse"};
inline constexpr CatalogueRow RecordNameSearch{&Services::Search, "RecordNameSearch", nullptr,
                                               "SimpleTextSearchResponse"};
inline constexpr CatalogueRow GetRecordAttributesByRef{&Services::DataExport, "GetRecordAttributesByRef",
                                                       nullptr, nullptr};
inline constexpr CatalogueRow SetRecordAttributes{&Services::DataImport, "SetRecordAttributes",
                                                  "SetRecordAttributesRequest", nullptr};
inline constexpr CatalogueRow GetUploadAddresses{&Services::DataImport, "GetUploadAddresses",
                                                 "GetUploadAddressesRequest", nullptr};
inline constexpr CatalogueRow ModifyRecordLinks{&Services::DataImport, "ModifyRecordLinks",
                                                "ModifyRecordLinksRequest", nullptr};
inline constexpr CatalogueRow GetAvailableExporters{&Services::EngineeringData, "GetAvailableExporters",
                                                    nullptr, nullptr};
inline constexpr CatalogueRow ExportRecordData{&Services::EngineeringData, "ExportRecordData", nullptr,
                                               "text"};
inline constexpr CatalogueRow GetExporterParameters{&Services::EngineeringData, "GetExporterParameters",
                                                    nullptr, nullptr};
inline constexpr CatalogueRow ExportersForRecords{&Services::EngineeringData, "ExportersForRecords",
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
