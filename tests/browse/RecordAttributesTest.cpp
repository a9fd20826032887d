#include "support/RequestTableTest.h"
#include "support/Fixtures.h"
#include "support/SampleReferences.h"

#include <gtest/gtest.h>

#include <string>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

using RecordAttributesTest = RequestTableTest<>;

TEST_F(RecordAttributesTest, WritesRecordsThenOnlyTheFlagsThatAreSet)
{
    using R = GetRecordAttributesRequest;
    const std::string record = "<zbt:record><zbt:dbKey>DORSA_SAMPLES</zbt:dbKey><zbt:identity>"
                               "<zbt:recordHistoryIdentity>1001</zbt:recordHistoryIdentity></zbt:identity></zbt:record>";
    void (GetRecordAttributesImpl::*send)(SmartPtr<R>, GetRecordAttributesResponse*) =
        &GetRecordAttributesImpl::RequestRecordAttributes;
    ExpectBodies(send, "brow:GetRecordAttributes", {
        {"a record, no flag", [](R& r) { r.AddRecordReference(SampleRecord(1001)); },
         "<zbt:recordReferences>" + record + "</zbt:recordReferences>"},
        {"empty only", [](R& r) { r.SetIncludeEmpty(true); },
         "<zbt:recordReferences/><brow:includeEmptyAttributes>1</brow:includeEmptyAttributes>"},
        {"all four and a record, set in reverse", [](R& r) {
             r.SetIncludeFullAttributeDetail(true);
             r.SetIncludeParamDetails(true);
             r.SetIncludeEmpty(true);
             r.SetIncludeMeta(true);
             r.AddRecordReference(SampleRecord(1001));
         },
         "<zbt:recordReferences>" + record + "</zbt:recordReferences><brow:includeMetaAttributes>1"
         "</brow:includeMetaAttributes><brow:includeEmptyAttributes>1</brow:includeEmptyAttributes>"
         "<brow:includeParameterDetails>1</brow:includeParameterDetails><brow:includeFullAttributeDetail>1"
         "</brow:includeFullAttributeDetail>"},
        {"set and cleared", [](R& r) {
             r.SetIncludeMeta(true);
             r.SetIncludeMeta(false);
         },
         "<zbt:recordReferences/>"},
    });
    GetRecordAttributesResponse response;
    GetRecordAttributesImpl(m_session.get()).RequestRecordAttributes(std::vector<SmartPtr<RecordReference>>{}, &response);
    EXPECT_EQ(LastBodyContent(), "<brow:GetRecordAttributes><zbt:recordReferences/></brow:GetRecordAttributes>");
}

TEST_F(RecordAttributesTest, ReadsRecordAttributesAndKeepsDefaultsForMissingParts)
{
    Reply(Envelope(ReadFixture("browse/record_attributes.xml")));
    GetRecordAttributesResponse response;
    GetRecordAttributesImpl(m_session.get()).RequestRecordAttributes({SampleRecord(1001)}, &response);

    ASSERT_EQ(response.AccessRecordAttributes().size(), 2u);
    RecordAttribute& curve = *response.AccessRecordAttributes()[0];
    EXPECT_EQ(curve.GetRecordReference()->GetIdentity(), 1001);
    EXPECT_EQ(curve.GetAttribute()->GetName(), "Stress-strain curve");
    EXPECT_TRUE(curve.GetHasData());
    EXPECT_EQ(curve.GetDataRevisionInfo()->GetUpdateCount(), 3);
    EXPECT_EQ(curve.GetDataCreatedRecordVersion(), 1);
    EXPECT_EQ(curve.GetDataRetiredRecordVersion(), -1);
    EXPECT_EQ(curve.GetDataVersionNumber(), 4);
    ASSERT_EQ(curve.GetParameterDetails().size(), 2u);
    EXPECT_EQ(curve.GetParameterDetails()[1]->GetName(), "Temperature");

    const RecordAttribute& bare = *response.AccessRecordAttributes()[1];
    ASSERT_TRUE(bare.GetRecordReference());
    EXPECT_EQ(bare.GetRecordReference()->GetIdentity(), 0);
    ASSERT_TRUE(bare.GetAttribute());
    EXPECT_TRUE(dynamic_cast<AttributeDetail*>(bare.GetAttribute().get()));
    EXPECT_FALSE(bare.GetHasData());
    EXPECT_FALSE(bare.GetDataRevisionInfo());

    RecordAttribute copy(bare);
    EXPECT_EQ(copy.GetAttribute().get(), bare.GetAttribute().get());
}

TEST_F(RecordAttributesTest, BadBooleanThrowsAfterTheOutcomeIsRecorded)
{
    Reply(Envelope("<GetRecordAttributesResponse><recordAttributes><recordAttribute><hasData>maybe</hasData>"
                   "</recordAttribute></recordAttributes></GetRecordAttributesResponse>"));
    GetRecordAttributesResponse response;
    EXPECT_THROW(GetRecordAttributesImpl(m_session.get()).RequestRecordAttributes({SampleRecord(1)}, &response),
                 std::invalid_argument);
    EXPECT_TRUE(response.GetServiceLayerResponse());
}

} // namespace
} // namespace dorsatest
