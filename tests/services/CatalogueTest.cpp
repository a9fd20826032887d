// Every operation of the catalogue, called with a default request through the facades of
// one services object (GetTreeRecords and ModifyRecordLinks, which belong to none, made on
// its session) against the loopback server: the endpoint it posts to, its SOAP action and
// body element, checked against the emulator's own list of the operations, and the reply
// element it reads, which replaces the response it fills even when it is empty. Each
// facade hands out one operation object per operation, the same on every call.

#include "EmulatorOperations.h"
#include "support/SessionFixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;
using Services = DorsaServiceLayerServices;

const char s_version[] = "16/01";

// Each sets the server's next reply.
using Replies = std::vector<std::function<void()>>;

// What a row's call saw: how much the response held after each reply, and the operation
// object the facade handed out (null for one made on the session).
struct Called {
    std::vector<std::size_t> counts;
    const OperationBase* object = nullptr;
};

// One operation: its call, made once after each reply on one response object, and the
// reply element it must read with the content it is given.
struct CatalogueCase {
    const char* operation;
    const char* responseElement;
    const char* replyContent;
    std::function<Called(Services&, const Replies&)> call;
};

// The response `member` fills, with a new default request or with none.
template <class Owner, class Request, class Response>
Response ResponseOf(void (Owner::*)(SmartPtr<Request>, Response*));
template <class Owner, class Response>
Response ResponseOf(void (Owner::*)(Response*));

template <class Operation, class Owner, class Request, class Response>
void Invoke(Operation& operation, void (Owner::*member)(SmartPtr<Request>, Response*), Response& response)
{
    (operation.*member)(SmartPtr<Request>(new Request), &response);
}

template <class Operation, class Owner, class Response>
void Invoke(Operation& operation, void (Owner::*member)(Response*), Response& response)
{
    (operation.*member)(&response);
}

// Calls `member` on one response once after each reply; `count` says how much it then holds.
template <class Operation, class Member, class Count>
Called CallAfterEach(Operation& operation, Member member, Count count, const Replies& replies)
{
    decltype(ResponseOf(member)) response;
    Called called;
    for (const std::function<void()>& reply : replies) {
        reply();
        Invoke(operation, member, response);
        called.counts.push_back(count(response));
    }
    return called;
}

// The call of the operation that `get` of the services object's `facade` hands out.
template <class Facade, class Operation, class Member, class Count>
std::function<Called(Services&, const Replies&)> Through(SmartPtr<Facade> (Services::*facade)() const,
                                                         SmartPtr<Operation> (Facade::*get)() const, Member member,
                                                         Count count)
{
    return [=](Services& services, const Replies& replies) {
        EXPECT_EQ((services.*facade)(), (services.*facade)());
        const SmartPtr<Operation> operation = ((*(services.*facade)()).*get)();
        EXPECT_EQ(((*(services.*facade)()).*get)(), operation) << "a second object handed out";
        Called called = CallAfterEach(*operation, member, count, replies);
        called.object = operation.get();
        return called;
    };
}

// The call of an operation that belongs to no facade, made on the services object's session.
template <class Operation, class Member, class Count>
std::function<Called(Services&, const Replies&)> OnSession(Member member, Count count)
{
    return [=](Services& services, const Replies& replies) {
        Operation operation(services.GetSession().get());
        return CallAfterEach(operation, member, count, replies);
    };
}

std::size_t Hits(SimpleTextSearchResponse& response)
{
    return response.AccessSearchResults().size();
}

