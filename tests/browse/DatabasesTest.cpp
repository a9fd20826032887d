#include "support/SessionFixture.h"

#include <gtest/gtest.h>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

using DatabasesTest = SessionFixture;

TEST_F(DatabasesTest, ListsTheDatabasesWithAnEmptyBody)
{
    Reply(Envelope("<GetDatabasesResponse xmlns=\"http://www.zelvra.com/16/01/Browse\"><databaseDetails>"
                   "<database><dbKey>DORSA_SAMPLES</dbKey><volumeName>Materials</volumeName></database>"
                   "<b:database xmlns:b=\"urn:b\"><b:dbKey>POLY</b:dbKey><b:volumeName>Polymers</b:volumeName></b:database>"
                   "</databaseDetails></GetDatabasesResponse>"));
    GetDatabaseImpl operation(m_session.get());
    GetDatabasesResponse response;
    operation.GetDatabases(&response);

    const RecordedRequest request = m_server.LastRequest();
    EXPECT_EQ(request.path, "/Browse.svc");
    EXPECT_EQ(request.Header("SOAPAction"), BrowseService::GetBrowseDefinition("16/01") + "/GetDatabasesRequest");
    EXPECT_NE(request.body.find("<soapenv:Body/>"), std::string::npos);
    ASSERT_EQ(response.AccessDatabases().size(), 2u);
    EXPECT_EQ(response.AccessDatabases()[0]->GetDBKey(), "DORSA_SAMPLES");
    EXPECT_EQ(response.AccessDatabases()[1]->GetName(), "Polymers");
}

} // namespace
} // namespace dorsatest
