#include "support/RequestTableTest.h"
#include "support/Fixtures.h"
#include "support/XmlFragments.h"

#include <gtest/gtest.h>

#include <string>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

using UnitsTest = RequestTableTest<>;

TEST_F(UnitsTest, ConversionRequestsWriteOnlyWhatIsSet)
{
    ExpectBodies(&GetUnitConversionsImpl::GetUnitConversions, "brow:GetUnitConversionsRequest", {
        {"key only", [](GetUnitConversions& r) { r.SetDBKey("DORSA_SAMPLES"); }, "<brow:dbKey>DORSA_SAMPLES</brow:dbKey>"},
        {"source currency only", [](GetUnitConversions& r) { r.SetSourceCurrency("USD"); },
         "<brow:dbKey/><brow:unitConversionContexts><brow:sourceCurrency>USD</brow:sourceCurrency>"
         "</brow:unitConversionContexts>"},
        {"symbols only", [](GetUnitConversions& r) {
             r.AddUnitSymbol("MPa");
             r.AddUnitSymbol("kg/m^3");
         },
         "<brow:dbKey/><brow:sourceUnits><brow:unitSymbol>MPa</brow:unitSymbol><brow:unitSymbol>"
         "kg/m^3</brow:unitSymbol></brow:sourceUnits>"},
        {"everything", [](GetUnitConversions& r) {
             SmartPtr<UnitConversionContext> imperial = new UnitConversionContext;
             imperial->SetUnitSystem("Imperial");
             imperial->SetCurrency("GBP");
             imperial->SetAbsoluteUnits(false);
             r.AddUnitConversionContext(imperial);
             r.AddUnitConversionContext(new UnitConversionContext);
             r.SetTargetCurrency("EUR");
             r.AddUnitSymbol("USD/kg");
         },
         "<brow:dbKey/><brow:unitConversionContexts><brow:unitConversionContext><zbt:unitSystem>"
         "Imperial</zbt:unitSystem><zbt:currency>GBP</zbt:currency><zbt:absoluteUnits>false</zbt:absoluteUnits>"
         "</brow:unitConversionContext><brow:unitConversionContext/></brow:unitConversionContexts><brow:sourceUnits>"
         "<brow:targetCurrency>EUR</brow:targetCurrency><brow:unitSymbol>USD/kg</brow:unitSymbol></brow:sourceUnits>"},
    });
}

TEST_F(UnitsTest, ReadsConversionsWithTheirDefaults)
{
    Reply(Envelope(ReadFixture("browse/unit_conversions.xml")));
    GetUnitConversionsImpl operation(m_session.get());
    SmartPtr<GetUnitConversions> request = new GetUnitConversions;
    GetUnitConversionsResponse response;
    operation.GetUnitConversions(request, &response);

    EXPECT_EQ(response.GetDBKey(), "DORSA_SAMPLES");
    ASSERT_EQ(response.AccessConversions().size(), 1u);
    const SmartPtr<UnitConversion> imperial = response.AccessConversions()[0];
    EXPECT_EQ(imperial->GetUnitSystem()->GetUnitSystem(), "Imperial");
    EXPECT_TRUE(imperial->GetUnitSystem()->IsAbsoluteUnitsSet());
    EXPECT_EQ(Written(*imperial->GetUnitSystem()), "<zbt:unitSystem>Imperial</zbt:unitSystem>"
                                                   "<zbt:absoluteUnits>false</zbt:absoluteUnits>");
    ASSERT_EQ(imperial->AccessConversions().size(), 2u);
    EXPECT_DOUBLE_EQ(imperial->AccessConversions()[0].factor, 0.1450377);
    EXPECT_DOUBLE_EQ(imperial->AccessConversions()[0].offset, 0.0);
    EXPECT_EQ(imperial->AccessConversions()[1].sourceSymbol, "\xC2\xB0" "C");
    EXPECT_DOUBLE_EQ(imperial->AccessConversions()[1].offset, 32.0);
    ASSERT_EQ(response.AccessSourceUnits().size(), 1u);
    EXPECT_EQ(response.AccessSourceUnits()[0].sourceSymbol, "kg/m^3");
    EXPECT_EQ(response.AccessSourceUnits()[0].targetSymbol, "lb/ft^3");
}

