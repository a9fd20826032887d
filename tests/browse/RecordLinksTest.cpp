#include "support/RequestTableTest.h"
#include "support/Fixtures.h"
#include "support/SampleReferences.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

// Table filters are read through the registry that start-up fills.
using RecordLinksTest = RequestTableTest<StartedSessionFixture>;

const std::string s_record1001 = "<zbt:record><zbt:dbKey>DORSA_SAMPLES</zbt:dbKey><zbt:identity>"
                                 "<zbt:recordHistoryIdentity>1001</zbt:recordHistoryIdentity></zbt:identity>"
                                 "</zbt:record>";
const std::string s_group61 = "<zbt:recordLinkGroup><zbt:dbKey>DORSA_SAMPLES</zbt:dbKey><zbt:recordLinkGroupIdentity "
                              "zbt:recordLinkGroupType=\"static\">61</zbt:recordLinkGroupIdentity>"
                              "</zbt:recordLinkGroup>";

SmartPtr<RecordLinkGroupReference> Group61()
{
    SmartPtr<RecordLinkGroupReference> group = new RecordLinkGroupReference;
    group->SetDBKey("DORSA_SAMPLES");
    group->SetRecordLinkGroupIdentity(61);
    group->SetRecordLinkGroupType("static");
    return group;
}

void AskLinkGroups(DorsaSession* session, const std::function<void(GetRecordLinkGroups&)>& fill)
{
    SmartPtr<GetRecordLinkGroups> request = new GetRecordLinkGroups;
    fill(*request);
    GetRecordLinkGroupsResponse response;
    GetRecordLinkGroupsImpl(session).GetRecordLinkGroups(request, &response);
}

void AskLinkedRecords(DorsaSession* session, const std::function<void(GetLinkedRecordsRequest&)>& fill)
{
    SmartPtr<GetLinkedRecordsRequest> request = new GetLinkedRecordsRequest;
    fill(*request);
    GetLinkedRecordsResponse response;
    GetLinkedRecordsImpl(session).GetLinkedRecords(request, &response);
}

void AskVersions(DorsaSession* session, const std::function<void(GetRecordVersionsRequest&)>& fill)
{
    SmartPtr<GetRecordVersionsRequest> request = GetRecordVersionsRequest::CreateOne();
    fill(*request);
    GetRecordVersionsResponse response;
    GetRecordVersionsImpl(session).GetRecordVersions(request, &response);
}

CallCase Selector(int selector, const std::string& text)
{
    return {"version selector", [selector](DorsaSession* s) {
                AskVersions(s, [selector](GetRecordVersionsRequest& r) {
                    r.SetVersions(static_cast<GetRecordVersionsRequest::eVersionSelector>(selector));
                });
            },
            "<brow:GetRecordVersions><brow:versions>" + text +
                "</brow:versions><zbt:recordReferences/></brow:GetRecordVersions>"};
}

