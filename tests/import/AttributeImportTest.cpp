#include "support/RequestTableTest.h"
#include "support/SampleReferences.h"
#include "support/XmlFragments.h"

#include <gtest/gtest.h>

#include <string>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

const char s_parent[] = "<zbt:dbKey>DORSA_SAMPLES</zbt:dbKey><zbt:identity><zbt:recordHistoryIdentity>1001"
                        "</zbt:recordHistoryIdentity></zbt:identity>";
const char s_otherParent[] = "<zbt:dbKey>DORSA_SAMPLES</zbt:dbKey><zbt:identity><zbt:recordHistoryIdentity>1002"
                             "</zbt:recordHistoryIdentity></zbt:identity>";
const char s_logAndContinue[] = "<dat:importErrorMode>LogAndContinueWherePossible</dat:importErrorMode>";
// A default create record under no parent.
const char s_bareCreate[] = "<zbt:create><zbt:importAttributeValues/><zbt:releaseRecord>1</zbt:releaseRecord>"
                            "<zbt:isFolder>0</zbt:isFolder><zbt:parentRecord/></zbt:create>";

using AttributeImportTest = RequestTableTest<StartedSessionFixture>;

SmartPtr<ImportRecord> Record(ImportRecordModes::eImportRecordMode mode, int existing = 1001)
{
    return new ImportRecord(SampleRecord(existing), "", mode, false);
}