TEST_F(UnitsTest, GroupsUnitsByDatabaseInReplyOrder)
{
    Reply(Envelope("<GetUnitsResponse><Databases>"
                   "<Database><dbKey>DORSA_SAMPLES</dbKey><Units><Unit symbol=\"MPa\" hasCurrency=\"false\"/>"
                   "<Unit symbol=\"USD/kg\" hasCurrency=\"true\"/><Unit symbol=\"nocurrencyflag\"/></Units></Database>"
                   "<Database><Units><Unit symbol=\"orphan\" hasCurrency=\"false\"/></Units></Database>"
                   "<Database><dbKey>DORSA_SAMPLES</dbKey><Units><Unit symbol=\"GPa\" hasCurrency=\"0\"/></Units></Database>"
                   "<Database><dbKey>POLY_DB</dbKey></Database>"
                   "</Databases></GetUnitsResponse>"));
    GetUnitsImpl operation(m_session.get());
    SmartPtr<GetUnits> request = new GetUnits;
    request->SetDBKey("DORSA_SAMPLES");
    GetUnitsResponse response;
    operation.GetUnits(request, &response);

    EXPECT_EQ(LastBodyContent(), "<brow:GetUnitsRequest><brow:dbKey>DORSA_SAMPLES</brow:dbKey></brow:GetUnitsRequest>");
    const GetUnitsResponse::UnitsByDatabase expected = {
        {"DORSA_SAMPLES", {{"MPa", false}, {"USD/kg", true}, {"GPa", false}}},
        {"POLY_DB", {}},
    };
    EXPECT_EQ(response.GetUnitsByDatabase(), expected);
}

TEST_F(UnitsTest, ReadsUnitSystemsWithTheirCurrencies)
{
    Reply(Envelope("<GetUnitSystemsResponse><dbKey>DORSA_SAMPLES</dbKey><unitSystems><unitSystem>SI</unitSystem>"
                   "<unitSystem>Imperial</unitSystem></unitSystems><currencies><currency><code>EUR</code><name>Euro"
                   "</name><factor>0.92</factor></currency><currency><code>XTS</code></currency></currencies>"
                   "</GetUnitSystemsResponse>"));
    GetUnitSystemsImpl systems(m_session.get());
    SmartPtr<GetUnitSystems> request = new GetUnitSystems;
    request->SetDBKey("DORSA_SAMPLES");
    GetUnitSystemsResponse response;
    systems.GetUnitSystems(request, &response);
    EXPECT_EQ(LastBodyContent(), "<brow:GetUnitSystems><brow:dbKey>DORSA_SAMPLES</brow:dbKey><brow:excludeCurrencies>false"
                                 "</brow:excludeCurrencies></brow:GetUnitSystems>");
    EXPECT_EQ(response.AccessUnitSystems(), (std::vector<std::string>{"SI", "Imperial"}));
    ASSERT_EQ(response.AccessCurrencies().size(), 2u);
    EXPECT_EQ(response.AccessCurrencies()[0]->GetCode(), "EUR");
    EXPECT_DOUBLE_EQ(response.AccessCurrencies()[0]->GetFactor(), 0.92);
    EXPECT_DOUBLE_EQ(response.AccessCurrencies()[1]->GetFactor(), 1.0);
}

TEST(UnitDetails, WriteOnlyWhatIsSet)
{
    UnitInformation unit;
    unit.SetUnitSymbol("MPa");
    EXPECT_EQ(Written(unit), "<zbt:UnitSymbol>MPa</zbt:UnitSymbol>");
    Fragment badFactor("<c><factor>cheap</factor></c>");
    EXPECT_THROW(CurrencyDetail::CreateOne(badFactor.Root()), std::invalid_argument);
}

} // namespace
} // namespace dorsatest