TEST_F(RecordLinksTest, WritesEachRequestWithItsDefaultsAndEveryOptionalPart)
{
    ExpectBodies({
        {"link groups of nothing", [](DorsaSession* s) { AskLinkGroups(s, [](GetRecordLinkGroups&) {}); },
         "<brow:GetRecordLinkGroups/>"},
        {"link groups of a database", [](DorsaSession* s) {
             AskLinkGroups(s, [](GetRecordLinkGroups& r) { r.SetDBKey("DORSA_SAMPLES"); });
         },
         "<brow:GetRecordLinkGroups><brow:database><brow:dbKey>DORSA_SAMPLES</brow:dbKey>"
         "<brow:standardNamesOnly>false</brow:standardNamesOnly></brow:database></brow:GetRecordLinkGroups>"},
        {"standard names only, without a key", [](DorsaSession* s) {
             AskLinkGroups(s, [](GetRecordLinkGroups& r) { r.SetStandardNamesOnly(true); });
         },
         "<brow:GetRecordLinkGroups/>"},
        {"given groups and a database", [](DorsaSession* s) {
             AskLinkGroups(s, [](GetRecordLinkGroups& r) {
                 r.SetDBKey("DORSA_SAMPLES");
                 r.SetStandardNamesOnly(true);
                 r.AddRecordLinkGroup(Group61());
             });
         },
         "<brow:GetRecordLinkGroups><zbt:recordLinkGroups>" + s_group61 + "</zbt:recordLinkGroups><brow:database>"
             "<brow:dbKey>DORSA_SAMPLES</brow:dbKey><brow:standardNamesOnly>true</brow:standardNamesOnly>"
             "</brow:database></brow:GetRecordLinkGroups>"},
        {"linked records by default", [](DorsaSession* s) { AskLinkedRecords(s, [](GetLinkedRecordsRequest&) {}); },
         "<brow:GetLinkedRecords><zbt:recordLinkGroups/><zbt:recordReferences/>"
         "<brow:populateGUIDs>0</brow:populateGUIDs></brow:GetLinkedRecords>"},
        {"linked records with everything", [](DorsaSession* s) {
             AskLinkedRecords(s, [](GetLinkedRecordsRequest& r) {
                 r.AddRecordLinkGroup(Group61());
                 r.AddRecordReference(SampleRecord(1001));
                 r.SetPopulateGUIDs(true);
                 SmartPtr<RecordFilter> filter = RecordFilter::CreateOne();
                 filter->AddSubset(SampleSubset(11));
                 r.SetRecordFilter(filter);
             });
         },
         "<brow:GetLinkedRecords><zbt:recordLinkGroups>" + s_group61 + "</zbt:recordLinkGroups><zbt:recordReferences>" +
             s_record1001 + "</zbt:recordReferences><brow:populateGUIDs>1</brow:populateGUIDs><brow:recordFilter>"
             "<zbt:subsetReferences><zbt:subset><zbt:dbKey>DORSA_SAMPLES</zbt:dbKey><zbt:subsetIdentity>11"
             "</zbt:subsetIdentity></zbt:subset></zbt:subsetReferences></brow:recordFilter></brow:GetLinkedRecords>"},
        {"versions by default", [](DorsaSession* s) { AskVersions(s, [](GetRecordVersionsRequest&) {}); },
         "<brow:GetRecordVersions><brow:versions>All</brow:versions><zbt:recordReferences/></brow:GetRecordVersions>"},
        Selector(0, "LatestRead"),
        Selector(1, "Latest"),
        Selector(2, "AllReleased"),
        Selector(9, "Unknown"),
        Selector(-1, "Unknown"),
        {"versions of a record", [](DorsaSession* s) {
             AskVersions(s, [](GetRecordVersionsRequest& r) { r.AddRecord(SampleRecord(1001)); });
         },
         "<brow:GetRecordVersions><brow:versions>All</brow:versions><zbt:recordReferences>" + s_record1001 +
             "</zbt:recordReferences></brow:GetRecordVersions>"},
    });
}

TEST_F(RecordLinksTest, ReadsLinkGroupsAndKeepsUnknownTexts)
{
    Reply(Envelope(ReadFixture("browse/link_groups.xml")));
    GetRecordLinkGroupsResponse response;
    GetRecordLinkGroupsImpl(m_session.get()).GetRecordLinkGroups(new GetRecordLinkGroups, &response);

    ASSERT_EQ(response.AccessRecordLinkGroups().size(), 2u);
    RecordLinkGroupDetail& group = *response.AccessRecordLinkGroups()[0];
    EXPECT_EQ(group.GetLinkGroupType(), "sideways");
    ASSERT_TRUE(group.GetReference());
    EXPECT_EQ(group.GetReference()->GetRecordLinkGroupIdentity(), 61);
    EXPECT_EQ(group.GetReference()->GetRecordLinkGroupType(), "Unknown");
    ASSERT_TRUE(group.GetReverseReference());
    EXPECT_EQ(group.GetReverseReference()->GetRecordLinkGroupType(), "dynamic");
    EXPECT_EQ(group.GetReverseName(), "Supplied materials");
    ASSERT_TRUE(group.GetFromTable() && group.GetToTable());
    EXPECT_EQ(group.GetFromTable()->GetTableName(), "Alloys and Polymers");
    EXPECT_EQ(group.GetToTable()->GetTableID(), 3);
    EXPECT_EQ(group.GetName(), "Suppliers");
    EXPECT_EQ(group.AccessStandardNames(), (std::vector<std::string>{"Supplier", ""}));

    RecordLinkGroupDetail& bare = *response.AccessRecordLinkGroups()[1];
    EXPECT_EQ(bare.GetLinkGroupType(), "");
    EXPECT_FALSE(bare.GetReference());
    EXPECT_FALSE(bare.GetFromTable());
    EXPECT_TRUE(bare.AccessStandardNames().empty());
}

