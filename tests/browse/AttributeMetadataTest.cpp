#include "support/RequestTableTest.h"
#include "support/Fixtures.h"
#include "support/SampleReferences.h"
#include "support/XmlFragments.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

const char s_density[] =
    "<zbt:attribute><zbt:dbKey>DORSA_SAMPLES</zbt:dbKey><zbt:attributeIdentity>101</zbt:attributeIdentity>"
    "</zbt:attribute>";

class AttributeMetadataTest : public RequestTableTest<> {
protected:
    void SetUp() override
    {
        AttributeDetail::StaticInit();
        ParameterDetail::StaticInit();
    }

    // Runs `call` against a reply holding `content` in the reply element `tag`.
    template <class Response, class Call>
    Response Answer(const std::string& tag, const std::string& content, Call call)
    {
        Reply(Envelope("<a:" + tag + " xmlns:a=\"urn:a\">" + content + "</a:" + tag + ">"));
        Response response;
        call(&response);
        return response;
    }
};

const std::string s_densityList = std::string("<zbt:attributeReferences>") + s_density + "</zbt:attributeReferences>";

TEST_F(AttributeMetadataTest, WritesEachRequestExactly)
{
    ExpectBodies(&GetAttributeDetailsImpl::RequestAttributeDetails, "brow:GetAttributeDetails", {
        {"details of one attribute", [](auto& r) { r.AddAttributeReference(SampleAttribute(101)); }, s_densityList},
        {"a null entry is written empty", [](auto& r) { r.AddAttributeReference(nullptr); },
         "<zbt:attributeReferences><zbt:attribute/></zbt:attributeReferences>"},
    });
    ExpectBodies(&GetAttributeParametersImpl::GetAttributeParameters, "brow:GetAttributeParameters", {
        {"parameters of no attribute", [](auto&) {}, "<zbt:attributeReferences/>"},
    });
    ExpectBodies(&GetMetaAttributesImpl::GetMetaAttributes, "brow:GetMetaAttributes", {
        {"meta-attributes", [](auto& r) { r.AddAttributeReference(SampleAttribute(101)); }, s_densityList},
    });
    ExpectBodies(&GetAttributeMinMaxImpl::RequestAttributeMinMax, "brow:GetAttributeMinMax", {
        {"min and max without a context", [](auto&) {}, "<zbt:attributeReferences/>"},
        {"min and max in a unit system",
         [](auto& r) {
             SmartPtr<UnitConversionContext> unitSystem = new UnitConversionContext;
             unitSystem->SetUnitSystem("Metric");
             r.AddAttributeReference(SampleAttribute(101));
             r.SetUnitConversionContext(unitSystem);
         },
         s_densityList + "<brow:unitConversionContext><zbt:unitSystem>Metric</zbt:unitSystem>"
                         "</brow:unitConversionContext>"},
    });
    ExpectBodies(&GetParameterDetailsImpl::GetParameterDetails, "brow:GetParameterDetails", {
        {"parameter details without parameters", [](auto&) {}, "<zbt:parameterReferences/>"},
        {"parameter details as one record's attribute uses them",
         [](auto& r) {
             SmartPtr<ParameterReference> temperature = new ParameterReference;
             temperature->SetDBKey("DORSA_SAMPLES");
             temperature->SetID(7);
             r.AddParameterReference(temperature);
             r.SetRecordReference(SampleRecord(1001));
             r.SetFunctionalAttribute(SampleAttribute(104));
         },
         "<zbt:parameterReferences><zbt:parameter><zbt:dbKey>DORSA_SAMPLES</zbt:dbKey><zbt:parameterIdentity>7"
         "</zbt:parameterIdentity></zbt:parameter></zbt:parameterReferences><brow:functionalAttribute><zbt:dbKey>"
         "DORSA_SAMPLES</zbt:dbKey><zbt:attributeIdentity>104</zbt:attributeIdentity></brow:functionalAttribute>"
         "<brow:recordReference><zbt:dbKey>DORSA_SAMPLES</zbt:dbKey><zbt:identity><zbt:recordHistoryIdentity>1001"
         "</zbt:recordHistoryIdentity></zbt:identity></brow:recordReference>"},
    });
}

