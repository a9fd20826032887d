#include "support/RequestTableTest.h"
#include "support/Fixtures.h"
#include "support/SampleReferences.h"

#include <gtest/gtest.h>

#include <string>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

class ExportersTest : public RequestTableTest<> {
protected:
    // Sends a new default request with `Impl`'s `member` and returns what came back.
    template <class Impl, class Request, class Response>
    Response Call(void (Impl::*member)(SmartPtr<Request>, Response*))
    {
        Response response;
        Impl operation(m_session.get());
        (operation.*member)(new Request, &response);
        return response;
    }
};

const char s_record[] = "<zbt:record><zbt:dbKey>DORSA_SAMPLES</zbt:dbKey><zbt:identity><zbt:recordHistoryIdentity>"
                        "1001</zbt:recordHistoryIdentity></zbt:identity></zbt:record>";

SmartPtr<PartialTableReference> SampleTable()
{
    return PartialTableReference::CreateOneFromTableName("Alloys and Polymers");
}

TEST_F(ExportersTest, AvailableExportersRequestWritesOnlyWhatIsSet)
{
    using R = GetAvailableExportersRequest;
    ExpectBodies(&GetAvailableExportersImpl::GetAvailableExporters, "eng:GetAvailableExporters", {
        {"defaults", [](R&) {}, ""},
        {"everything, set in reverse",
         [](R& r) {
             r.SetApplicabilityTag("simulation");
             r.SetVersionPolicy(VersionPolicy::LatestVersionPerName);
             r.SetTable(SampleTable());
             r.SetMatchDb(true);
             r.SetDbKey("DORSA_SAMPLES");
             r.SetModel("Elastic-plastic card");
             r.SetPackage("Strata FE");
         },
         "<eng:package>Strata FE</eng:package><eng:model>Elastic-plastic card</eng:model>"
         "<eng:dbKey>DORSA_SAMPLES</eng:dbKey><eng:table eng:matchDatabase=\"true\"><zbt:tableName>Alloys and "
         "Polymers</zbt:tableName></eng:table><eng:versionPolicy>LatestVersionPerName</eng:versionPolicy>"
         "<eng:applicabilityTag>simulation</eng:applicabilityTag>"},
        {"a table without matching the database",
         [](R& r) { r.SetTable(SampleTable()); },
         "<eng:table><zbt:tableName>Alloys and Polymers</zbt:tableName></eng:table>"},
        {"matching the database without a table", [](R& r) { r.SetMatchDb(true); }, ""},
        {"every version", [](R& r) { r.SetVersionPolicy(VersionPolicy::IncludeAll); },
         "<eng:versionPolicy>IncludeAll</eng:versionPolicy>"},
        {"a policy outside the table",
         [](R& r) { r.SetVersionPolicy(static_cast<VersionPolicy::ePolicy>(7)); }, "<eng:versionPolicy/>"},
        {"texts set and cleared",
         [](R& r) {
             r.SetPackage("Strata FE");
             r.SetPackage("");
         },
         ""},
    });
}

TEST_F(ExportersTest, ExportersForRecordsRequestAlwaysWritesItsFlagsAndRecords)
{
    using R = ExportersForRecordsRequest;
    ExpectBodies(&ExportersForRecordsImpl::GetExportersForRecords, "eng:ExportersForRecords", {
        {"defaults", [](R&) {},
         "<eng:packageAndModelRequired>0</eng:packageAndModelRequired><eng:specificAttributeExportersOnly>0"
         "</eng:specificAttributeExportersOnly><zbt:recordReferences/>"},
        {"everything",
         [](R& r) {
             r.AddRecord(SampleRecord(1001));
             r.SetApplicabilityTag("tabular");
             r.SetVersionPolicy(VersionPolicy::IncludeAll);
             r.SetModel("CSV values");
             r.SetPackage("Sheetwise");
             r.SetSpecificAttributeExportersOnly(true);
             r.SetPackageAndModelRequired(true);
         },
         std::string("<eng:packageAndModelRequired>1</eng:packageAndModelRequired><eng:specificAttributeExportersOnly>"
                     "1</eng:specificAttributeExportersOnly><eng:package>Sheetwise</eng:package><eng:model>CSV values"
                     "</eng:model><eng:versionPolicy>IncludeAll</eng:versionPolicy><eng:applicabilityTag>tabular"
                     "</eng:applicabilityTag><zbt:recordReferences>") +
             s_record + "</zbt:recordReferences>"},
        {"one flag, two records, one of them null",
         [](R& r) {
             r.SetSpecificAttributeExportersOnly(true);
             r.SetRecords({SampleRecord(1001), nullptr});
         },
         std::string("<eng:packageAndModelRequired>0</eng:packageAndModelRequired><eng:specificAttributeExportersOnly>"
                     "1</eng:specificAttributeExportersOnly><zbt:recordReferences>") +
             s_record + "<zbt:record/></zbt:recordReferences>"},
    });
}