TEST_F(RecordLinksTest, ReadsLinkedRecordsGroupByGroup)
{
    Reply(Envelope(ReadFixture("browse/linked_records.xml")));
    GetLinkedRecordsResponse response;
    GetLinkedRecordsImpl(m_session.get()).GetLinkedRecords(new GetLinkedRecordsRequest, &response);

    ASSERT_EQ(response.GetSourceRecords().size(), 2u);
    SourceRecord& source = *response.GetSourceRecords()[0];
    EXPECT_EQ(source.GetRecord()->GetIdentity(), 1001);
    ASSERT_TRUE(source.GetRecordLinkGroups());
    ASSERT_EQ(source.GetRecordLinkGroups()->AccessRecordLinkGroups().size(), 2u);
    const RecordLinkGroup& suppliers = *source.GetRecordLinkGroups()->AccessRecordLinkGroups()[0];
    EXPECT_EQ(suppliers.GetName(), "Suppliers");
    ASSERT_EQ(suppliers.GetLinkedRecords().size(), 1u);
    EXPECT_EQ(suppliers.GetLinkedRecords()[0]->GetLongName(), "Orvane Steel Works");
    EXPECT_EQ(suppliers.GetLinkedRecords()[0]->GetRecordReference()->GetIdentity(), 3001);
    const std::vector<TableFilters::eTablesFilter> filters{TableFilters::ProducersTablesOnly,
                                                           TableFilters::eTablesFilter(0)};
    EXPECT_EQ(suppliers.GetTableFilters(), filters);
    EXPECT_EQ(suppliers.GetStandardNames(), std::vector<std::string>{"Supplier"});
    EXPECT_TRUE(source.GetRecordLinkGroups()->AccessRecordLinkGroups()[1]->GetLinkedRecords().empty());

    const SourceRecord& bare = *response.GetSourceRecords()[1];
    EXPECT_FALSE(bare.GetRecord());
    EXPECT_FALSE(bare.GetRecordLinkGroups());
}

TEST_F(RecordLinksTest, ReadsVersionStatesExactlyAndAnyOtherTextAsUnrecognised)
{
    using State = RecordVersionState;
    const std::pair<std::string, State::eVersionState> cases[] = {
        {"<versionState>Released</versionState>", State::Released},
        {"<versionState>Superseded</versionState>", State::Superseded},
        {"<versionState>Withdrawn</versionState>", State::Withdrawn},
        {"<versionState>Unreleased</versionState>", State::Unreleased},
        {"<versionState>Unversioned</versionState>", State::Unversioned},
        {"<versionState>released</versionState>", State::Unrecognised},
        {"<versionState>Released </versionState>", State::Unrecognised},
        {"<versionState>Obsolete</versionState>", State::Unrecognised},
        {"<versionState/>", State::Unrecognised},
        {"", State::Unrecognised},
    };
    std::string states;
    for (const auto& c : cases) {
        states += "<v:recordVersionState><v:record><v:recordGUID>g</v:recordGUID></v:record>" + c.first +
                  "</v:recordVersionState>";
    }
    Reply(Envelope("<v:GetRecordVersionsResponse xmlns:v=\"urn:v\"><v:recordVersionStates>" + states +
                   "</v:recordVersionStates></v:GetRecordVersionsResponse>"));
    GetRecordVersionsResponse response;
    GetRecordVersionsImpl(m_session.get()).GetRecordVersions(GetRecordVersionsRequest::CreateOne(), &response);

    ASSERT_EQ(response.AccessRecordStates().size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(response.AccessRecordStates()[i]->GetVersion(), cases[i].second) << cases[i].first;
        EXPECT_EQ(response.AccessRecordStates()[i]->GetRecord()->GetRecordGUID(), "g");
    }
    EXPECT_EQ(State::VersionState_ToString(State::Withdrawn), "Withdrawn");
    EXPECT_EQ(State::VersionState_ToString(State::Unrecognised), "Unknown");
}

} // namespace
} // namespace dorsatest