TEST_F(AttributeMetadataTest, ReadsAttributeDetailsWithSupportedColumnsOnly)
{
    Reply(Envelope(ReadFixture("browse/attribute_details.xml")));
    GetAttributeDetailsResponse response;
    GetAttributeDetailsImpl(m_session.get()).RequestAttributeDetails(new GetAttributeDetailsRequest, &response);
    auto& details = response.AccessAttributeDetails();
    ASSERT_EQ(details.size(), 2u);
    const AttributeDetail& composition = *details[0];
    EXPECT_EQ(composition.GetName(), "Composition");
    EXPECT_EQ(composition.GetAttribute()->GetAttributeID(), 105);
    EXPECT_EQ(composition.GetIdentity(), 105);
    EXPECT_EQ(composition.GetType(), "TABL");
    EXPECT_EQ(composition.GetHelpInfo()->GetHelpURI(), "help/composition");
    EXPECT_TRUE(composition.GetHelpInfo()->GetDatabaseHelp());
    EXPECT_EQ(composition.GetDatabaseUnit(), "wt%");
    EXPECT_EQ(details[0]->AccessDiscreteValues(), (std::vector<std::string>{"Low", "High"}));
    EXPECT_EQ(composition.GetOrder(), 5);
    EXPECT_TRUE(composition.IsSearchable());
    EXPECT_FALSE(composition.IsMultiValued());
    EXPECT_TRUE(composition.GetChartable());
    EXPECT_EQ(composition.GetAxisName(), "Fraction");
    ASSERT_EQ(composition.GetColumns().size(), 3u);
    const TabularColumnDetail& local = *composition.GetColumns()[0];
    EXPECT_EQ(local.GetType(), TabularColumn::Local);
    EXPECT_EQ(local.GetDataType(), "RNGE");
    EXPECT_EQ(local.GetDatabaseUnit(), "wt%");
    EXPECT_EQ(local.GetDiscreteValues(), std::vector<std::string>{"trace"});
    EXPECT_EQ(composition.GetColumns()[1]->GetName(), "Source");
    EXPECT_EQ(composition.GetColumns()[1]->GetType(), TabularColumn::ParseType("TargetRecord"));
    EXPECT_EQ(composition.GetColumns()[2]->GetType(), TabularColumn::Unrecognised);
    EXPECT_EQ(details[1]->GetType(), "");
    EXPECT_FALSE(details[1]->GetHelpInfo());
}

TEST_F(AttributeMetadataTest, DetailWritesItsNameAndType)
{
    AttributeDetail detail;
    detail.SetType("POIN");
    detail.SetName("Density");
    detail.SetAttribute(SampleAttribute(101));
    EXPECT_EQ(Written(detail), std::string(s_density) + "<zbt:name>Density</zbt:name><zbt:type>POIN</zbt:type>");
}

TEST_F(AttributeMetadataTest, ReadsParameterDetailsEnumTextsAndAppliesTo)
{
    Reply(Envelope(ReadFixture("browse/parameter_details.xml")));
    GetParameterDetailsResponse details;
    GetParameterDetailsImpl(m_session.get()).GetParameterDetails(new GetParameterDetailsRequest, &details);
    ASSERT_EQ(details.AccessAttributeParameters().size(), 2u);
    const ParameterDetail& temperature = *details.AccessAttributeParameters()[0];
    EXPECT_EQ(temperature.GetName(), "Temperature");
    EXPECT_EQ(temperature.GetParameterReference()->GetID(), 7);
    EXPECT_EQ(temperature.GetScaleType(), ParameterDetail::ScaleType::Log);
    EXPECT_EQ(temperature.GetInterpolationType(), ParameterDetail::Interpolation::CubicSpline);
    EXPECT_EQ(temperature.GetParameterType(), ParameterDetail::ParameterType::Discrete);
    ASSERT_EQ(temperature.GetParameterValues().size(), 2u);
    EXPECT_EQ(temperature.GetAppliesToAttribute()->GetAttributeID(), 104);
    EXPECT_EQ(temperature.GetAppliesToRecord()->GetIdentity(), 1001);
    EXPECT_EQ(temperature.GetOrder(), 2);
    const ParameterDetail& strain = *details.AccessAttributeParameters()[1];
    EXPECT_EQ(strain.GetScaleType(), ParameterDetail::ScaleType::NotSet);
    EXPECT_EQ(strain.GetInterpolationType(), ParameterDetail::Interpolation::None);
    EXPECT_FALSE(strain.GetAppliesToAttribute());
    EXPECT_FALSE(strain.GetAppliesToRecord());
    EXPECT_EQ(strain.GetOrder(), 0);
}

struct MinMaxCase {
    const char* name;
    std::string content;
    MinMaxValue::eType type;
    double number;
    int integer;
    std::string date;
};

