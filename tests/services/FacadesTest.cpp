// The services object and its facades: one operation object per operation, handed out
// again on every call, and timeouts set on the shared session.

#include "support/SessionFixture.h"

#include <gtest/gtest.h>

#include <set>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

using FacadesTest = SessionFixture;

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

TEST_F(FacadesTest, TheServicesHoldTwentyEightOperationObjectsHandedOutAgainOnEveryCall)
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
TEST_F(FacadesTest, SetTimeoutsReachesTheSharedSession)
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
