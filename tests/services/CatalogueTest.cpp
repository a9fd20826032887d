// The services object and its facades: one operation object per operation, handed out
// again on every call, and timeouts set on the shared session. Then every operation of the
// catalogue, called with a default request through the facades of
// one services object (GetTreeRecords and ModifyRecordLinks, which belong to none, made on
// its session) against the loopback server: the endpoint it posts to, its SOAP action and
// body element, and the reply element it reads, which replaces the response it fills even
// when it is empty. Where to post and what to send is checked against the emulator's own
// list of the operations, kept apart from the library's catalogue.

#include "EmulatorOperations.h"
#include "support/SessionFixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

const char s_version[] = "16/01";

// Each sets the server's next reply.
using Replies = std::vector<std::function<void()>>;
// How much a response held after each reply.
using Counts = std::vector<std::size_t>;

// One operation: its call with a default request, made once after each reply on one
// response object, and the reply element it must read with the content it is given.
struct CatalogueCase {
    const char* operation;
    const char* responseElement;
    const char* replyContent;
    std::function<Counts(DorsaServiceLayerServices&, const Replies&)> call;
};

// Makes `call` on one response once after each reply; `count` says how much it then holds.
template <class Response, class Call, class Count>
Counts CallAfterEach(const Replies& replies, Call call, Count count)
{
    Response response;
    Counts counts;
    for (const std::function<void()>& reply : replies) {
        reply();
        call(response);
        counts.push_back(count(response));
    }
    return counts;
}

// CallAfterEach with the member and a new default request.
template <class Request, class Response, class Operation, class Member, class Count>
Counts CallWithDefaults(Operation& operation, Member member, Count count, const Replies& replies)
{
    return CallAfterEach<Response>(
        replies, [&](Response& response) { (operation.*member)(SmartPtr<Request>(new Request), &response); }, count);
}

std::size_t Hits(SimpleTextSearchResponse& response)
{
    return response.AccessSearchResults().size();
}

