// Every operation of the catalogue, called with a default request through the facades
// (GetTreeRecords and ModifyRecordLinks, which belong to none, directly) against the
// loopback server: the endpoint it posts to, its SOAP action and body element, and the
// reply element it reads. Where to post and what to send is checked against the
// emulator's own list of the operations, kept apart from the library's catalogue.

#include "support/SessionFixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <functional>
#include <memory>
#include <set>
#include <string>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

const char s_version[] = "16/01";

// The facades over the fixture's session, as a host that made its own session has them.
struct Facades {
    explicit Facades(DorsaSession* session) : browse(new BrowseService(session)), dataExport(new DataExportService(session))
    {
    }
    SmartPtr<BrowseService> browse;
    SmartPtr<DataExportService> dataExport;
};

// One operation: its call with a default request, the reply element it must read with
// the content it is given, and whether it read that content.
struct CatalogueCase {
    const char* operation;
    const char* responseElement;
    const char* replyContent;
    std::function<bool(Facades&, DorsaSession*)> call;
};

// Calls the member with a new default request and says whether `read` holds of the response.
template <class Request, class Response, class Operation, class Member, class Check>
bool CallWithDefaults(Operation& operation, Member member, Check read)
{
    Response response;
    (operation.*member)(SmartPtr<Request>(new Request), &response);
    return read(response);
}