TEST_F(ExportersTest, ExporterParametersRequestNamesItsKeyAndContextWithCapitals)
{
    using R = GetExporterParametersRequest;
    ExpectBodies(&GetExporterParametersImpl::GetExporterParameters, "eng:GetExporterParameters", {
        {"defaults", [](R&) {},
         "<zbt:recordReferences/><eng:ExporterKey/><eng:populateGUIDs>0</eng:populateGUIDs>"},
        {"everything",
         [](R& r) {
             SmartPtr<UnitConversionContext> context = new UnitConversionContext;
             context->SetUnitSystem("Imperial");
             r.SetPopulateGUIDs(true);
             r.SetUnitConversionContext(context);
             r.SetExporterKey("strata.card.v3");
             r.AddRecord(SampleRecord(1001));
         },
         std::string("<zbt:recordReferences>") + s_record +
             "</zbt:recordReferences><eng:ExporterKey>strata.card.v3</eng:ExporterKey><eng:UnitConversionContext>"
             "<zbt:unitSystem>Imperial</zbt:unitSystem></eng:UnitConversionContext><eng:populateGUIDs>1"
             "</eng:populateGUIDs>"},
    });
}

TEST_F(ExportersTest, ReadsExportersWithOrWithoutTransforms)
{
    Reply(Envelope(
        "<e:GetAvailableExportersResponse xmlns:e=\"urn:e\"><e:exporter name=\"ValuesCSV\" version=\"2\" "
        "validatedOK=\"TRUE\"><e:key>sheetwise.csv.v2</e:key><e:package>Sheetwise</e:package><e:model>CSV values"
        "</e:model><e:description>Points &amp; ranges</e:description><e:transforms><e:transform id=\"rows\"/>"
        "<e:transform/><e:other id=\"no\"/><e:transform id=\"quote\">text</e:transform></e:transforms></e:exporter>"
        "<e:note/><e:exporter name=\"Bare\" version=\"-1\"/><e:exporter/></e:GetAvailableExportersResponse>"));
    GetAvailableExportersResponse response = Call(&GetAvailableExportersImpl::GetAvailableExporters);
    ASSERT_EQ(response.GetExporters().size(), 3u);
    Exporter& csv = *response.GetExporters()[0];
    EXPECT_EQ(csv.GetKey(), "sheetwise.csv.v2");
    EXPECT_EQ(csv.GetPackage(), "Sheetwise");
    EXPECT_EQ(csv.GetModel(), "CSV values");
    EXPECT_EQ(csv.GetDescription(), "Points & ranges");
    EXPECT_EQ(csv.GetName(), "ValuesCSV");
    EXPECT_EQ(csv.GetVersion(), 2);
    EXPECT_TRUE(csv.GetValidatedOk());
    ASSERT_EQ(csv.GetTransforms().size(), 3u);
    const char* const ids[] = {"rows", "", "quote"};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(csv.GetTransforms()[i].GetId(), ids[i]);
        EXPECT_EQ(csv.GetTransforms()[i].GetType(), ExporterTransform::Standard);
    }

    Exporter& bare = *response.GetExporters()[1];
    EXPECT_TRUE(bare.GetTransforms().empty());
    EXPECT_EQ(bare.GetName(), "Bare");
    EXPECT_EQ(bare.GetVersion(), -1);
    EXPECT_FALSE(bare.GetValidatedOk());
    EXPECT_EQ(bare.GetKey(), "");
    EXPECT_EQ(response.GetExporters()[2]->GetVersion(), 0);
}

TEST_F(ExportersTest, BadVersionThrowsAfterTheOutcomeIsRecorded)
{
    const char* const exporters[] = {"<exporter version=\"two\"/>", "<exporter validatedOK=\"perhaps\"/>"};
    for (const char* exporter : exporters) {
        Reply(Envelope(std::string("<GetAvailableExportersResponse>") + exporter + "</GetAvailableExportersResponse>"));
        GetAvailableExportersResponse response;
        EXPECT_ANY_THROW(GetAvailableExportersImpl(m_session.get())
                             .GetAvailableExporters(new GetAvailableExportersRequest, &response))
            << exporter;
        EXPECT_TRUE(response.GetServiceLayerResponse()) << exporter;
    }
}