const CatalogueCase s_cases[] = {
    {"GetDatabases", "GetDatabasesResponse", "<databaseDetails><database/></databaseDetails>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallAfterEach<GetDatabasesResponse>(
             replies, [&](GetDatabasesResponse& r) { s.GetBrowseService()->GetGetDatabaseImpl()->GetDatabases(&r); },
             [](GetDatabasesResponse& r) { return r.AccessDatabases().size(); });
     }},
    {"GetTables", "GetTablesResponse", "<tableDetails><table/></tableDetails>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<GetTables, GetTablesResponse>(
             *s.GetBrowseService()->GetGetTablesImpl(), &GetTablesImpl::RequestTables,
             [](GetTablesResponse& r) { return r.AccessTableDetails().size(); }, replies);
     }},
    {"GetSubsets", "GetSubsetsResponse", "<subsetDetails><subsetDetail/></subsetDetails>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<GetSubsets, GetSubsetsResponse>(
             *s.GetBrowseService()->GetGetSubsetsImpl(), &GetSubsetsImpl::GetSubsets,
             [](GetSubsetsResponse& r) { return r.AccessSubsetDetails().size(); }, replies);
     }},
    {"GetAttributeDetails", "GetAttributeDetailsResponse", "<attributeDetails><attributeDetail/></attributeDetails>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<GetAttributeDetailsRequest, GetAttributeDetailsResponse>(
             *s.GetBrowseService()->GetGetAttributeDetailsImpl(), &GetAttributeDetailsImpl::RequestAttributeDetails,
             [](GetAttributeDetailsResponse& r) { return r.AccessAttributeDetails().size(); }, replies);
     }},
    {"GetAttributeMinMax", "GetAttributeMinMaxResponse", "<minMaxes><minMax/></minMaxes>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<GetAttributeMinMaxRequest, GetAttributeMinMaxResponse>(
             *s.GetBrowseService()->GetGetAttributeMinMaxImpl(), &GetAttributeMinMaxImpl::RequestAttributeMinMax,
             [](GetAttributeMinMaxResponse& r) { return r.AccessAttributeMinMaxes().size(); }, replies);
     }},
    {"GetRecordAttributes", "GetRecordAttributesResponse", "<recordAttributes><recordAttribute/></recordAttributes>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<GetRecordAttributesRequest, GetRecordAttributesResponse>(
             *s.GetBrowseService()->GetGetRecordAttributesImpl(),
             static_cast<void (GetRecordAttributesImpl::*)(SmartPtr<GetRecordAttributesRequest>, GetRecordAttributesResponse*)>(
                 &GetRecordAttributesImpl::RequestRecordAttributes),
             [](GetRecordAttributesResponse& r) { return r.AccessRecordAttributes().size(); }, replies);
     }},
    {"GetUnitSystems", "GetUnitSystemsResponse", "<unitSystems><unitSystem>SI</unitSystem></unitSystems>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<GetUnitSystems, GetUnitSystemsResponse>(
             *s.GetBrowseService()->GetGetUnitSystemsImpl(), &GetUnitSystemsImpl::GetUnitSystems,
             [](GetUnitSystemsResponse& r) { return r.AccessUnitSystems().size(); }, replies);
     }},
    {"GetCurrencies", "GetCurrenciesResponse", "<currency/>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallAfterEach<GetCurrenciesResponse>(
             replies,
             [&](GetCurrenciesResponse& r) { s.GetBrowseService()->GetGetCurrenciesImpl()->GetCurrencies(&r); },
             [](GetCurrenciesResponse& r) { return r.AccessCurrencies().size(); });
     }},
    {"GetUnitConversions", "GetUnitConversionsResponse",
     "<unitConversionContexts><unitConversionContext/></unitConversionContexts>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<GetUnitConversions, GetUnitConversionsResponse>(
             *s.GetBrowseService()->GetGetUnitConversionsImpl(), &GetUnitConversionsImpl::GetUnitConversions,
             [](GetUnitConversionsResponse& r) { return r.AccessConversions().size(); }, replies);
     }},
    {"GetUnits", "GetUnitsResponse", "<Databases><Database><dbKey>K</dbKey></Database></Databases>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<GetUnits, GetUnitsResponse>(
             *s.GetBrowseService()->GetGetUnitsImpl(), &GetUnitsImpl::GetUnits,
             [](GetUnitsResponse& r) { return r.GetUnitsByDatabase().size(); }, replies);
     }},
    {"GetAttributeParameters", "GetAttributeParametersResponse", "<parameterDetails><parameterDetail/></parameterDetails>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<GetAttributeParametersRequest, GetAttributeParametersResponse>(
             *s.GetBrowseService()->GetGetAttributeParametersImpl(), &GetAttributeParametersImpl::GetAttributeParameters,
             [](GetAttributeParametersResponse& r) { return r.AccessAttributeParameters().size(); }, replies);
     }},
    {"GetParameterDetails", "GetParameterDetailsResponse", "<parameterDetails><parameterDetail/></parameterDetails>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<GetParameterDetailsRequest, GetParameterDetailsResponse>(
             *s.GetBrowseService()->GetGetParameterDetailsImpl(), &GetParameterDetailsImpl::GetParameterDetails,
             [](GetParameterDetailsResponse& r) { return r.AccessAttributeParameters().size(); }, replies);
     }},
    {"GetMetaAttributes", "GetMetaAttributesResponse", "<Attribute/>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<GetMetaAttributesRequest, GetMetaAttributesResponse>(
             *s.GetBrowseService()->GetGetMetaAttributesImpl(), &GetMetaAttributesImpl::GetMetaAttributes,
             [](GetMetaAttributesResponse& r) { return r.GetAttributes().size(); }, replies);
     }},
    {"GetRecordAttributesByRef", "GetRecordAttributesByRefResponse", "<results><recordData/></results>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<GetRecordAttributesByRefRequest, GetRecordAttributesByRefResponse>(
             *s.GetDataExportService()->GetRecordAttributesByRefImplPtr(), &GetRecordAttributesByRefImpl::RequestRecordAttributesByRef,
             [](GetRecordAttributesByRefResponse& r) { return r.AccessRecordData().size(); }, replies);
     }},
    {"GetRootNode", "GetRootNodeResponse", "<rootNode/>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<GetRootNode, GetRootNodeResponse>(
             *s.GetBrowseService()->GetGetRootNodeImpl(), &GetRootNodeImpl::RequestRootNode,
             [](GetRootNodeResponse& r) { return std::size_t(r.GetRootNode() ? 1 : 0); }, replies);
     }},
    {"GetChildNodes", "GetChildNodesResponse", "<treeRecords><treeRecord/></treeRecords>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<GetChildNodes, GetChildNodesResponse>(
             *s.GetBrowseService()->GetGetChildNodesImpl(), &GetChildNodesImpl::RequestChildNodes,
             [](GetChildNodesResponse& r) { return r.AccessTreeRecords().size(); }, replies);
     }},
    {"GetTreeRecords", "GetTreeRecordsResponse", "<treeRecords><treeRecord/></treeRecords>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         GetTreeRecordsImpl operation(s.GetSession().get());
         return CallWithDefaults<GetTreeRecordsRequest, GetTreeRecordsResponse>(
             operation, &GetTreeRecordsImpl::RequestTreeNodes,
             [](GetTreeRecordsResponse& r) { return r.AccessTreeRecords().size(); }, replies);
     }},
    {"GetRecordLinkGroups", "GetRecordLinkGroupsResponse", "<recordLinkGroupDetails><recordLinkGroup/></recordLinkGroupDetails>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<GetRecordLinkGroups, GetRecordLinkGroupsResponse>(
             *s.GetBrowseService()->GetGetRecordLinkGroupsImpl(), &GetRecordLinkGroupsImpl::GetRecordLinkGroups,
             [](GetRecordLinkGroupsResponse& r) { return r.AccessRecordLinkGroups().size(); }, replies);
     }},
    {"GetLinkedRecords", "GetLinkedRecordsResponse", "<sourceRecords><sourceRecord/></sourceRecords>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<GetLinkedRecordsRequest, GetLinkedRecordsResponse>(
             *s.GetBrowseService()->GetGetLinkedRecordsImpl(), &GetLinkedRecordsImpl::GetLinkedRecords,
             [](GetLinkedRecordsResponse& r) { return r.GetSourceRecords().size(); }, replies);
     }},
    {"GetRecordVersions", "GetRecordVersionsResponse", "<recordVersionStates><recordVersionState/></recordVersionStates>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<GetRecordVersionsRequest, GetRecordVersionsResponse>(
             *s.GetBrowseService()->GetGetRecordVersionsImpl(), &GetRecordVersionsImpl::GetRecordVersions,
             [](GetRecordVersionsResponse& r) { return r.AccessRecordStates().size(); }, replies);
     }},
    {"SimpleTextSearch", "SimpleTextSearchResponse", "<resultRecords/>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<SimpleTextSearch, SimpleTextSearchResponse>(
             *s.GetSearchService()->GetSimpleTextSearchImpl(), &SimpleTextSearchImpl::Search, Hits, replies);
     }},
    {"CriteriaSearch", "SimpleTextSearchResponse", "<resultRecords/>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<CriteriaSearch, SimpleTextSearchResponse>(*s.GetSearchService()->GetCriteriaSearchImpl(),
                                                                           &CriteriaSearchImpl::Search, Hits, replies);
     }},
    {"RecordNameSearch", "SimpleTextSearchResponse", "<resultRecords/>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<RecordNameSearchRequest, SimpleTextSearchResponse>(
             *s.GetSearchService()->GetRecordNameSearchImpl(), &RecordNameSearchImpl::RecordNameSearch, Hits, replies);
     }},
    {"SetRecordAttributes", "SetRecordAttributesResponse", "<recordsImported><record/></recordsImported>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<SetRecordAttributesRequest, SetRecordAttributesResponse>(
             *s.GetDataImportService()->SetRecordAttributesImplPtr(), &SetRecordAttributesImpl::SetRecordAttributes_Request,
             [](SetRecordAttributesResponse& r) { return r.AccessRecordsImported().size(); }, replies);
     }},
    {"GetUploadAddresses", "GetUploadAddressesResponse", "<records><record/></records>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<GetUploadAddressesRequest, GetUploadAddressesResponse>(
             *s.GetDataImportService()->GetUploadAddressesImplPtr(), &GetUploadAddressesImpl::GetUploadAddresses,
             [](GetUploadAddressesResponse& r) { return r.AccessRecordsWithAttributeAddresses().size(); }, replies);
     }},
    {"ModifyRecordLinks", "ModifyRecordLinksResponse", "<linked><sourceRecord/></linked>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         ModifyRecordLinksImpl operation(s.GetSession().get());
         return CallWithDefaults<ModifyRecordLinksRequest, ModifyRecordLinksResponse>(
             operation, &ModifyRecordLinksImpl::ModifyRecordLinks, [](ModifyRecordLinksResponse& r) {
                 return r.GetRecordLinkChanges() ? r.GetRecordLinkChanges()->AccessLinked().size() : 0;
             },
             replies);
     }},
    {"GetAvailableExporters", "GetAvailableExportersResponse", "<exporter/>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<GetAvailableExportersRequest, GetAvailableExportersResponse>(
             *s.GetEngineeringDataService()->GetGetAvailableExportersImplPtr(),
             &GetAvailableExportersImpl::GetAvailableExporters,
             [](GetAvailableExportersResponse& r) { return r.GetExporters().size(); }, replies);
     }},
    {"ExportRecordData", "text", "a,b",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<ExportRecordDataRequest, ExportRecordDataResponse>(
             *s.GetEngineeringDataService()->GetExportRecordDataImpl(), &ExportRecordDataImpl::ExportRecordData,
             [](ExportRecordDataResponse& r) { return r.GetText().size(); }, replies);
     }},
    {"GetExporterParameters", "GetExporterParametersResponse", "<Records><Record/></Records>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<GetExporterParametersRequest, GetExporterParametersResponse>(
             *s.GetEngineeringDataService()->GetGetExporterParametersImpl(),
             &GetExporterParametersImpl::GetExporterParameters,
             [](GetExporterParametersResponse& r) { return r.GetRecords().size(); }, replies);
     }},
    {"ExportersForRecords", "ExportersForRecordsResponse", "<records><record/></records>",
     [](DorsaServiceLayerServices& s, const Replies& replies) {
         return CallWithDefaults<ExportersForRecordsRequest, ExportersForRecordsResponse>(
             *s.GetEngineeringDataService()->GetGetExportersForRecordsImpl(),
             &ExportersForRecordsImpl::GetExportersForRecords,
             [](ExportersForRecordsResponse& r) { return r.GetRecords().size(); }, replies);
     }},
};