TEST_F(AttributeImportTest, WritesTheBatchInItsFixedOrder)
{
    const std::string create = std::string("<zbt:create><zbt:importAttributeValues/><zbt:releaseRecord>1"
                                           "</zbt:releaseRecord><zbt:isFolder>0</zbt:isFolder><zbt:parentRecord>") +
                               s_parent + "</zbt:parentRecord></zbt:create>";
    ExpectBodies(&SetRecordAttributesImpl::SetRecordAttributes_Request, "dat:SetRecordAttributesRequest", {
        {"default", [](SetRecordAttributesRequest&) {}, std::string("<dat:importRecords/>") + s_logAndContinue},
        {"threshold 0 is not sent, an error mode outside the table is the default",
         [](SetRecordAttributesRequest& r) {
             r.SetCommitThreshold(0);
             r.SetImportErrorMode(static_cast<ImportErrorModes::eImportErrorMode>(9));
         },
         std::string("<dat:importRecords/>") + s_logAndContinue},
        {"threshold 500, fault mode",
         [](SetRecordAttributesRequest& r) {
             r.SetCommitThreshold(500);
             r.SetImportErrorMode(ImportErrorModes::FaultAndRollbackOnAnyError);
         },
         "<dat:importRecords/><dat:importErrorMode>FaultAndRollbackOnAnyError</dat:importErrorMode>"
         "<dat:transactionControl zbtCommitThreshold=\"500\"/>"},
        {"default record", [](SetRecordAttributesRequest& r) { r.AddImportRecord(new ImportRecord); },
         std::string("<dat:importRecords>") + s_bareCreate + "</dat:importRecords>" + s_logAndContinue},
        {"release false writes no flag",
         [](SetRecordAttributesRequest& r) {
             SmartPtr<ImportRecord> record = Record(ImportRecordModes::Update);
             record->SetRelease(false);
             r.AddImportRecord(record);
         },
         std::string("<dat:importRecords><zbt:update><zbt:importAttributeValues/><zbt:isFolder>0</zbt:isFolder>"
                     "<zbt:record>") +
             s_parent + "</zbt:record></zbt:update></dat:importRecords>" + s_logAndContinue},
        {"copy: source before parent",
         [](SetRecordAttributesRequest& r) {
             SmartPtr<ImportRecord> record = Record(ImportRecordModes::Copy);
             record->SetCopyDestinationParent(SampleRecord(1002));
             record->SetRecordName("Copy of 1001");
             r.AddImportRecord(record);
         },
         std::string("<dat:importRecords><zbt:copy><zbt:importAttributeValues/><zbt:releaseRecord>1"
                     "</zbt:releaseRecord><zbt:recordName>Copy of 1001</zbt:recordName><zbt:isFolder>0"
                     "</zbt:isFolder><zbt:sourceRecord>") +
             s_parent + "</zbt:sourceRecord><zbt:parentRecord>" + s_otherParent +
             "</zbt:parentRecord></zbt:copy></dat:importRecords>" + s_logAndContinue},
        {"mode 5 is skipped, its neighbours are not",
         [](SetRecordAttributesRequest& r) {
             r.AddImportRecord(Record(ImportRecordModes::Create));
             SmartPtr<ImportRecord> odd = Record(ImportRecordModes::Create);
             odd->SetImportRecordMode(static_cast<ImportRecordModes::eImportRecordMode>(5));
             r.AddImportRecord(odd);
             r.AddImportRecord(nullptr);
             r.AddImportRecord(Record(ImportRecordModes::Create));
         },
         "<dat:importRecords>" + create + create + "</dat:importRecords>" + s_logAndContinue},
        {"folder with subsets appended",
         [](SetRecordAttributesRequest& r) {
             SmartPtr<ImportRecord> record = new ImportRecord(nullptr, "Alloys", ImportRecordModes::Create, true);
             record->SetUpdateSubsetsMode(ImportRecord::UpdateSubsets::Append);
             record->AddSubsetReference(SampleSubset(7));
             r.AddImportRecord(record);
         },
         std::string("<dat:importRecords><zbt:create><zbt:importAttributeValues/><zbt:releaseRecord>1"
                     "</zbt:releaseRecord><zbt:recordName>Alloys</zbt:recordName><zbt:isFolder>1</zbt:isFolder>"
                     "<zbt:UpdateSubsetsMode>Append</zbt:UpdateSubsetsMode><zbt:subsetReferences><zbt:subset>"
                     "<zbt:dbKey>DORSA_SAMPLES</zbt:dbKey><zbt:subsetIdentity>7</zbt:subsetIdentity></zbt:subset>"
                     "</zbt:subsetReferences><zbt:parentRecord/></zbt:create></dat:importRecords>") +
             s_logAndContinue},
        {"subset mode above Replace is sent empty",
         [](SetRecordAttributesRequest& r) {
             SmartPtr<ImportRecord> record = new ImportRecord;
             record->SetRelease(false);
             record->SetUpdateSubsetsMode(static_cast<ImportRecord::UpdateSubsets::eMode>(3));
             r.AddImportRecord(record);
         },
         std::string("<dat:importRecords><zbt:create><zbt:importAttributeValues/><zbt:isFolder>0</zbt:isFolder>"
                     "<zbt:UpdateSubsetsMode/><zbt:parentRecord/></zbt:create></dat:importRecords>") +
             s_logAndContinue},
        {"a value in its import element after its attribute",
         [](SetRecordAttributesRequest& r) {
             SmartPtr<ImportRecord> record = new ImportRecord;
             record->SetRelease(false);
             record->AddImportAttributeValue(new ImportAttributeValue(TabularDataType::CreateOne(), SampleAttribute(12)));
             r.AddImportRecord(record);
         },
         std::string("<dat:importRecords><zbt:create><zbt:importAttributeValues><zbt:importAttributeValue>"
                     "<zbt:attribute><zbt:dbKey>DORSA_SAMPLES</zbt:dbKey><zbt:attributeIdentity>12"
                     "</zbt:attributeIdentity></zbt:attribute><zbt:value><zbt:TabularDataImportValue><zbt:Rows/>"
                     "</zbt:TabularDataImportValue></zbt:value></zbt:importAttributeValue></zbt:importAttributeValues>"
                     "<zbt:isFolder>0</zbt:isFolder><zbt:parentRecord/></zbt:create></dat:importRecords>") +
             s_logAndContinue},
    });
}

TEST_F(AttributeImportTest, ValueWithoutDataOrAttributeWritesWhatItHas)
{
    EXPECT_EQ(Written(ImportAttributeValue()), "");
    EXPECT_EQ(Written(ImportAttributeValue(nullptr, SampleAttribute(3))),
              "<zbt:attribute><zbt:dbKey>DORSA_SAMPLES</zbt:dbKey><zbt:attributeIdentity>3</zbt:attributeIdentity>"
              "</zbt:attribute>");
    SmartPtr<IntegerDataType> integer = new IntegerDataType;
    EXPECT_EQ(Written(ImportAttributeValue(integer, nullptr)),
              "<zbt:value><zbt:IntegerDataValue>0</zbt:IntegerDataValue></zbt:value>");
}

// Record modes are written in lower case (the request table) but read back only capitalised.
TEST_F(AttributeImportTest, RecordModeTextsReadBackOnlyCapitalised)
{
    using Modes = ImportRecordModes;
    EXPECT_EQ(Modes::ImportRecordMode_FromString("update"), 3);
    EXPECT_EQ(Modes::ImportRecordMode_FromString("Update"), Modes::Update);
    EXPECT_EQ(Modes::ImportRecordMode_FromString("Copy"), Modes::Copy);
}