TEST_F(AttributeMetadataTest, ReadsMinMaxValuesOfEveryKind)
{
    const MinMaxCase cases[] = {
        {"double", "<a:double>7.9e3</a:double>", MinMaxValue::Double, 7900.0, 0, ""},
        {"nan in mixed case", "<a:double>nAn</a:double>", MinMaxValue::NotANumber, 0.0, 0, ""},
        {"date wins", "<a:integer>3</a:integer><a:date>2016-03-14T00:00:00</a:date>", MinMaxValue::Date, 0.0, 0,
         "2016-03-14T00:00:00"},
        {"integer", "<a:integer> 42</a:integer>", MinMaxValue::Integer, 0.0, 42, ""},
        {"double before integer", "<a:integer>3</a:integer><a:double>1.5</a:double>", MinMaxValue::Double, 1.5, 0, ""},
    };
    for (const MinMaxCase& c : cases) {
        GetAttributeMinMaxResponse response = Answer<GetAttributeMinMaxResponse>(
            "GetAttributeMinMaxResponse",
            "<a:minMaxes><a:minMax><a:unit>kg/m^3</a:unit><a:attributeReference><a:attributeIdentity>101"
            "</a:attributeIdentity></a:attributeReference><a:min>" +
                c.content + "</a:min><a:max><a:nothing/></a:max></a:minMax></a:minMaxes>",
            [&](GetAttributeMinMaxResponse* r) {
                GetAttributeMinMaxImpl(m_session.get()).RequestAttributeMinMax(new GetAttributeMinMaxRequest, r);
            });
        ASSERT_EQ(response.AccessAttributeMinMaxes().size(), 1u) << c.name;
        const AttributeMinMax& minMax = *response.AccessAttributeMinMaxes()[0];
        EXPECT_EQ(minMax.GetUnits(), "kg/m^3") << c.name;
        EXPECT_EQ(minMax.GetAttributeReference()->GetAttributeID(), 101) << c.name;
        EXPECT_FALSE(minMax.GetMaxValue()) << c.name;
        ASSERT_TRUE(minMax.GetMinValue()) << c.name;
        EXPECT_EQ(minMax.GetMinValue()->GetType(), c.type) << c.name;
        EXPECT_EQ(minMax.GetMinValue()->GetDouble(), c.number) << c.name;
        EXPECT_EQ(minMax.GetMinValue()->GetInteger(), c.integer) << c.name;
        EXPECT_EQ(minMax.GetMinValue()->GetDateTime(), c.date) << c.name;
    }
}

TEST_F(AttributeMetadataTest, OutOfRangeMinMaxThrowsAfterTheOutcomeIsRecorded)
{
    Reply(Envelope("<GetAttributeMinMaxResponse><minMaxes><minMax><min><double>1e400</double></min></minMax>"
                   "</minMaxes></GetAttributeMinMaxResponse>"));
    GetAttributeMinMaxResponse response;
    try {
        GetAttributeMinMaxImpl(m_session.get()).RequestAttributeMinMax(new GetAttributeMinMaxRequest, &response);
        FAIL() << "no exception";
    } catch (const std::out_of_range& error) {
        EXPECT_STREQ(error.what(), "stod argument out of range");
    }
    ASSERT_TRUE(response.GetServiceLayerResponse());
    EXPECT_EQ(response.GetServiceLayerResponse()->GetResponseCode(), 200);
}

TEST_F(AttributeMetadataTest, MetaAttributesAreDirectChildrenOfTheReplyOnly)
{
    GetMetaAttributesResponse response = Answer<GetMetaAttributesResponse>(
        "GetMetaAttributesResponse",
        "<a:Attribute><a:ParentAttribute><a:attributeIdentity>101</a:attributeIdentity></a:ParentAttribute>"
        "<a:MetaAttributes><a:MetaAttribute><a:name>Data source notes</a:name></a:MetaAttribute>"
        "<a:MetaAttribute><a:name>Test standard</a:name></a:MetaAttribute></a:MetaAttributes></a:Attribute>"
        "<a:wrapped><a:Attribute><a:ParentAttribute><a:attributeIdentity>102</a:attributeIdentity>"
        "</a:ParentAttribute></a:Attribute></a:wrapped><a:Attribute/>",
        [&](GetMetaAttributesResponse* r) {
            GetMetaAttributesImpl(m_session.get()).GetMetaAttributes(new GetMetaAttributesRequest, r);
        });
    ASSERT_EQ(response.GetAttributes().size(), 2u);
    EXPECT_EQ(response.GetAttributes()[0]->GetParentAttribute()->GetAttributeID(), 101);
    ASSERT_EQ(response.GetAttributes()[0]->GetMetaAttributes().size(), 2u);
    EXPECT_EQ(response.GetAttributes()[0]->GetMetaAttributes()[1]->GetName(), "Test standard");
    EXPECT_FALSE(response.GetAttributes()[1]->GetParentAttribute());
}

} // namespace
} // namespace dorsatest