TEST_F(ExportersTest, ReadsPopulationStatesExactly)
{
    const std::pair<const char*, ExporterPopulation::ePopulationState> states[] = {
        {"<populationState>FullyPopulated</populationState>", ExporterPopulation::FullyPopulated},
        {"<populationState>PartiallyPopulated</populationState>", ExporterPopulation::PartiallyPopulated},
        {"<populationState>fullyPopulated</populationState>", ExporterPopulation::Unknown},
        {"<populationState>FULLYPOPULATED</populationState>", ExporterPopulation::Unknown},
        {"<populationState>FullyPopulated </populationState>", ExporterPopulation::Unknown},
        {"<populationState>Empty</populationState>", ExporterPopulation::Unknown},
        {"<populationState/>", ExporterPopulation::Unknown},
        {"", ExporterPopulation::Unknown},
    };
    std::string exporters;
    for (const auto& [state, value] : states) {
        exporters += std::string("<p:exporter name=\"Card\"><p:key>k</p:key>") + state + "</p:exporter>";
    }
    Reply(Envelope("<p:ExportersForRecordsResponse xmlns:p=\"urn:p\"><p:records><p:record><p:record><p:dbKey>"
                   "DORSA_SAMPLES</p:dbKey><p:identity><p:recordHistoryIdentity>1002</p:recordHistoryIdentity>"
                   "</p:identity></p:record><p:exporters>" +
                   exporters + "</p:exporters></p:record><p:record/></p:records></p:ExportersForRecordsResponse>"));
    ExportersForRecordsResponse response = Call(&ExportersForRecordsImpl::GetExportersForRecords);
    ASSERT_EQ(response.GetRecords().size(), 2u);
    ExportersForRecord& first = *response.GetRecords()[0];
    ASSERT_TRUE(first.GetRecord());
    EXPECT_EQ(first.GetRecord()->GetIdentity(), 1002);
    ASSERT_EQ(first.GetExporters().size(), std::size(states));
    for (size_t i = 0; i < std::size(states); ++i) {
        EXPECT_EQ(first.GetExporters()[i]->GetPopulationState(), states[i].second) << states[i].first;
        EXPECT_EQ(first.GetExporters()[i]->GetName(), "Card");
        EXPECT_EQ(first.GetExporters()[i]->GetKey(), "k");
    }
    EXPECT_FALSE(response.GetRecords()[1]->GetRecord());
    EXPECT_TRUE(response.GetRecords()[1]->GetExporters().empty());
}

TEST_F(ExportersTest, ReadsExporterParametersPerRecordAndAttribute)
{
    Reply(Envelope(ReadFixture("export/exporter_parameters.xml")));
    GetExporterParametersResponse response = Call(&GetExporterParametersImpl::GetExporterParameters);
    ASSERT_EQ(response.GetRecords().size(), 1u);
    RecordExporterParameters& record = *response.GetRecords()[0];
    ASSERT_TRUE(record.GetRecord());
    EXPECT_EQ(record.GetRecord()->GetDBKey(), "DORSA_SAMPLES");
    using A = AttributeExporterParameters;
    const A::eDataPresence presences[] = {A::Present, A::NotApplicable, A::Missing,
                                          A::DataIncompatibleWithConfiguration, A::Unknown, A::Unknown};
    ASSERT_EQ(record.AccessAttributes().size(), std::size(presences));
    for (size_t i = 0; i < std::size(presences); ++i) {
        EXPECT_EQ(record.AccessAttributes()[i]->GetDataPresence(), presences[i]) << i;
    }

    A& curve = *record.AccessAttributes()[0];
    ASSERT_TRUE(curve.GetAttribute());
    EXPECT_EQ(curve.GetAttribute()->GetName(), "Stress-strain curve");
    EXPECT_FALSE(record.AccessAttributes()[1]->GetAttribute());
    using P = ExporterParameter;
    const std::pair<const char*, P::eUsage> parameters[] = {{"T", P::Fixed}, {"eps", P::Free}, {"", P::Unused},
                                                            {"", P::Unknown}};
    ASSERT_EQ(curve.AccessParameters().size(), std::size(parameters));
    for (size_t i = 0; i < std::size(parameters); ++i) {
        EXPECT_EQ(curve.AccessParameters()[i]->GetId(), parameters[i].first) << i;
        EXPECT_EQ(curve.AccessParameters()[i]->GetUsage(), parameters[i].second) << i;
    }
    const ExporterParameter& temperature = *curve.AccessParameters()[0];
    EXPECT_EQ(temperature.GetName(), "Temperature");
    EXPECT_EQ(temperature.GetParameterReference()->GetID(), 7);
    EXPECT_EQ(temperature.GetUnit()->GetUnitSymbol(), "°F");
    EXPECT_EQ(curve.AccessParameters()[1]->GetName(), "");

    ASSERT_EQ(curve.AccessGraphDomains().size(), 2u);
    const std::vector<SmartPtr<ParameterDomain>>& domains = curve.AccessGraphDomains()[0]->GetParameterDomains();
    ASSERT_EQ(domains.size(), 1u);
    EXPECT_TRUE(domains[0]->GetInterpolable());
    EXPECT_EQ(domains[0]->GetExporterParameterId(), "T");
    ASSERT_EQ(domains[0]->GetValues().size(), 1u);
    EXPECT_EQ(domains[0]->GetValues()[0]->eGetType(), ParameterValue::Numeric);
    EXPECT_EQ(domains[0]->GetValues()[0]->GetValue_Numeric(), 68.0);
    EXPECT_TRUE(curve.AccessGraphDomains()[1]->GetParameterDomains().empty());
}

} // namespace
} // namespace dorsatest
