#include "support/Fixtures.h"
#include "support/SampleReferences.h"
#include "support/SessionFixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

class RecordAttributesTest : public SessionFixture {};

struct FlagCase {
    const char* name;
    std::function<void(GetRecordAttributesRequest&)> set;
    std::string flags;
};

TEST_F(RecordAttributesTest, WritesRecordsThenOnlyTheFlagsThatAreSet)
{
    const std::string records = "<zbt:recordReferences><zbt:record><zbt:dbKey>DORSA_SAMPLES</zbt:dbKey><zbt:identity>"
                                "<zbt:recordHistoryIdentity>1001</zbt:recordHistoryIdentity></zbt:identity></zbt:record>"
                                "</zbt:recordReferences>";
    const FlagCase cases[] = {
        {"no flag", [](GetRecordAttributesRequest&) {}, ""},
        {"empty only", [](GetRecordAttributesRequest& r) { r.SetIncludeEmpty(true); },
         "<brow:includeEmptyAttributes>1</brow:includeEmptyAttributes>"},
        {"all four, set in reverse", [](GetRecordAttributesRequest& r) {
             r.SetIncludeFullAttributeDetail(true);
             r.SetIncludeParamDetails(true);
             r.SetIncludeEmpty(true);
             r.SetIncludeMeta(true);
         },
         "<brow:includeMetaAttributes>1</brow:includeMetaAttributes><brow:includeEmptyAttributes>1"
         "</brow:includeEmptyAttributes><brow:includeParameterDetails>1</brow:includeParameterDetails>"
         "<brow:includeFullAttributeDetail>1</brow:includeFullAttributeDetail>"},
        {"set and cleared", [](GetRecordAttributesRequest& r) {
             r.SetIncludeMeta(true);
             r.SetIncludeMeta(false);
         },
         ""},
    };
    Reply(Envelope("<GetRecordAttributesResponse/>"));
    GetRecordAttributesImpl operation(m_session.get());
    for (const FlagCase& c : cases) {
        SmartPtr<GetRecordAttributesRequest> request = GetRecordAttributesRequest::CreateOne();
        request->AddRecordReference(SampleRecord(1001));
        c.set(*request);
        GetRecordAttributesResponse response;
        operation.RequestRecordAttributes(request, &response);
        EXPECT_EQ(LastBodyContent(), "<brow:GetRecordAttributes>" + records + c.flags + "</brow:GetRecordAttributes>")
            << c.name;
    }
    GetRecordAttributesResponse response;
    operation.RequestRecordAttributes(std::vector<SmartPtr<RecordReference>>{}, &response);
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