const CatalogueCase s_cases[] = {
    {"GetDatabases", "GetDatabasesResponse", "<databaseDetails><database/></databaseDetails>",
     [](Facades& f, DorsaSession*) {
         GetDatabasesResponse response;
         f.browse->GetGetDatabaseImpl()->GetDatabases(&response);
         return response.AccessDatabases().size() == 1;
     }},
    {"GetTables", "GetTablesResponse", "<tableDetails><table/></tableDetails>",
     [](Facades& f, DorsaSession*) {
         return CallWithDefaults<GetTables, GetTablesResponse>(*f.browse->GetGetTablesImpl(), &GetTablesImpl::RequestTables,
                                                               [](GetTablesResponse& r) { return r.AccessTableDetails().size() == 1; });
     }},
    {"GetSubsets", "GetSubsetsResponse", "<subsetDetails><subsetDetail/></subsetDetails>",
     [](Facades& f, DorsaSession*) {
         return CallWithDefaults<GetSubsets, GetSubsetsResponse>(*f.browse->GetGetSubsetsImpl(), &GetSubsetsImpl::GetSubsets,
                                                                 [](GetSubsetsResponse& r) { return r.AccessSubsetDetails().size() == 1; });
     }},
    {"GetAttributeDetails", "GetAttributeDetailsResponse", "<attributeDetails><attributeDetail/></attributeDetails>",
     [](Facades& f, DorsaSession*) {
         return CallWithDefaults<GetAttributeDetailsRequest, GetAttributeDetailsResponse>(
             *f.browse->GetGetAttributeDetailsImpl(), &GetAttributeDetailsImpl::RequestAttributeDetails,
             [](GetAttributeDetailsResponse& r) { return r.AccessAttributeDetails().size() == 1; });
     }},
    {"GetAttributeMinMax", "GetAttributeMinMaxResponse", "<minMaxes><minMax/></minMaxes>",
     [](Facades& f, DorsaSession*) {
         return CallWithDefaults<GetAttributeMinMaxRequest, GetAttributeMinMaxResponse>(
             *f.browse->GetGetAttributeMinMaxImpl(), &GetAttributeMinMaxImpl::RequestAttributeMinMax,
             [](GetAttributeMinMaxResponse& r) { return r.AccessAttributeMinMaxes().size() == 1; });
     }},
    {"GetRecordAttributes", "GetRecordAttributesResponse", "<recordAttributes><recordAttribute/></recordAttributes>",
     [](Facades& f, DorsaSession*) {
         return CallWithDefaults<GetRecordAttributesRequest, GetRecordAttributesResponse>(
             *f.browse->GetGetRecordAttributesImpl(),
             static_cast<void (GetRecordAttributesImpl::*)(SmartPtr<GetRecordAttributesRequest>, GetRecordAttributesResponse*)>(
                 &GetRecordAttributesImpl::RequestRecordAttributes),
             [](GetRecordAttributesResponse& r) { return r.AccessRecordAttributes().size() == 1; });
     }},
    {"GetUnitSystems", "GetUnitSystemsResponse", "<unitSystems><unitSystem>SI</unitSystem></unitSystems>",
     [](Facades& f, DorsaSession*) {
         return CallWithDefaults<GetUnitSystems, GetUnitSystemsResponse>(
             *f.browse->GetGetUnitSystemsImpl(), &GetUnitSystemsImpl::GetUnitSystems,
             [](GetUnitSystemsResponse& r) { return r.AccessUnitSystems().size() == 1; });
     }},
    {"GetCurrencies", "GetCurrenciesResponse", "<currency/>",
     [](Facades& f, DorsaSession*) {
         GetCurrenciesResponse response;
         f.browse->GetGetCurrenciesImpl()->GetCurrencies(&response);
         return response.AccessCurrencies().size() == 1;
     }},
    {"GetUnitConversions", "GetUnitConversionsResponse",
     "<unitConversionContexts><unitConversionContext/></unitConversionContexts>",
     [](Facades& f, DorsaSession*) {
         return CallWithDefaults<GetUnitConversions, GetUnitConversionsResponse>(
             *f.browse->GetGetUnitConversionsImpl(), &GetUnitConversionsImpl::GetUnitConversions,
             [](GetUnitConversionsResponse& r) { return r.AccessConversions().size() == 1; });
     }},
    {"GetUnits", "GetUnitsResponse", "<Databases><Database><dbKey>K</dbKey></Database></Databases>",
     [](Facades& f, DorsaSession*) {
         return CallWithDefaults<GetUnits, GetUnitsResponse>(*f.browse->GetGetUnitsImpl(), &GetUnitsImpl::GetUnits,
                                                             [](GetUnitsResponse& r) { return r.GetUnitsByDatabase().size() == 1; });
     }},
    {"GetAttributeParameters", "GetAttributeParametersResponse", "<parameterDetails><parameterDetail/></parameterDetails>",
     [](Facades& f, DorsaSession*) {
         return CallWithDefaults<GetAttributeParametersRequest, GetAttributeParametersResponse>(
             *f.browse->GetGetAttributeParametersImpl(), &GetAttributeParametersImpl::GetAttributeParameters,
             [](GetAttributeParametersResponse& r) { return r.AccessAttributeParameters().size() == 1; });
     }},
    {"GetParameterDetails", "GetParameterDetailsResponse", "<parameterDetails><parameterDetail/></parameterDetails>",
     [](Facades& f, DorsaSession*) {
         return CallWithDefaults<GetParameterDetailsRequest, GetParameterDetailsResponse>(
             *f.browse->GetGetParameterDetailsImpl(), &GetParameterDetailsImpl::GetParameterDetails,
             [](GetParameterDetailsResponse& r) { return r.AccessAttributeParameters().size() == 1; });
     }},
    {"GetMetaAttributes", "GetMetaAttributesResponse", "<Attribute/>",
     [](Facades& f, DorsaSession*) {
         return CallWithDefaults<GetMetaAttributesRequest, GetMetaAttributesResponse>(
             *f.browse->GetGetMetaAttributesImpl(), &GetMetaAttributesImpl::GetMetaAttributes,
             [](GetMetaAttributesResponse& r) { return r.GetAttributes().size() == 1; });
     }},
    {"GetRecordAttributesByRef", "GetRecordAttributesByRefResponse", "<results><recordData/></results>",
     [](Facades& f, DorsaSession*) {
         return CallWithDefaults<GetRecordAttributesByRefRequest, GetRecordAttributesByRefResponse>(
             *f.dataExport->GetRecordAttributesByRefImplPtr(), &GetRecordAttributesByRefImpl::RequestRecordAttributesByRef,
             [](GetRecordAttributesByRefResponse& r) { return r.AccessRecordData().size() == 1; });
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
    Facades facades(m_session.get());
    for (const CatalogueCase& c : s_cases) {
        SCOPED_TRACE(c.operation);
        ASSERT_TRUE(emulator.contains(c.operation));
        const std::string service = emulator[c.operation][0];
        const nlohmann::json& rootTag = emulator[c.operation][1];
        const std::string serviceNamespace = std::string(VendorNamespaceRoot) + "/" + s_version + "/" + service;

        Reply(Envelope(std::string("<r:") + c.responseElement + " xmlns:r=\"" + serviceNamespace + "\">" +
                       c.replyContent + "</r:" + c.responseElement + ">"));
        EXPECT_TRUE(c.call(facades, m_session.get())) << "the reply was not read from " << c.responseElement;

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
