#include "support/RequestTableTest.h"
#include "support/SampleReferences.h"

#include <gtest/gtest.h>

#include <string>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;
using Pseudo = AttributeReference::PseudoAttrs;

SmartPtr<AttributeReference> PseudoAttribute(int value)
{
    SmartPtr<AttributeReference> attribute = new AttributeReference;
    attribute->MakePseudoAttribute(value);
    return attribute;
}

// A named short-text value as record data carries it.
std::string TextValue(const std::string& name, const std::string& text)
{
    return "<x:attributeValue><x:AttributeName>" + name + "</x:AttributeName><x:ShortTextDataValue>" + text +
           "</x:ShortTextDataValue></x:attributeValue>";
}

class RecordDataTest : public RequestTableTest<StartedSessionFixture> {
protected:
    GetRecordAttributesByRefResponse Answer(const std::string& results)
    {
        Reply(Envelope("<x:GetRecordAttributesByRefResponse xmlns:x=\"urn:x\">" + results +
                       "</x:GetRecordAttributesByRefResponse>"));
        GetRecordAttributesByRefResponse response;
        GetRecordAttributesByRefImpl(m_session.get()).RequestRecordAttributesByRef(new GetRecordAttributesByRefRequest,
                                                                                   &response);
        return response;
    }
};

const char s_defaults[] = "<exp:populateGUIDs>false</exp:populateGUIDs><exp:useFallback>false</exp:useFallback>"
                          "<exp:binaryDataRepresentation>URL</exp:binaryDataRepresentation>";
const char s_record[] = "<exp:recordReference><zbt:dbKey>DORSA_SAMPLES</zbt:dbKey><zbt:identity>"
                        "<zbt:recordHistoryIdentity>1001</zbt:recordHistoryIdentity></zbt:identity></exp:recordReference>";

TEST_F(RecordDataTest, WritesTheRequestInItsFixedOrder)
{
    ExpectBodies(&GetRecordAttributesByRefImpl::RequestRecordAttributesByRef, "exp:GetRecordAttributesByRef", {
        {"defaults", [](GetRecordAttributesByRefRequest&) {}, s_defaults},
        {"attributes before records, whatever the order of adding",
         [](GetRecordAttributesByRefRequest& r) {
             r.AddRecordReference(SampleRecord(1001));
             r.AddAttributeReference(PseudoAttribute(Pseudo::shortName));
         },
         std::string("<exp:result xsi:type=\"zbt:DorsaAttributeReference\"><zbt:name zbt:isStandard=\"true\">"
                     "<zbt:pseudo>shortName</zbt:pseudo></zbt:name></exp:result>") +
             s_record + s_defaults},
        {"context, profile and every switch",
         [](GetRecordAttributesByRefRequest& r) {
             SmartPtr<UnitConversionContext> context = new UnitConversionContext;
             context->SetUnitSystem("Imperial");
             r.SetUnitConversionContext(context);
             SmartPtr<RecordFilter> filter = RecordFilter::CreateOne();
             filter->SetProfile("METALS_VIEW");
             r.SetRecordFilter(filter);
             r.SetPopulateGUIDs(true);
             r.SetUseFallback(true);
             r.SetBinaryDataRepresentation(BinaryDataRepresentations::Inline);
         },
         "<exp:unitConversionContext><zbt:unitSystem>Imperial</zbt:unitSystem></exp:unitConversionContext>"
         "<exp:filter><zbt:Profile><zbt:Key>METALS_VIEW</zbt:Key></zbt:Profile></exp:filter>"
         "<exp:populateGUIDs>true</exp:populateGUIDs><exp:useFallback>true</exp:useFallback>"
         "<exp:binaryDataRepresentation>Inline</exp:binaryDataRepresentation>"},
        {"subsets filter",
         [](GetRecordAttributesByRefRequest& r) {
             SmartPtr<RecordFilter> filter = RecordFilter::CreateOne();
             filter->AddSubset(SampleSubset(11));
             filter->AddSubset(SampleSubset(13));
             r.SetRecordFilter(filter);
         },
         std::string("<exp:filter><zbt:subsetReferences><zbt:subset><zbt:dbKey>DORSA_SAMPLES</zbt:dbKey>"
                     "<zbt:subsetIdentity>11</zbt:subsetIdentity></zbt:subset><zbt:subset><zbt:dbKey>DORSA_SAMPLES"
                     "</zbt:dbKey><zbt:subsetIdentity>13</zbt:subsetIdentity></zbt:subset></zbt:subsetReferences>"
                     "</exp:filter>") +
             s_defaults},
        {"filter with both profile and subsets",
         [](GetRecordAttributesByRefRequest& r) {
             SmartPtr<RecordFilter> filter = RecordFilter::CreateOne();
             filter->AddSubset(SampleSubset(11));
             filter->SetProfile("METALS_VIEW");
             r.SetRecordFilter(filter);
         },
         std::string("<exp:filter/>") + s_defaults},
        {"filter with neither",
         [](GetRecordAttributesByRefRequest& r) { r.SetRecordFilter(RecordFilter::CreateOne()); },
         std::string("<exp:filter/>") + s_defaults},
        {"a representation outside the table",
         [](GetRecordAttributesByRefRequest& r) {
             r.SetBinaryDataRepresentation(static_cast<BinaryDataRepresentations::eBinaryDataRepresentation>(7));
         },
         s_defaults},
    });
}

