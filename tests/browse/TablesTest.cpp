#include "support/RequestTableTest.h"
#include "support/Fixtures.h"
#include "support/XmlFragments.h"

#include <gtest/gtest.h>

#include <string>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

class TablesTest : public RequestTableTest<> {
protected:
    void SetUp() override { TableFilters::StaticInit(); }
};

TEST_F(TablesTest, WritesTheRequestInItsFixedOrder)
{
    ExpectBodies(&GetTablesImpl::RequestTables, "brow:GetTables", {
        {"key only", [](GetTables& r) { r.SetDBKey("DORSA_SAMPLES"); }, "<brow:dbKey>DORSA_SAMPLES</brow:dbKey>"},
        {"empty key", [](GetTables&) {}, "<brow:dbKey/>"},
        {"filter", [](GetTables& r) { r.SetTableFilter(TableFilters::MaterialsTablesOnly); },
         "<brow:dbKey/><brow:tableFilter>MaterialsTablesOnly</brow:tableFilter>"},
        {"selectors", [](GetTables& r) {
             r.AddAttributeSelector(GetTables::StandardAttributes);
             r.AddAttributeSelector(GetTables::NonMetaAttributes);
             r.AddAttributeSelector(static_cast<GetTables::eAttributeSelector>(0));
             r.SetTableFilter(TableFilters::MobileUseTypesTablesOnly);
         },
         "<brow:dbKey/><brow:tableFilter>MobileUseTypesTablesOnly</brow:tableFilter><brow:attributeSelectors>"
         "<brow:attributeSelector>StandardAttributes</brow:attributeSelector><brow:attributeSelector>NonMetaAttributes"
         "</brow:attributeSelector><brow:attributeSelector/></brow:attributeSelectors>"},
    });
}

TEST_F(TablesTest, ReadsTableDetails)
{
    Reply(Envelope(ReadFixture("browse/table_details.xml")));
    GetTablesImpl operation(m_session.get());
    SmartPtr<GetTables> request = new GetTables;
    GetTablesResponse response;
    operation.RequestTables(request, &response);

    ASSERT_EQ(response.AccessTableDetails().size(), 2u);
    const SmartPtr<TableDetail> detail = response.AccessTableDetails()[0];
    EXPECT_EQ(detail->GetTableReference()->GetTableName(), "Alloys and Polymers");
    EXPECT_EQ(detail->GetTableReference()->GetTableID(), 4);
    EXPECT_EQ(detail->GetTableReference()->GetDBKey(), "DORSA_SAMPLES");
    ASSERT_EQ(detail->AccessAttributeReferences().size(), 2u);
    EXPECT_EQ(detail->AccessAttributeReferences()[1]->GetAttributeID(), 12);
    ASSERT_EQ(detail->AccessStandardAttributeReferences().size(), 1u);
    EXPECT_EQ(detail->AccessStandardAttributeReferences()[0]->GetName(), "Density");
    EXPECT_EQ(detail->AccessTableFilters(), (std::vector<TableFilters::eTablesFilter>{
                                                TableFilters::RegionsTablesOnly, TableFilters::NoFilter, TableFilters::NoFilter}));
    EXPECT_FALSE(response.AccessTableDetails()[1]->GetTableReference());
}

TEST_F(TablesTest, TableDetailWritesTableAndAttributesOnly)
{
    Fragment fragment("<t><table><tableName>Metals</tableName><dbKey>DB</dbKey></table><attributeReferences>"
                      "<attribute><attributeIdentity>5</attributeIdentity></attribute></attributeReferences>"
                      "<tableFilters><tableFilter>PartsTablesOnly</tableFilter></tableFilters></t>");
    EXPECT_EQ(Written(*TableDetail::CreateOne(fragment.Root())),
              "<zbt:table><zbt:tableName>Metals</zbt:tableName><zbt:dbKey>DB</zbt:dbKey></zbt:table>"
              "<zbt:attributeReferences><zbt:attribute><zbt:dbKey/><zbt:attributeIdentity>5</zbt:attributeIdentity>"
              "</zbt:attribute></zbt:attributeReferences>");
    EXPECT_EQ(Written(TableDetail()), "<zbt:attributeReferences/>");
}

// Every filter has a name of its own.
TEST(TableFilters, EveryNameReadsBackAsItsFilter)
{
    TableFilters::StaticInit();
    for (int value = 0; value <= TableFilters::MobileUseTypesTablesOnly; ++value) {
        const auto filter = static_cast<TableFilters::eTablesFilter>(value);
        EXPECT_EQ(TableFilters::FromString(TableFilters::ToString(filter)), filter);
    }
}

} // namespace
} // namespace dorsatest
