#include "support/RequestTableTest.h"
#include "support/SampleReferences.h"

#include <gtest/gtest.h>

#include <string>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

class ExportRecordDataTest : public RequestTableTest<> {
protected:
    // Sends a new default request.
    void Export(ExportRecordDataResponse& response)
    {
        ExportRecordDataImpl(m_session.get()).ExportRecordData(new ExportRecordDataRequest, &response);
    }
    ExportRecordDataResponse Answer(const std::string& text)
    {
        Reply(Envelope(text));
        ExportRecordDataResponse response;
        Export(response);
        return response;
    }
};

SmartPtr<ParameterReferenceAndValue> Temperature(double value)
{
    SmartPtr<ParameterReference> parameter = new ParameterReference;
    parameter->SetDBKey("DORSA_SAMPLES");
    parameter->SetID(7);
    SmartPtr<ParameterValue> number = new ParameterValue;
    number->SetValue_Numeric(value);
    SmartPtr<ParameterReferenceAndValue> both = new ParameterReferenceAndValue;
    both->SetParameter(parameter);
    both->SetValue(number);
    return both;
}

const char s_start[] = "<zbt:recordReferences/><eng:exporterKey/>";
const char s_temperature[] = "<zbt:Parameter><zbt:dbKey>DORSA_SAMPLES</zbt:dbKey><zbt:parameterIdentity>7"
                             "</zbt:parameterIdentity></zbt:Parameter><zbt:ParameterValue "
                             "xsi:type=\"zbt:NumericParameterValue\"><zbt:Value>1.00000000000000000e+02</zbt:Value>"
                             "</zbt:ParameterValue>";

TEST_F(ExportRecordDataTest, WritesTheRequestInItsFixedOrder)
{
    using R = ExportRecordDataRequest;
    ExpectBodies(&ExportRecordDataImpl::ExportRecordData, "eng:ExportRecordData", {
        {"nothing set", [](R&) {}, s_start},
        {"records, attributes and key, added in reverse",
         [](R& r) {
             r.SetExporterKey("strata.card.v3");
             r.AddAttribute(SampleAttribute(101));
             r.AddRecord(SampleRecord(1001));
         },
         "<zbt:recordReferences><zbt:record><zbt:dbKey>DORSA_SAMPLES</zbt:dbKey><zbt:identity>"
         "<zbt:recordHistoryIdentity>1001</zbt:recordHistoryIdentity></zbt:identity></zbt:record>"
         "</zbt:recordReferences><eng:attributes><eng:attribute><zbt:dbKey>DORSA_SAMPLES</zbt:dbKey>"
         "<zbt:attributeIdentity>101</zbt:attributeIdentity></eng:attribute></eng:attributes>"
         "<eng:exporterKey>strata.card.v3</eng:exporterKey>"},
        {"a null attribute is written empty, in its place",
         [](R& r) { r.SetAttributes({nullptr, SampleAttribute(101)}); },
         "<zbt:recordReferences/><eng:attributes><eng:attribute/><eng:attribute><zbt:dbKey>DORSA_SAMPLES</zbt:dbKey>"
         "<zbt:attributeIdentity>101</zbt:attributeIdentity></eng:attribute></eng:attributes><eng:exporterKey/>"},
        {"context and filter in lower case",
         [](R& r) {
             SmartPtr<RecordFilter> filter = RecordFilter::CreateOne();
             filter->SetProfile("METALS_VIEW");
             r.SetFilter(filter);
             SmartPtr<UnitConversionContext> context = new UnitConversionContext;
             context->SetUnitSystem("Imperial");
             r.SetUnitConversionContext(context);
         },
         std::string(s_start) +
             "<eng:unitConversionContext><zbt:unitSystem>Imperial</zbt:unitSystem></eng:unitConversionContext>"
             "<eng:recordFilter><zbt:Profile><zbt:Key>METALS_VIEW</zbt:Key></zbt:Profile></eng:recordFilter>"},
        {"values with and without a unit, and one without a value",
         [](R& r) {
             r.AddParameterValue(UnittedParameterValue(Temperature(100), "°F"));
             r.AddParameterValue(UnittedParameterValue(Temperature(100), ""));
             r.AddParameterValue(UnittedParameterValue(nullptr, "°C"));
         },
         std::string(s_start) + "<eng:parameterValues><eng:parameterValue>" + s_temperature +
             "<zbt:UnitSymbol>°F</zbt:UnitSymbol></eng:parameterValue><eng:parameterValue>" + s_temperature +
             "</eng:parameterValue><eng:parameterValue/></eng:parameterValues>"},
        {"significant figures alone", [](R& r) { r.SetSigFigs(3); },
         std::string(s_start) + "<eng:parameterValues eng:significantFigures=\"3\"/>"},
        {"significant figures with a value",
         [](R& r) {
             r.SetSigFigs(12);
             r.AddParameterValue(UnittedParameterValue(Temperature(100), ""));
         },
         std::string(s_start) + "<eng:parameterValues eng:significantFigures=\"12\"><eng:parameterValue>" +
             s_temperature + "</eng:parameterValue></eng:parameterValues>"},
        {"no figures", [](R& r) { r.SetSigFigs(0); }, s_start},
        {"negative figures", [](R& r) { r.SetSigFigs(-2); }, s_start},
        {"an id after an index",
         [](R& r) {
             r.SetStopBeforeIndex(5);
             r.SetStopBeforeId("card");
         },
         std::string(s_start) + "<eng:stopBefore><eng:transformId eng:value=\"card\"/></eng:stopBefore>"},
        {"index 0 after an id",
         [](R& r) {
             r.SetStopBeforeId("card");
             r.SetStopBeforeIndex(0);
         },
         std::string(s_start) + "<eng:stopBefore><eng:index eng:value=\"0\"/></eng:stopBefore>"},
        {"an index clears the id for good",
         [](R& r) {
             r.SetStopBeforeId("card");
             r.SetStopBeforeIndex(0);
             r.SetStopBeforeIndex(-1);
         },
         s_start},
        {"an empty id keeps the index",
         [](R& r) {
             r.SetStopBeforeIndex(2);
             r.SetStopBeforeId("");
         },
         std::string(s_start) + "<eng:stopBefore><eng:index eng:value=\"2\"/></eng:stopBefore>"},
        {"a negative index keeps the id",
         [](R& r) {
             r.SetStopBeforeId("convert");
             r.SetStopBeforeIndex(-1);
         },
         std::string(s_start) + "<eng:stopBefore><eng:transformId eng:value=\"convert\"/></eng:stopBefore>"},
    });
}

