#include "support/SessionFixture.h"

#include <gtest/gtest.h>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

using SubsetsTest = SessionFixture;

TEST_F(SubsetsTest, WritesTheTableThenTheSubsets)
{
    Reply(Envelope("<GetSubsetsResponse/>"));
    GetSubsetsImpl operation(m_session.get());
    GetSubsetsResponse response;

    operation.GetSubsets(new GetSubsets, &response);
    EXPECT_EQ(LastBodyContent(), "<brow:GetSubsets/>");

    SmartPtr<GetSubsets> request = new GetSubsets;
    SmartPtr<TableReference> table = new TableReference;
    table->SetTableName("Metals");
    table->SetDBKey("DORSA_SAMPLES");
    request->SetTable(table);
    SmartPtr<SubsetReference> byIdentity = new SubsetReference;
    byIdentity->SetSubsetIdentity(4);
    request->AddSubsetRefernece(byIdentity);
    SmartPtr<SubsetReference> byName = new SubsetReference;
    byName->SetName("Steels");
    request->AddSubsetRefernece(byName);
    operation.GetSubsets(request, &response);
    EXPECT_EQ(LastBodyContent(),
              "<brow:GetSubsets><brow:table><zbt:tableName>Metals</zbt:tableName><zbt:dbKey>DORSA_SAMPLES</zbt:dbKey></brow:table>"
              "<zbt:subsetReferences><zbt:subset><zbt:dbKey/><zbt:subsetIdentity>4</zbt:subsetIdentity></zbt:subset>"
              "<zbt:subset><zbt:dbKey/><zbt:name><zbt:table/><zbt:subsetName>Steels</zbt:subsetName></zbt:name>"
              "</zbt:subset></zbt:subsetReferences></brow:GetSubsets>");
}

TEST_F(SubsetsTest, ReadsSubsetDetailsWithTheirTables)
{
    Reply(Envelope("<GetSubsetsResponse><subsetDetails>"
                   "<subsetDetail><name>Steels</name><subset><dbKey>DORSA_SAMPLES</dbKey><subsetIdentity>4</subsetIdentity>"
                   "</subset><table><tableName>Metals</tableName><dbKey>DORSA_SAMPLES</dbKey></table></subsetDetail>"
                   "<subsetDetail><name>Orphans</name></subsetDetail>"
                   "</subsetDetails></GetSubsetsResponse>"));
    GetSubsetsImpl operation(m_session.get());
    GetSubsetsResponse response;
    operation.GetSubsets(new GetSubsets, &response);

    ASSERT_EQ(response.AccessSubsetDetails().size(), 2u);
    const SmartPtr<SubsetDetail> steels = response.AccessSubsetDetails()[0];
    EXPECT_EQ(steels->GetName(), "Steels");
    EXPECT_EQ(steels->GetSubset()->GetSubsetIdentity(), 4);
    EXPECT_EQ(steels->GetTableReference()->GetTableName(), "Metals");
    const SmartPtr<SubsetDetail> orphans = response.AccessSubsetDetails()[1];
    ASSERT_TRUE(orphans->GetTableReference());
    EXPECT_EQ(orphans->GetTableReference()->GetTableName(), "");
    EXPECT_FALSE(SubsetDetail().GetTableReference());
}

} // namespace
} // namespace dorsatest