// The emulator's list: operation name -> [service, root tag or null when no body is sent].
nlohmann::json EmulatorOperations()
{
    return nlohmann::json::parse(s_emulatorOperations, nullptr, false);
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

        const auto element = [&](const std::string& name, const std::string& content) {
            return Envelope("<r:" + name + " xmlns:r=\"" + serviceNamespace + "\">" + content + "</r:" + name + ">");
        };
        // The content read fills the response; a reply without the response element leaves
        // it as it was; an empty response element replaces it with an empty one.
        const Counts counts = c.call(*services, {[&] { Reply(element(c.responseElement, c.replyContent)); },
                                                 [&] { Reply(element("Other", c.replyContent)); },
                                                 [&] { Reply(element(c.responseElement, "")); }});
        ASSERT_EQ(counts.size(), 3u);
        EXPECT_GT(counts[0], 0u) << "the reply was not read from " << c.responseElement;
        EXPECT_EQ(counts[1], counts[0]) << "a reply without " << c.responseElement << " changed the response";
        EXPECT_EQ(counts[2], 0u) << "an empty " << c.responseElement << " left what the response held";

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

// Every operation object the facades of `services` hand out.
std::vector<const OperationBase*> OperationObjects(const DorsaServiceLayerServices& services)
{
    const SmartPtr<BrowseService> browse = services.GetBrowseService();
    const SmartPtr<SearchService> search = services.GetSearchService();
    const SmartPtr<DataImportService> dataImport = services.GetDataImportService();
    const SmartPtr<EngineeringDataService> engineering = services.GetEngineeringDataService();
    return {browse->GetGetDatabaseImpl().get(), browse->GetGetTablesImpl().get(),
            browse->GetGetSubsetsImpl().get(), browse->GetGetAttributeDetailsImpl().get(),
            browse->GetGetAttributeMinMaxImpl().get(), browse->GetGetRecordAttributesImpl().get(),
            browse->GetGetUnitSystemsImpl().get(), browse->GetGetCurrenciesImpl().get(),
            browse->GetGetUnitConversionsImpl().get(), browse->GetGetUnitsImpl().get(),
            browse->GetGetRootNodeImpl().get(), browse->GetGetChildNodesImpl().get(),
            browse->GetGetRecordLinkGroupsImpl().get(), browse->GetGetRecordVersionsImpl().get(),
            browse->GetGetLinkedRecordsImpl().get(), browse->GetGetAttributeParametersImpl().get(),
            browse->GetGetParameterDetailsImpl().get(), browse->GetGetMetaAttributesImpl().get(),
            search->GetSimpleTextSearchImpl().get(), search->GetCriteriaSearchImpl().get(),
            search->GetRecordNameSearchImpl().get(),
            services.GetDataExportService()->GetRecordAttributesByRefImplPtr().get(),
            dataImport->SetRecordAttributesImplPtr().get(), dataImport->GetUploadAddressesImplPtr().get(),
            engineering->GetGetAvailableExportersImplPtr().get(), engineering->GetExportRecordDataImpl().get(),
            engineering->GetGetExporterParametersImpl().get(), engineering->GetGetExportersForRecordsImpl().get()};
}

TEST_F(CatalogueTest, TheServicesHoldTwentyEightOperationObjectsHandedOutAgainOnEveryCall)
{
    const SmartPtr<DorsaServiceLayerServices> services =
        DorsaServiceLayerServices::CreateOne(m_server.Url(), DorsaSLAuth_Annonymous::CreateOne());
    const std::vector<const OperationBase*> first = OperationObjects(*services);
    const std::set<const OperationBase*> distinct(first.begin(), first.end());
    EXPECT_EQ(distinct.size(), 28u);
    EXPECT_EQ(distinct.count(nullptr), 0u);
    EXPECT_EQ(OperationObjects(*services), first);
    EXPECT_EQ(services->GetBrowseService(), services->GetBrowseService());
    EXPECT_TRUE(services->GetSession());
}

// A stalled server ends the call after the receive timeout the services object set.
TEST_F(CatalogueTest, SetTimeoutsReachesTheSharedSession)
{
    const SmartPtr<DorsaServiceLayerServices> services =
        DorsaServiceLayerServices::CreateOne(m_server.Url(), DorsaSLAuth_Annonymous::CreateOne());
    services->SetTimeouts(1000, 1000, 1000, 1000);
    CannedReply stall;
    stall.behaviour = CannedReply::Behaviour::Stall;
    m_server.SetReply(stall);
    GetDatabasesResponse response;
    services->GetBrowseService()->GetGetDatabaseImpl()->GetDatabases(&response);
    ASSERT_TRUE(response.GetServiceLayerResponse());
    EXPECT_EQ(response.GetServiceLayerResponse()->GetOutcome(), CallOutcomes::TransportFailure);
}

} // namespace
} // namespace dorsatest