TEST_F(ExportRecordDataTest, ReadsTheTextVerbatim)
{
    const std::pair<std::string, std::string> cases[] = {
        {"<text/>", ""},
        {"<t:text xmlns:t=\"urn:t\"></t:text>", ""},
        {"<text>  two  spaces\n\ttab\nand &lt;markup&gt; &amp; &#233;  </text>",
         "  two  spaces\n\ttab\nand <markup> & \xc3\xa9  "},
        {"<text>Record,Attribute\n\"DS-18, annealed\",Density\n</text>",
         "Record,Attribute\n\"DS-18, annealed\",Density\n"},
    };
    for (const auto& [reply, text] : cases) {
        EXPECT_EQ(Answer(reply).GetText(), text) << reply;
    }
}

// The text is read once into a buffer that every copy of the response shares: the copy
// made as the pipeline assigns the reply into the caller's object, and any the host makes.
TEST_F(ExportRecordDataTest, LargeTextIsSharedNotCopied)
{
    std::string large;
    for (int line = 0; large.size() < (8u << 20); ++line) {
        large += "*POINT " + std::to_string(line) + " 7.9000e+03 kg/m^3\n";
    }
    ExportRecordDataResponse response = Answer("<text>" + large + "</text>");
    ASSERT_EQ(response.GetText(), large);
    ExportRecordDataResponse copy;
    copy = response;
    EXPECT_EQ(copy.GetText().data(), response.GetText().data());
}

TEST_F(ExportRecordDataTest, ReplyWithoutTheTextLeavesTheCallersText)
{
    Reply(Envelope("<text>first</text>"));
    ExportRecordDataResponse response;
    Export(response);
    const char* const replies[] = {"<ExportRecordDataResponse><text>inner</text></ExportRecordDataResponse>",
                                   "<Text>wrong case</Text>", ""};
    for (const char* reply : replies) {
        Reply(Envelope(reply));
        Export(response);
        EXPECT_EQ(response.GetText(), "first") << reply;
        ASSERT_TRUE(response.GetServiceLayerResponse()) << reply;
        EXPECT_TRUE(response.GetServiceLayerResponse()->IsSuccess()) << reply;
    }
}

} // namespace
} // namespace dorsatest
