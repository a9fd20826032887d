// Every operation of the catalogue, called with a default request through the facades of
// one services object (GetTreeRecords and ModifyRecordLinks, which belong to none, made on
// its session) against the
// loopback server: the endpoint it posts to, its SOAP action and body element, and the
// reply element it reads. Where to post and what to send is checked against the
// emulator's own list of the operations, kept apart from the library's catalogue.

#include "support/SessionFixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <string>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

const char s_version[] = "16/01";

// One operation: its call with a default request, the reply element it must read with
// the content it is given, and whether it read that content.
struct CatalogueCase {
    const char* operation;
    const char* responseElement;
    const char* replyContent;
    std::function<bool(DorsaServiceLayerServices&)> call;
};

// Calls the member with a new default request and says whether `read` holds of the response.
template <class Request, class Response, class Operation, class Member, class Check>
bool CallWithDefaults(Operation& operation, Member member, Check read)
{
    Response response;
    (operation.*member)(SmartPtr<Request>(new Request), &response);
    return read(response);
}

bool FoundOne(SimpleTextSearchResponse& response)
{
    return response.AccessSearchResults().size() == 1;
}

const CatalogueCase s_cases[] = {
    {"GetDatabases", "GetDatabasesResponse", "<databaseDetails><database/></databaseDetails>",
     [](DorsaServiceLayerServices& s) {
         GetDatabasesResponse response;
         s.GetBrowseService()->GetGetDatabaseImpl()->GetDatabases(&response);
         return response.AccessDatabases().size() == 1;
     }},
    {"GetTables", "GetTablesResponse", "<tableDetails><table/></tableDetails>",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<GetTables, GetTablesResponse>(*s.GetBrowseService()->GetGetTablesImpl(), &GetTablesImpl::RequestTables,
                                                               [](GetTablesResponse& r) { return r.AccessTableDetails().size() == 1; });
     }},
    {"GetSubsets", "GetSubsetsResponse", "<subsetDetails><subsetDetail/></subsetDetails>",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<GetSubsets, GetSubsetsResponse>(*s.GetBrowseService()->GetGetSubsetsImpl(), &GetSubsetsImpl::GetSubsets,
                                                                 [](GetSubsetsResponse& r) { return r.AccessSubsetDetails().size() == 1; });
     }},
    {"GetAttributeDetails", "GetAttributeDetailsResponse", "<attributeDetails><attributeDetail/></attributeDetails>",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<GetAttributeDetailsRequest, GetAttributeDetailsResponse>(
             *s.GetBrowseService()->GetGetAttributeDetailsImpl(), &GetAttributeDetailsImpl::RequestAttributeDetails,
             [](GetAttributeDetailsResponse& r) { return r.AccessAttributeDetails().size() == 1; });
     }},
    {"GetAttributeMinMax", "GetAttributeMinMaxResponse", "<minMaxes><minMax/></minMaxes>",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<GetAttributeMinMaxRequest, GetAttributeMinMaxResponse>(
             *s.GetBrowseService()->GetGetAttributeMinMaxImpl(), &GetAttributeMinMaxImpl::RequestAttributeMinMax,
             [](GetAttributeMinMaxResponse& r) { return r.AccessAttributeMinMaxes().size() == 1; });
     }},
    {"GetRecordAttributes", "GetRecordAttributesResponse", "<recordAttributes><recordAttribute/></recordAttributes>",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<GetRecordAttributesRequest, GetRecordAttributesResponse>(
             *s.GetBrowseService()->GetGetRecordAttributesImpl(),
             static_cast<void (GetRecordAttributesImpl::*)(SmartPtr<GetRecordAttributesRequest>, GetRecordAttributesResponse*)>(
                 &GetRecordAttributesImpl::RequestRecordAttributes),
             [](GetRecordAttributesResponse& r) { return r.AccessRecordAttributes().size() == 1; });
     }},
    {"GetUnitSystems", "GetUnitSystemsResponse", "<unitSystems><unitSystem>SI</unitSystem></unitSystems>",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<GetUnitSystems, GetUnitSystemsResponse>(
             *s.GetBrowseService()->GetGetUnitSystemsImpl(), &GetUnitSystemsImpl::GetUnitSystems,
             [](GetUnitSystemsResponse& r) { return r.AccessUnitSystems().size() == 1; });
     }},
    {"GetCurrencies", "GetCurrenciesResponse", "<currency/>",
     [](DorsaServiceLayerServices& s) {
         GetCurrenciesResponse response;
         s.GetBrowseService()->GetGetCurrenciesImpl()->GetCurrencies(&response);
         return response.AccessCurrencies().size() == 1;
     }},
    {"GetUnitConversions", "GetUnitConversionsResponse",
     "<unitConversionContexts><unitConversionContext/></unitConversionContexts>",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<GetUnitConversions, GetUnitConversionsResponse>(
             *s.GetBrowseService()->GetGetUnitConversionsImpl(), &GetUnitConversionsImpl::GetUnitConversions,
             [](GetUnitConversionsResponse& r) { return r.AccessConversions().size() == 1; });
     }},
    {"GetUnits", "GetUnitsResponse", "<Databases><Database><dbKey>K</dbKey></Database></Databases>",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<GetUnits, GetUnitsResponse>(*s.GetBrowseService()->GetGetUnitsImpl(), &GetUnitsImpl::GetUnits,
                                                             [](GetUnitsResponse& r) { return r.GetUnitsByDatabase().size() == 1; });
     }},
    {"GetAttributeParameters", "GetAttributeParametersResponse", "<parameterDetails><parameterDetail/></parameterDetails>",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<GetAttributeParametersRequest, GetAttributeParametersResponse>(
             *s.GetBrowseService()->GetGetAttributeParametersImpl(), &GetAttributeParametersImpl::GetAttributeParameters,
             [](GetAttributeParametersResponse& r) { return r.AccessAttributeParameters().size() == 1; });
     }},
    {"GetParameterDetails", "GetParameterDetailsResponse", "<parameterDetails><parameterDetail/></parameterDetails>",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<GetParameterDetailsRequest, GetParameterDetailsResponse>(
             *s.GetBrowseService()->GetGetParameterDetailsImpl(), &GetParameterDetailsImpl::GetParameterDetails,
             [](GetParameterDetailsResponse& r) { return r.AccessAttributeParameters().size() == 1; });
     }},
    {"GetMetaAttributes", "GetMetaAttributesResponse", "<Attribute/>",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<GetMetaAttributesRequest, GetMetaAttributesResponse>(
             *s.GetBrowseService()->GetGetMetaAttributesImpl(), &GetMetaAttributesImpl::GetMetaAttributes,
             [](GetMetaAttributesResponse& r) { return r.GetAttributes().size() == 1; });
     }},
    {"GetRecordAttributesByRef", "GetRecordAttributesByRefResponse", "<results><recordData/></results>",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<GetRecordAttributesByRefRequest, GetRecordAttributesByRefResponse>(
             *s.GetDataExportService()->GetRecordAttributesByRefImplPtr(), &GetRecordAttributesByRefImpl::RequestRecordAttributesByRef,
             [](GetRecordAttributesByRefResponse& r) { return r.AccessRecordData().size() == 1; });
     }},
    {"GetRootNode", "GetRootNodeResponse", "<rootNode/>",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<GetRootNode, GetRootNodeResponse>(*s.GetBrowseService()->GetGetRootNodeImpl(),
                                                                   &GetRootNodeImpl::RequestRootNode,
                                                                   [](GetRootNodeResponse& r) { return bool(r.GetRootNode()); });
     }},
    {"GetChildNodes", "GetChildNodesResponse", "<treeRecords><treeRecord/></treeRecords>",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<GetChildNodes, GetChildNodesResponse>(
             *s.GetBrowseService()->GetGetChildNodesImpl(), &GetChildNodesImpl::RequestChildNodes,
             [](GetChildNodesResponse& r) { return r.AccessTreeRecords().size() == 1; });
     }},
    {"GetTreeRecords", "GetTreeRecordsResponse", "<treeRecords><treeRecord/></treeRecords>",
     [](DorsaServiceLayerServices& s) {
         GetTreeRecordsImpl operation(s.GetSession().get());
         return CallWithDefaults<GetTreeRecordsRequest, GetTreeRecordsResponse>(
             operation, &GetTreeRecordsImpl::RequestTreeNodes,
             [](GetTreeRecordsResponse& r) { return r.AccessTreeRecords().size() == 1; });
     }},
    {"GetRecordLinkGroups", "GetRecordLinkGroupsResponse", "<recordLinkGroupDetails><recordLinkGroup/></recordLinkGroupDetails>",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<GetRecordLinkGroups, GetRecordLinkGroupsResponse>(
             *s.GetBrowseService()->GetGetRecordLinkGroupsImpl(), &GetRecordLinkGroupsImpl::GetRecordLinkGroups,
             [](GetRecordLinkGroupsResponse& r) { return r.AccessRecordLinkGroups().size() == 1; });
     }},
    {"GetLinkedRecords", "GetLinkedRecordsResponse", "<sourceRecords><sourceRecord/></sourceRecords>",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<GetLinkedRecordsRequest, GetLinkedRecordsResponse>(
             *s.GetBrowseService()->GetGetLinkedRecordsImpl(), &GetLinkedRecordsImpl::GetLinkedRecords,
             [](GetLinkedRecordsResponse& r) { return r.GetSourceRecords().size() == 1; });
     }},
    {"GetRecordVersions", "GetRecordVersionsResponse", "<recordVersionStates><recordVersionState/></recordVersionStates>",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<GetRecordVersionsRequest, GetRecordVersionsResponse>(
             *s.GetBrowseService()->GetGetRecordVersionsImpl(), &GetRecordVersionsImpl::GetRecordVersions,
             [](GetRecordVersionsResponse& r) { return r.AccessRecordStates().size() == 1; });
     }},
    {"SimpleTextSearch", "SimpleTextSearchResponse", "<resultRecords/>",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<SimpleTextSearch, SimpleTextSearchResponse>(
             *s.GetSearchService()->GetSimpleTextSearchImpl(), &SimpleTextSearchImpl::Search, FoundOne);
     }},
    {"CriteriaSearch", "SimpleTextSearchResponse", "<resultRecords/>",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<CriteriaSearch, SimpleTextSearchResponse>(*s.GetSearchService()->GetCriteriaSearchImpl(),
                                                                           &CriteriaSearchImpl::Search, FoundOne);
     }},
    {"RecordNameSearch", "SimpleTextSearchResponse", "<resultRecords/>",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<RecordNameSearchRequest, SimpleTextSearchResponse>(
             *s.GetSearchService()->GetRecordNameSearchImpl(), &RecordNameSearchImpl::RecordNameSearch, FoundOne);
     }},
    {"SetRecordAttributes", "SetRecordAttributesResponse", "<recordsImported><record/></recordsImported>",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<SetRecordAttributesRequest, SetRecordAttributesResponse>(
             *s.GetDataImportService()->SetRecordAttributesImplPtr(), &SetRecordAttributesImpl::SetRecordAttributes_Request,
             [](SetRecordAttributesResponse& r) { return r.AccessRecordsImported().size() == 1; });
     }},
    {"GetUploadAddresses", "GetUploadAddressesResponse", "<records><record/></records>",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<GetUploadAddressesRequest, GetUploadAddressesResponse>(
             *s.GetDataImportService()->GetUploadAddressesImplPtr(), &GetUploadAddressesImpl::GetUploadAddresses,
             [](GetUploadAddressesResponse& r) { return r.AccessRecordsWithAttributeAddresses().size() == 1; });
     }},
    {"ModifyRecordLinks", "ModifyRecordLinksResponse", "<linked><sourceRecord/></linked>",
     [](DorsaServiceLayerServices& s) {
         ModifyRecordLinksImpl operation(s.GetSession().get());
         return CallWithDefaults<ModifyRecordLinksRequest, ModifyRecordLinksResponse>(
             operation, &ModifyRecordLinksImpl::ModifyRecordLinks, [](ModifyRecordLinksResponse& r) {
                 return r.GetRecordLinkChanges() && r.GetRecordLinkChanges()->AccessLinked().size() == 1;
             });
     }},
    {"GetAvailableExporters", "GetAvailableExportersResponse", "<exporter/>",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<GetAvailableExportersRequest, GetAvailableExportersResponse>(
             *s.GetEngineeringDataService()->GetGetAvailableExportersImplPtr(),
             &GetAvailableExportersImpl::GetAvailableExporters,
             [](GetAvailableExportersResponse& r) { return r.GetExporters().size() == 1; });
     }},
    {"ExportRecordData", "text", "a,b",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<ExportRecordDataRequest, ExportRecordDataResponse>(
             *s.GetEngineeringDataService()->GetExportRecordDataImpl(), &ExportRecordDataImpl::ExportRecordData,
             [](ExportRecordDataResponse& r) { return r.GetText() == "a,b"; });
     }},
    {"GetExporterParameters", "GetExporterParametersResponse", "<Records><Record/></Records>",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<GetExporterParametersRequest, GetExporterParametersResponse>(
             *s.GetEngineeringDataService()->GetGetExporterParametersImpl(),
             &GetExporterParametersImpl::GetExporterParameters,
             [](GetExporterParametersResponse& r) { return r.GetRecords().size() == 1; });
     }},
    {"ExportersForRecords", "ExportersForRecordsResponse", "<records><record/></records>",
     [](DorsaServiceLayerServices& s) {
         return CallWithDefaults<ExportersForRecordsRequest, ExportersForRecordsResponse>(
             *s.GetEngineeringDataService()->GetGetExportersForRecordsImpl(),
             &ExportersForRecordsImpl::GetExportersForRecords,
             [](ExportersForRecordsResponse& r) { return r.GetRecords().size() == 1; });
     }},
};

