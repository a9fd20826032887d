#include "support/RequestTableTest.h"
#include "support/SampleReferences.h"

#include <gtest/gtest.h>

#include <string>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

class TextSearchTest : public RequestTableTest<StartedSessionFixture> {
protected:
    // The reply to a text search holding `hits`.
    SimpleTextSearchResponse Answer(const std::string& hits)
    {
        Reply(Envelope("<t:SimpleTextSearchResponse xmlns:t=\"urn:t\">" + hits + "</t:SimpleTextSearchResponse>"));
        SimpleTextSearchResponse response;
        SimpleTextSearchImpl(m_session.get()).Search(new SimpleTextSearch, &response);
        return response;
    }
};

SmartPtr<RecordFilter> ProfileFilter(const std::string& profile)
{
    SmartPtr<RecordFilter> filter = RecordFilter::CreateOne();
    filter->SetProfile(profile);
    return filter;
}

const char s_profileFilter[] = "<sear:recordFilter><zbt:Profile><zbt:Key>METALS_VIEW</zbt:Key></zbt:Profile>"
                               "</sear:recordFilter>";

TEST_F(TextSearchTest, WritesTheTextSearchInItsFixedOrder)
{
    ExpectBodies(&SimpleTextSearchImpl::Search, "sear:SimpleTextSearch", {
        {"defaults", [](SimpleTextSearch&) {},
         "<sear:dbKey/><sear:searchValue/><sear:searchFilter>NoFilter</sear:searchFilter>"
         "<sear:populateGUIDs>false</sear:populateGUIDs>"},
        {"normal mode",
         [](SimpleTextSearch& r) {
             r.SetDBKey("DORSA_SAMPLES");
             r.SetSearchValue("austenitic <grade> & more");
             r.SetSearchMode(SearchModes::Normal);
         },
         "<sear:dbKey>DORSA_SAMPLES</sear:dbKey><sear:searchValue>austenitic &lt;grade&gt; &amp; more"
         "</sear:searchValue><sear:searchFilter>NoFilter</sear:searchFilter><sear:searchMode>Normal</sear:searchMode>"
         "<sear:populateGUIDs>false</sear:populateGUIDs>"},
        {"every optional part",
         [](SimpleTextSearch& r) {
             r.SetSearchFilter(TableFilters::MaterialsTablesOnly);
             r.SetSearchMode(SearchModes::ReadOnly);
             r.SetPopulateGUIDs(true);
             r.SetRecordFilter(ProfileFilter("METALS_VIEW"));
             r.AddRestrictToTables(PartialTableReference::CreateOneFromTableName("Alloys and Polymers"));
             r.AddRestrictToTables(nullptr);
             r.AddRestrictToTables(PartialTableReference::CreateOneFromTableID(2));
         },
         std::string("<sear:dbKey/><sear:searchValue/><sear:searchFilter>MaterialsTablesOnly</sear:searchFilter>"
                     "<sear:searchMode>ReadOnly</sear:searchMode><sear:populateGUIDs>true</sear:populateGUIDs>") +
             s_profileFilter +
             "<sear:restrictToTables><sear:table><zbt:tableName>Alloys and Polymers</zbt:tableName></sear:table>"
             "<sear:table><zbt:tableIdentity>2</zbt:tableIdentity></sear:table></sear:restrictToTables>"},
        {"a filter with both profile and subsets, a mode outside the table",
         [](SimpleTextSearch& r) {
             SmartPtr<RecordFilter> filter = ProfileFilter("METALS_VIEW");
             filter->AddSubset(SampleSubset(11));
             r.SetRecordFilter(filter);
             r.SetSearchMode(static_cast<SearchModes::eSearchMode>(9));
         },
         "<sear:dbKey/><sear:searchValue/><sear:searchFilter>NoFilter</sear:searchFilter>"
         "<sear:populateGUIDs>false</sear:populateGUIDs><sear:recordFilter/>"},
    });
}