TEST(BinaryDataRepresentations, TextsReadExactly)
{
    using B = BinaryDataRepresentations;
    const std::pair<const char*, B::eBinaryDataRepresentation> cases[] = {
        {"Inline", B::Inline}, {"URL", B::URL}, {"inline", B::URL}, {"", B::URL}, {"Inline ", B::URL},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(B::BinaryDataRepresentation_FromString(text), value) << text;
    }
}

TEST_F(RecordDataTest, PseudoAttributesFillTheirSlotAndTheList)
{
    GetRecordAttributesByRefResponse response = Answer(
        "<x:results><x:recordData><x:record><x:identity><x:recordHistoryIdentity>1001</x:recordHistoryIdentity>"
        "</x:identity></x:record><x:attributeValues>" +
        TextValue("[shortName]", "DS-18") + TextValue("Material family", "Metal (ferrous)") +
        TextValue("[parentRecordHistoryGUID]", "a1b2") + TextValue("[name]", "first") +
        "<x:attributeValue><x:ShortTextDataValue>nameless</x:ShortTextDataValue></x:attributeValue>" +
        "<x:group>" + TextValue("Nested", "not a direct child") + "</x:group>" + TextValue("[name]", "second") +
        TextValue("[recordColor]", "") +
        "</x:attributeValues></x:recordData><x:recordData/></x:results>");

    ASSERT_EQ(response.AccessRecordData().size(), 2u);
    RecordData& record = *response.AccessRecordData()[0];
    EXPECT_EQ(record.GetRecordReference()->GetIdentity(), 1001);
    ASSERT_EQ(record.AccessAttributeValues().size(), 6u);
    const SmartPtr<AttributeValue> shortName = record.AccessPseudoAttribute(Pseudo::shortName);
    ASSERT_TRUE(shortName);
    EXPECT_EQ(shortName.get(), record.AccessAttributeValues()[0].get());
    EXPECT_EQ(dynamic_cast<ShortTextDataType&>(*shortName->GetDataValue()).GetValue(), "DS-18");
    EXPECT_EQ(record.AccessPseudoAttribute(Pseudo::name).get(), record.AccessAttributeValues()[4].get());
    EXPECT_EQ(record.AccessAttributeValues()[2]->GetAttributeName(), "[parentRecordHistoryGUID]");
    EXPECT_FALSE(record.AccessPseudoAttribute(Pseudo::parentRecordHistoryGUID));
    EXPECT_FALSE(record.AccessPseudoAttribute(static_cast<Pseudo::eDorsaPseudoAttributeReference>(-1)));
    EXPECT_FALSE(record.AccessPseudoAttribute(static_cast<Pseudo::eDorsaPseudoAttributeReference>(400)));
    EXPECT_FALSE(record.AccessPseudoAttribute(Pseudo::recordType));
    EXPECT_TRUE(record.AccessPseudoAttribute(Pseudo::recordColor));

    const RecordData& empty = *response.AccessRecordData()[1];
    ASSERT_TRUE(empty.GetRecordReference());
    EXPECT_EQ(empty.GetRecordReference()->GetIdentity(), 0);
}

TEST_F(RecordDataTest, RepliesWithoutResultsGiveAnEmptyResponse)
{
    const char* const replies[] = {"", "<x:recordData/>", "<x:results/>"};
    for (const char* reply : replies) {
        GetRecordAttributesByRefResponse response = Answer(reply);
        EXPECT_TRUE(response.AccessRecordData().empty()) << reply;
        ASSERT_TRUE(response.GetServiceLayerResponse()) << reply;
        EXPECT_TRUE(response.GetServiceLayerResponse()->IsSuccess()) << reply;
    }
}

TEST_F(RecordDataTest, ValuesOfUnknownTypeStayInTheListAsUnsupported)
{
    GetRecordAttributesByRefResponse response = Answer(
        "<x:results><x:recordData><x:attributeValues><x:attributeValue><x:AttributeName>Colour swatch"
        "</x:AttributeName><x:SwatchDataValue>#ff0000</x:SwatchDataValue></x:attributeValue>"
        "</x:attributeValues></x:recordData></x:results>");
    ASSERT_EQ(response.AccessRecordData().size(), 1u);
    ASSERT_EQ(response.AccessRecordData()[0]->AccessAttributeValues().size(), 1u);
    EXPECT_EQ(response.AccessRecordData()[0]->AccessAttributeValues()[0]->GetDataType(),
              AttributeValue::s_unsupportedDataType);
}

} // namespace
} // namespace dorsatest