// The emulator's list: operation name -> [service, root tag or null when no body is sent].
nlohmann::json EmulatorOperations()
{
    const std::string command = std::string(DORSA_PYTHON) + " -c \"import json, sys; sys.path.insert(0, '" +
                                DORSA_EMULATOR_DIR + "'); import soap; print(json.dumps(soap.OPERATIONS))\"";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string output;
    char buffer[4096];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get())) {
        output += buffer;
    }
    return nlohmann::json::parse(output, nullptr, false);
}

// The prefix and namespace URI of the first element in the request's body, and its local name.
struct BodyElement {
    std::string prefix;
    std::string localName; // empty: the body is empty
};

BodyElement FirstBodyElement(const std::string& content)
{
    if (content.empty()) {
        return {};
    }
    const std::size_t nameEnd = content.find_first_of(" />", 1);
    const std::string name = content.substr(1, nameEnd - 1);
    const std::size_t colon = name.find(':');
    return colon == std::string::npos ? BodyElement{"", name} : BodyElement{name.substr(0, colon), name.substr(colon + 1)};
}

using CatalogueTest = SessionFixture;

TEST_F(CatalogueTest, EveryOperationPostsAndReadsAsTheEmulatorKnowsIt)
{
    const nlohmann::json emulator = EmulatorOperations();
    ASSERT_TRUE(emulator.is_object()) << "the emulator's list of operations could not be read";
    const std::map<std::string, std::string> prefixes = {
        {"Browse", "brow"}, {"Search", "sear"}, {"DataExport", "exp"}, {"DataImport", "dat"}, {"EngineeringData", "eng"}};
    const SmartPtr<DorsaServiceLayerServices> services =
        DorsaServiceLayerServices::CreateOne(m_server.Url(), DorsaSLAuth_Annonymous::CreateOne());
    for (const CatalogueCase& c : s_cases) {
        SCOPED_TRACE(c.operation);
        ASSERT_TRUE(emulator.contains(c.operation));
        const std::string service = emulator[c.operation][0];
        const nlohmann::json& rootTag = emulator[c.operation][1];
        const std::string serviceNamespace = std::string(VendorNamespaceRoot) + "/" + s_version + "/" + service;

        Reply(Envelope(std::string("<r:") + c.responseElement + " xmlns:r=\"" + serviceNamespace + "\">" +
                       c.replyContent + "</r:" + c.responseElement + ">"));
        EXPECT_TRUE(c.call(*services)) << "the reply was not read from " << c.responseElement;

        const RecordedRequest request = m_server.LastRequest();
        EXPECT_EQ(request.path, "/" + service + ".svc");
        EXPECT_EQ(request.Header("SOAPAction"), serviceNamespace + "/" + c.operation + "Request");
        const BodyElement body = FirstBodyElement(LastBodyContent());
        if (rootTag.is_null()) {
            EXPECT_EQ(body.localName, "");
        } else {
            EXPECT_EQ(body.localName, rootTag.get<std::string>());
            EXPECT_EQ(body.prefix, prefixes.at(service));
            EXPECT_NE(request.body.find("xmlns:" + body.prefix + "=\"" + serviceNamespace + "\""), std::string::npos);
        }
    }
}

TEST_F(CatalogueTest, EveryRowIsCalledOnce)
{
    std::set<std::string> called;
    for (const CatalogueCase& c : s_cases) {
        EXPECT_TRUE(called.insert(c.operation).second) << c.operation;
    }
    EXPECT_EQ(called.size(), std::size(Catalogue::s_rows));
}

TEST_F(CatalogueTest, TheCatalogueRowsAreTheEmulatorsOperations)
{
    const nlohmann::json emulator = EmulatorOperations();
    ASSERT_TRUE(emulator.is_object());
    std::set<std::string> library;
    for (const CatalogueRow* row : Catalogue::s_rows) {
        library.insert(row->name);
        ASSERT_TRUE(emulator.contains(row->name)) << row->name;
        EXPECT_EQ(emulator[row->name][0].get<std::string>(), row->service->name) << row->name;
    }
    EXPECT_EQ(library.size(), emulator.size());
}

} // namespace
} // namespace dorsatest
