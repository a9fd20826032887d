#include "support/SampleReferences.h"
#include "support/SessionFixture.h"
#include "support/XmlFragments.h"

#include <gtest/gtest.h>

#include <string>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

class RecordLinkModificationTest : public SessionFixture {
protected:
    ModifyRecordLinksResponse Call(const SmartPtr<ModifyRecordLinksRequest>& request)
    {
        ModifyRecordLinksResponse response;
        ModifyRecordLinksImpl(m_session.get()).ModifyRecordLinks(request, &response);
        return response;
    }
};

std::string Record(int identity)
{
    return "<zbt:dbKey>DORSA_SAMPLES</zbt:dbKey><zbt:identity><zbt:recordHistoryIdentity>" + std::to_string(identity) +
           "</zbt:recordHistoryIdentity></zbt:identity>";
}

const char s_modes[] = "<dat:importErrorMode>LogAndContinueWherePossible</dat:importErrorMode>"
                       "<dat:recordLinkCheckMode>CheckOnlyForwardLinks</dat:recordLinkCheckMode>";

// Mode texts must match exactly; any other text, even after a good one, sends the default.
TEST_F(RecordLinkModificationTest, EmptyRequestWritesAllFourChildrenWithDefaultModes)
{
    SmartPtr<ModifyRecordLinksRequest> request = new ModifyRecordLinksRequest;
    request->SetImportErrorMode("FaultAndRollbackOnAnyError");
    request->SetImportErrorMode("faultAndRollbackOnAnyError");
    request->SetRecordLinkCheckMode("CheckForwardAndReverseLinks");
    request->SetRecordLinkCheckMode("checkForwardAndReverseLinks");
    const std::string empty = std::string("<dat:ModifyRecordLinksRequest><dat:recordLinkGroup/>") + s_modes +
                              "<dat:recordLinkModifications/></dat:ModifyRecordLinksRequest>";
    Reply(Envelope("<ModifyRecordLinksResponse/>"));
    Call(new ModifyRecordLinksRequest);
    EXPECT_EQ(LastBodyContent(), empty);
    Call(request);
    EXPECT_EQ(LastBodyContent(), empty);
    EXPECT_EQ(RecordLinkCheckModes::RecordLinkCheckMode_ToString(
                  static_cast<RecordLinkCheckModes::eRecordLinkCheckMode>(7)),
              "CheckOnlyForwardLinks");
}