TEST_F(AttributeImportTest, ReadsTheImportedRecordsDroppingNothingButMissingOnes)
{
    Reply(Envelope("<i:SetRecordAttributesResponse xmlns:i=\"urn:i\"><i:recordsImported>"
                   "<i:record><i:shortName>New alloy</i:shortName><i:recordReference><i:identity>"
                   "<i:recordHistoryIdentity>2001</i:recordHistoryIdentity></i:identity></i:recordReference></i:record>"
                   "<i:other/><i:record/></i:recordsImported></i:SetRecordAttributesResponse>"));
    SetRecordAttributesResponse response;
    SetRecordAttributesImpl(m_session.get()).SetRecordAttributes_Request(new SetRecordAttributesRequest, &response);
    ASSERT_EQ(response.AccessRecordsImported().size(), 2u);
    EXPECT_EQ(response.AccessRecordsImported()[0]->GetShortName(), "New alloy");
    EXPECT_EQ(response.AccessRecordsImported()[0]->GetRecordReference()->GetIdentity(), 2001);
    EXPECT_EQ(response.AccessRecordsImported()[1]->GetRecordReference()->GetIdentity(), 0);
}

TEST_F(AttributeImportTest, BadIdentityInAReplyThrowsAfterTheOutcomeIsRecorded)
{
    Reply(Envelope("<SetRecordAttributesResponse><recordsImported><record><recordReference><identity>"
                   "<recordHistoryIdentity>new</recordHistoryIdentity></identity></recordReference></record>"
                   "</recordsImported></SetRecordAttributesResponse>"));
    SetRecordAttributesResponse response;
    response.AccessRecordsImported().push_back(new NamedRecord);
    EXPECT_THROW(SetRecordAttributesImpl(m_session.get()).SetRecordAttributes_Request(new SetRecordAttributesRequest,
                                                                                     &response),
                 std::invalid_argument);
    ASSERT_TRUE(response.GetServiceLayerResponse());
    EXPECT_EQ(response.AccessRecordsImported().size(), 1u);
}

TEST_F(AttributeImportTest, UploadAddressesRequestAndReply)
{
    Reply(Envelope("<u:GetUploadAddressesResponse xmlns:u=\"urn:u\"><u:records>"
                   "<u:record><u:recordReference><u:identity><u:recordHistoryIdentity>1001</u:recordHistoryIdentity>"
                   "</u:identity></u:recordReference><u:attributes><u:attribute><u:AttributeName>Data sheet"
                   "</u:AttributeName><u:URL>http://host/upload/1</u:URL></u:attribute><u:attribute/></u:attributes>"
                   "</u:record><u:record/></u:records></u:GetUploadAddressesResponse>"));
    GetUploadAddressesImpl operation(m_session.get());
    GetUploadAddressesResponse empty;
    operation.GetUploadAddresses(new GetUploadAddressesRequest, &empty);
    EXPECT_EQ(LastBodyContent(), "<dat:GetUploadAddressesRequest><dat:records/><dat:attributes/>"
                                 "</dat:GetUploadAddressesRequest>");

    SmartPtr<GetUploadAddressesRequest> request = new GetUploadAddressesRequest;
    request->AddRecord(SampleRecord(1001));
    request->AddAttributeReference(SampleAttribute(12));
    GetUploadAddressesResponse response;
    operation.GetUploadAddresses(request, &response);
    EXPECT_EQ(LastBodyContent(), std::string("<dat:GetUploadAddressesRequest><dat:records><dat:record>") + s_parent +
                                     "</dat:record></dat:records><dat:attributes><dat:attribute><zbt:dbKey>"
                                     "DORSA_SAMPLES</zbt:dbKey><zbt:attributeIdentity>12</zbt:attributeIdentity>"
                                     "</dat:attribute></dat:attributes></dat:GetUploadAddressesRequest>");
    ASSERT_EQ(response.AccessRecordsWithAttributeAddresses().size(), 2u);
    RecordWithAttributeAddresses& first = *response.AccessRecordsWithAttributeAddresses()[0];
    EXPECT_EQ(first.GetRecordReference()->GetIdentity(), 1001);
    ASSERT_EQ(first.AccessAttributeAddresses().size(), 2u);
    EXPECT_EQ(first.AccessAttributeAddresses()[0]->GetAttributeName(), "Data sheet");
    EXPECT_EQ(first.AccessAttributeAddresses()[0]->GetURL(), "http://host/upload/1");
    const RecordWithAttributeAddresses& bare = *response.AccessRecordsWithAttributeAddresses()[1];
    EXPECT_FALSE(bare.GetRecordReference());
}

} // namespace
} // namespace dorsatest