TEST_F(TextSearchTest, WritesTheRecordNameSearchWithItsSwitchesAsDigits)
{
    ExpectBodies(&RecordNameSearchImpl::RecordNameSearch, "sear:RecordNameSearch", {
        {"defaults", [](RecordNameSearchRequest&) {},
         "<sear:recordName/><sear:options sear:populateGUIDs=\"0\" sear:searchFullNames=\"1\" "
         "sear:searchShortNames=\"0\" sear:caseSensitive=\"0\"/>"},
        {"every part, every switch turned",
         [](RecordNameSearchRequest& r) {
             SmartPtr<TableReference> table = new TableReference;
             table->SetDBKey("DORSA_SAMPLES");
             table->SetTableName("Alloys and Polymers");
             r.SetTable(table);
             r.SetRecordName("DS-18");
             r.SetFilter(ProfileFilter("METALS_VIEW"));
             r.SetPopulateGUIDs(true);
             r.SetSearchFullNames(false);
             r.SetSearchShortNames(true);
             r.SetCaseSensitiveNames(true);
         },
         std::string("<sear:table><zbt:tableName>Alloys and Polymers</zbt:tableName><zbt:dbKey>DORSA_SAMPLES"
                     "</zbt:dbKey></sear:table><sear:recordName>DS-18</sear:recordName>") +
             s_profileFilter +
             "<sear:options sear:populateGUIDs=\"1\" sear:searchFullNames=\"0\" sear:searchShortNames=\"1\" "
             "sear:caseSensitive=\"1\"/>"},
    });
}

// A hit as the server writes it; `extra` goes inside, `attributes` on the element.
std::string Hit(int identity, const std::string& name, const std::string& attributes = "",
                const std::string& extra = "")
{
    return "<t:resultRecords" + attributes + "><t:shortName>S" + std::to_string(identity) +
           "</t:shortName><t:fullName>" + name + "</t:fullName><t:recordReference><z:dbKey xmlns:z=\"urn:z\">DORSA_SAMPLES</z:dbKey><z:identity "
           "xmlns:z=\"urn:z\"><z:recordHistoryIdentity>" + std::to_string(identity) +
           "</z:recordHistoryIdentity></z:identity></t:recordReference>" + extra + "</t:resultRecords>";
}

TEST_F(TextSearchTest, ReadsNoOneOrSeveralHitsInReplyOrder)
{
    EXPECT_TRUE(Answer("<t:results>" + Hit(1001, "nested") + "</t:results>").AccessSearchResults().empty());

    SimpleTextSearchResponse one = Answer(Hit(1001, "Dorsa steel", " color=\"Red\" type=\"Record\"",
                                              "<t:ranking>0.75</t:ranking>"));
    ASSERT_EQ(one.AccessSearchResults().size(), 1u);
    const SearchResult& hit = *one.AccessSearchResults()[0];
    EXPECT_EQ(hit.GetShortName(), "S1001");
    EXPECT_EQ(hit.GetLongName(), "Dorsa steel");
    EXPECT_EQ(hit.GetRecordReference()->GetIdentity(), 1001);
    EXPECT_EQ(hit.GetRecordReference()->GetDBKey(), "DORSA_SAMPLES");
    EXPECT_EQ(hit.GetRanking(), "0.75");
    EXPECT_EQ(hit.GetColor(), "Red");
    EXPECT_EQ(hit.GetRecordType(), "Record");

    SimpleTextSearchResponse several =
        Answer(Hit(1003, "third") + "<t:other/>" + Hit(1001, "first") + Hit(1002, "second"));
    ASSERT_EQ(several.AccessSearchResults().size(), 3u);
    EXPECT_EQ(several.AccessSearchResults()[0]->GetLongName(), "third");
    EXPECT_EQ(several.AccessSearchResults()[1]->GetLongName(), "first");
    EXPECT_EQ(several.AccessSearchResults()[2]->GetRecordReference()->GetIdentity(), 1002);
    EXPECT_EQ(several.AccessSearchResults()[2]->GetRanking(), "");
}

TEST_F(TextSearchTest, ColorAndTypeAreReadOnlyAsAttributes)
{
    SimpleTextSearchResponse response = Answer(
        Hit(1001, "as children", "", "<t:color>Red</t:color><t:type>Folder</t:type>") +
        Hit(1002, "prefixed attributes", " t:color=\"Blue\" xsi:type=\"Generic\"") + "<t:resultRecords/>");
    ASSERT_EQ(response.AccessSearchResults().size(), 3u);
    EXPECT_EQ(response.AccessSearchResults()[0]->GetColor(), "");
    EXPECT_EQ(response.AccessSearchResults()[0]->GetRecordType(), "");
    EXPECT_EQ(response.AccessSearchResults()[1]->GetColor(), "Blue");
    EXPECT_EQ(response.AccessSearchResults()[1]->GetRecordType(), "Generic");
    const SearchResult& empty = *response.AccessSearchResults()[2];
    ASSERT_TRUE(empty.GetRecordReference());
    EXPECT_EQ(empty.GetRecordReference()->GetIdentity(), 0);
    EXPECT_EQ(empty.GetLongName(), "");
}

} // namespace
} // namespace dorsatest