TEST_F(RecordLinkModificationTest, ModificationsGoInTheFixedOrderWhateverTheOrderOfAdding)
{
    SmartPtr<LinkAllCombinations> linkAll = new LinkAllCombinations;
    linkAll->AddSourceRecord(SampleRecord(1));
    linkAll->AddTargetRecord(SampleRecord(2));
    SmartPtr<NotatedTargetRecord> target = new NotatedTargetRecord;
    target->SetRecord(SampleRecord(4));
    target->SetNotes("same heat");
    SmartPtr<NotatedTargettedSourceRecord> source = new NotatedTargettedSourceRecord;
    source->SetRecord(SampleRecord(3));
    source->AddRecord(target);
    SmartPtr<LinkRecords> link = new LinkRecords;
    link->AddSourceRecord(source);
    SmartPtr<TargettedSourceRecord> unlinked = new TargettedSourceRecord;
    unlinked->SetRecord(SampleRecord(5));
    unlinked->AddRecord(SampleRecord(6));
    SmartPtr<UnlinkRecords> unlink = new UnlinkRecords;
    unlink->AddSourceRecord(unlinked);
    SmartPtr<UnlinkAllRecords> unlinkAll = new UnlinkAllRecords;

    SmartPtr<RecordLinkModifications> modifications = new RecordLinkModifications;
    modifications->AddLinkAllCombinations(linkAll);
    modifications->AddLinkRecords(link);
    modifications->AddUnlinkRecords(unlink);
    modifications->AddUnlinkAllRecords(unlinkAll);
    modifications->AddUnlinkAllRecords(nullptr);

    SmartPtr<RecordLinkGroupReference> group = new RecordLinkGroupReference;
    group->SetDBKey("DORSA_SAMPLES");
    group->SetRecordLinkGroupIdentity(31);
    group->SetRecordLinkGroupType("static");
    SmartPtr<ModifyRecordLinksRequest> request = new ModifyRecordLinksRequest;
    request->SetRecordLinkGroupReference(group);
    request->SetImportErrorMode("FaultAndRollbackOnAnyError");
    request->SetRecordLinkCheckMode("CheckForwardAndReverseLinks");
    request->SetRecordLinkModifications(modifications);

    Reply(Envelope("<ModifyRecordLinksResponse/>"));
    Call(request);
    EXPECT_EQ(LastBodyContent(),
              "<dat:ModifyRecordLinksRequest><dat:recordLinkGroup><zbt:dbKey>DORSA_SAMPLES</zbt:dbKey>"
              "<zbt:recordLinkGroupIdentity zbt:recordLinkGroupType=\"static\">31</zbt:recordLinkGroupIdentity>"
              "</dat:recordLinkGroup><dat:importErrorMode>FaultAndRollbackOnAnyError</dat:importErrorMode>"
              "<dat:recordLinkCheckMode>CheckForwardAndReverseLinks</dat:recordLinkCheckMode>"
              "<dat:recordLinkModifications>"
              "<dat:unlinkAllRecords><dat:sourceRecords/></dat:unlinkAllRecords>"
              "<dat:unlinkRecords><dat:sourceRecords><dat:sourceRecord><dat:record>" +
                  Record(5) + "</dat:record><dat:targetRecords><dat:targetRecord>" + Record(6) +
                  "</dat:targetRecord></dat:targetRecords></dat:sourceRecord></dat:sourceRecords></dat:unlinkRecords>"
                  "<dat:linkRecords><dat:sourceRecords><dat:sourceRecord><dat:record>" +
                  Record(3) + "</dat:record><dat:targetRecords><dat:targetRecord><dat:record>" + Record(4) +
                  "</dat:record><dat:notes>same heat</dat:notes><dat:reverseNotes/></dat:targetRecord>"
                  "</dat:targetRecords></dat:sourceRecord></dat:sourceRecords></dat:linkRecords>"
                  "<dat:linkAllCombinations><dat:sourceRecords><dat:sourceRecord>" +
                  Record(1) + "</dat:sourceRecord></dat:sourceRecords><dat:targetRecords><dat:targetRecord>" +
                  Record(2) + "</dat:targetRecord></dat:targetRecords></dat:linkAllCombinations>"
                              "</dat:recordLinkModifications></dat:ModifyRecordLinksRequest>");
}

TEST_F(RecordLinkModificationTest, LinkPointsWithoutRecordsWriteEmptyElements)
{
    EXPECT_EQ(Written(LinkPoint()), "");
    LinkPoint point;
    point.SetRecord(SampleRecord(8));
    EXPECT_EQ(Written(point), Record(8));
    EXPECT_EQ(Written(NotatedTargetRecord()), "<dat:record/><dat:notes/><dat:reverseNotes/>");
    EXPECT_EQ(Written(TargettedSourceRecord()), "<dat:record/><dat:targetRecords/>");
    EXPECT_EQ(Written(NotatedTargettedSourceRecord()), "<dat:record/><dat:targetRecords/>");
}

TEST_F(RecordLinkModificationTest, ReadsLinkedAndUnlinkedSourcesWithTheirTargets)
{
    Reply(Envelope("<l:ModifyRecordLinksResponse xmlns:l=\"urn:l\"><l:unlinked>"
                   "<l:sourceRecord><l:record><l:shortName>Plate</l:shortName></l:record><l:targetRecords>"
                   "<l:targetRecord><l:shortName>Heat 7</l:shortName></l:targetRecord><l:other/>"
                   "<l:targetRecord/></l:targetRecords></l:sourceRecord><l:sourceRecord/>"
                   "</l:unlinked></l:ModifyRecordLinksResponse>"));
    ModifyRecordLinksResponse response = Call(new ModifyRecordLinksRequest);
    const SmartPtr<RecordLinkChanges> changes = response.GetRecordLinkChanges();
    ASSERT_TRUE(changes);
    EXPECT_TRUE(changes->AccessLinked().empty());
    ASSERT_EQ(changes->AccessUnlinked().size(), 2u);
    NamedTargettedSourceRecord& plate = *changes->AccessUnlinked()[0];
    EXPECT_EQ(plate.GetRecord()->GetShortName(), "Plate");
    ASSERT_EQ(plate.AccessTargetRecords().size(), 2u);
    EXPECT_EQ(plate.AccessTargetRecords()[0]->GetShortName(), "Heat 7");
    EXPECT_FALSE(changes->AccessUnlinked()[1]->GetRecord());
}

} // namespace
} // namespace dorsatest