const CatalogueCase s_cases[] = {
    {"GetDatabases", "GetDatabasesResponse", "<databaseDetails><database/></databaseDetails>",
     Through(&Services::GetBrowseService, &BrowseService::GetGetDatabaseImpl, &GetDatabaseImpl::GetDatabases,
             [](auto& r) { return r.AccessDatabases().size(); })},
    {"GetTables", "GetTablesResponse", "<tableDetails><table/></tableDetails>",
     Through(&Services::GetBrowseService, &BrowseService::GetGetTablesImpl, &GetTablesImpl::RequestTables,
             [](auto& r) { return r.AccessTableDetails().size(); })},
    {"GetSubsets", "GetSubsetsResponse", "<subsetDetails><subsetDetail/></subsetDetails>",
     Through(&Services::GetBrowseService, &BrowseService::GetGetSubsetsImpl, &GetSubsetsImpl::GetSubsets,
             [](auto& r) { return r.AccessSubsetDetails().size(); })},
    {"GetAttributeDetails", "GetAttributeDetailsResponse", "<attributeDetails><attributeDetail/></attributeDetails>",
     Through(&Services::GetBrowseService, &BrowseService::GetGetAttributeDetailsImpl,
             &GetAttributeDetailsImpl::RequestAttributeDetails, [](auto& r) { return r.AccessAttributeDetails().size(); })},
    {"GetAttributeMinMax", "GetAttributeMinMaxResponse", "<minMaxes><minMax/></minMaxes>",
     Through(&Services::GetBrowseService, &BrowseService::GetGetAttributeMinMaxImpl,
             &GetAttributeMinMaxImpl::RequestAttributeMinMax, [](auto& r) { return r.AccessAttributeMinMaxes().size(); })},
    {"GetRecordAttributes", "GetRecordAttributesResponse", "<recordAttributes><recordAttribute/></recordAttributes>",
     Through(&Services::GetBrowseService, &BrowseService::GetGetRecordAttributesImpl,
             static_cast<void (GetRecordAttributesImpl::*)(SmartPtr<GetRecordAttributesRequest>, GetRecordAttributesResponse*)>(
                 &GetRecordAttributesImpl::RequestRecordAttributes),
             [](auto& r) { return r.AccessRecordAttributes().size(); })},
    {"GetUnitSystems", "GetUnitSystemsResponse", "<unitSystems><unitSystem>SI</unitSystem></unitSystems>",
     Through(&Services::GetBrowseService, &BrowseService::GetGetUnitSystemsImpl, &GetUnitSystemsImpl::GetUnitSystems,
             [](auto& r) { return r.AccessUnitSystems().size(); })},
    {"GetCurrencies", "GetCurrenciesResponse", "<currency/>",
     Through(&Services::GetBrowseService, &BrowseService::GetGetCurrenciesImpl, &GetCurrenciesImpl::GetCurrencies,
             [](auto& r) { return r.AccessCurrencies().size(); })},
    {"GetUnitConversions", "GetUnitConversionsResponse",
     "<unitConversionContexts><unitConversionContext/></unitConversionContexts>",
     Through(&Services::GetBrowseService, &BrowseService::GetGetUnitConversionsImpl,
             &GetUnitConversionsImpl::GetUnitConversions, [](auto& r) { return r.AccessConversions().size(); })},
    {"GetUnits", "GetUnitsResponse", "<Databases><Database><dbKey>K</dbKey></Database></Databases>",
     Through(&Services::GetBrowseService, &BrowseService::GetGetUnitsImpl, &GetUnitsImpl::GetUnits,
             [](auto& r) { return r.GetUnitsByDatabase().size(); })},
    {"GetAttributeParameters", "GetAttributeParametersResponse", "<parameterDetails><parameterDetail/></parameterDetails>",
     Through(&Services::GetBrowseService, &BrowseService::GetGetAttributeParametersImpl,
             &GetAttributeParametersImpl::GetAttributeParameters, [](auto& r) { return r.AccessAttributeParameters().size(); })},
    {"GetParameterDetails", "GetParameterDetailsResponse", "<parameterDetails><parameterDetail/></parameterDetails>",
     Through(&Services::GetBrowseService, &BrowseService::GetGetParameterDetailsImpl,
             &GetParameterDetailsImpl::GetParameterDetails, [](auto& r) { return r.AccessAttributeParameters().size(); })},
    {"GetMetaAttributes", "GetMetaAttributesResponse", "<Attribute/>",
     Through(&Services::GetBrowseService, &BrowseService::GetGetMetaAttributesImpl,
             &GetMetaAttributesImpl::GetMetaAttributes, [](auto& r) { return r.GetAttributes().size(); })},
    {"GetRecordAttributesByRef", "GetRecordAttributesByRefResponse", "<results><recordData/></results>",
     Through(&Services::GetDataExportService, &DataExportService::GetRecordAttributesByRefImplPtr,
             &GetRecordAttributesByRefImpl::RequestRecordAttributesByRef, [](auto& r) { return r.AccessRecordData().size(); })},
    {"GetRootNode", "GetRootNodeResponse", "<rootNode/>",
     Through(&Services::GetBrowseService, &BrowseService::GetGetRootNodeImpl, &GetRootNodeImpl::RequestRootNode,
             [](auto& r) { return std::size_t(r.GetRootNode() ? 1 : 0); })},
    {"GetChildNodes", "GetChildNodesResponse", "<treeRecords><treeRecord/></treeRecords>",
     Through(&Services::GetBrowseService, &BrowseService::GetGetChildNodesImpl, &GetChildNodesImpl::RequestChildNodes,
             [](auto& r) { return r.AccessTreeRecords().size(); })},
    {"GetTreeRecords", "GetTreeRecordsResponse", "<treeRecords><treeRecord/></treeRecords>",
     OnSession<GetTreeRecordsImpl>(&GetTreeRecordsImpl::RequestTreeNodes, [](auto& r) { return r.AccessTreeRecords().size(); })},
    {"GetRecordLinkGroups", "GetRecordLinkGroupsResponse", "<recordLinkGroupDetails><recordLinkGroup/></recordLinkGroupDetails>",
     Through(&Services::GetBrowseService, &BrowseService::GetGetRecordLinkGroupsImpl,
             &GetRecordLinkGroupsImpl::GetRecordLinkGroups, [](auto& r) { return r.AccessRecordLinkGroups().size(); })},
    {"GetLinkedRecords", "GetLinkedRecordsResponse", "<sourceRecords><sourceRecord/></sourceRecords>",
     Through(&Services::GetBrowseService, &BrowseService::GetGetLinkedRecordsImpl, &GetLinkedRecordsImpl::GetLinkedRecords,
             [](auto& r) { return r.GetSourceRecords().size(); })},
    {"GetRecordVersions", "GetRecordVersionsResponse", "<recordVersionStates><recordVersionState/></recordVersionStates>",
     Through(&Services::GetBrowseService, &BrowseService::GetGetRecordVersionsImpl,
             &GetRecordVersionsImpl::GetRecordVersions, [](auto& r) { return r.AccessRecordStates().size(); })},
    {"SimpleTextSearch", "SimpleTextSearchResponse", "<resultRecords/>",
     Through(&Services::GetSearchService, &SearchService::GetSimpleTextSearchImpl, &SimpleTextSearchImpl::Search, Hits)},
    {"CriteriaSearch", "SimpleTextSearchResponse", "<resultRecords/>",
     Through(&Services::GetSearchService, &SearchService::GetCriteriaSearchImpl, &CriteriaSearchImpl::Search, Hits)},
    {"RecordNameSearch", "SimpleTextSearchResponse", "<resultRecords/>",
     Through(&Services::GetSearchService, &SearchService::GetRecordNameSearchImpl,
             &RecordNameSearchImpl::RecordNameSearch, Hits)},
    {"SetRecordAttributes", "SetRecordAttributesResponse", "<recordsImported><record/></recordsImported>",
     Through(&Services::GetDataImportService, &DataImportService::SetRecordAttributesImplPtr,
             &SetRecordAttributesImpl::SetRecordAttributes_Request, [](auto& r) { return r.AccessRecordsImported().size(); })},
    {"GetUploadAddresses", "GetUploadAddressesResponse", "<records><record/></records>",
     Through(&Services::GetDataImportService, &DataImportService::GetUploadAddressesImplPtr,
             &GetUploadAddressesImpl::GetUploadAddresses,
             [](auto& r) { return r.AccessRecordsWithAttributeAddresses().size(); })},
    {"ModifyRecordLinks", "ModifyRecordLinksResponse", "<linked><sourceRecord/></linked>",
     OnSession<ModifyRecordLinksImpl>(&ModifyRecordLinksImpl::ModifyRecordLinks, [](auto& r) {
         return r.GetRecordLinkChanges() ? r.GetRecordLinkChanges()->AccessLinked().size() : 0;
     })},
    {"GetAvailableExporters", "GetAvailableExportersResponse", "<exporter/>",
     Through(&Services::GetEngineeringDataService, &EngineeringDataService::GetGetAvailableExportersImplPtr,
             &GetAvailableExportersImpl::GetAvailableExporters, [](auto& r) { return r.GetExporters().size(); })},
    {"ExportRecordData", "text", "a,b",
     Through(&Services::GetEngineeringDataService, &EngineeringDataService::GetExportRecordDataImpl,
             &ExportRecordDataImpl::ExportRecordData, [](auto& r) { return r.GetText().size(); })},
    {"GetExporterParameters", "GetExporterParametersResponse", "<Records><Record/></Records>",
     Through(&Services::GetEngineeringDataService, &EngineeringDataService::GetGetExporterParametersImpl,
             &GetExporterParametersImpl::GetExporterParameters, [](auto& r) { return r.GetRecords().size(); })},
    {"ExportersForRecords", "ExportersForRecordsResponse", "<records><record/></records>",
     Through(&Services::GetEngineeringDataService, &EngineeringDataService::GetGetExportersForRecordsImpl,
             &ExportersForRecordsImpl::GetExportersForRecords, [](auto& r) { return r.GetRecords().size(); })},
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
    const SmartPtr<Services> services = Services::CreateOne(m_server.Url(), DorsaSLAuth_Annonymous::CreateOne());
    std::set<const OperationBase*> objects;
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
        const Called called = c.call(*services, {[&] { Reply(element(c.responseElement, c.replyContent)); },
                                                 [&] { Reply(element("Other", c.replyContent)); },
                                                 [&] { Reply(element(c.responseElement, "")); }});
        const std::vector<std::size_t>& counts = called.counts;
        objects.insert(called.object);
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
    // Twenty-eight operation objects, one per facade operation (null: the two made on the session).
    objects.erase(nullptr);
    EXPECT_EQ(objects.size(), 28u);
}

// The table above, the library's catalogue and the emulator's list name the same operations.
TEST_F(CatalogueTest, TheCatalogueRowsAreTheEmulatorsOperations)
{
    const nlohmann::json emulator = EmulatorOperations();
    ASSERT_TRUE(emulator.is_object());
    std::set<std::string> called;
    for (const CatalogueCase& c : s_cases) {
        EXPECT_TRUE(called.insert(c.operation).second) << c.operation;
    }
    std::set<std::string> library;
    for (const CatalogueRow* row : Catalogue::s_rows) {
        library.insert(row->name);
        ASSERT_TRUE(emulator.contains(row->name)) << row->name;
        EXPECT_EQ(emulator[row->name][0].get<std::string>(), row->service->name) << row->name;
    }
    EXPECT_EQ(called, library);
    EXPECT_EQ(library.size(), emulator.size());
}

// A stalled server ends the call after the receive timeout the services object set.
TEST_F(CatalogueTest, SetTimeoutsReachesTheSharedSession)
{
    const SmartPtr<Services> services = Services::CreateOne(m_server.Url(), DorsaSLAuth_Annonymous::CreateOne());
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
