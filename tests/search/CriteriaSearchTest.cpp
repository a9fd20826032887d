#include "support/RequestTableTest.h"
#include "support/SampleReferences.h"
#include "support/XmlFragments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

template <class Value>
SmartPtr<Value> Unitted(double value, const std::string& unit)
{
    SmartPtr<Value> made = new Value;
    made->SetValue(value);
    made->SetUnit(unit);
    return made;
}

template <class Value>
SmartPtr<Value> WithText(const std::string& text)
{
    SmartPtr<Value> made = new Value;
    made->SetValue(text);
    return made;
}

template <class Value>
SmartPtr<Value> Discrete(const std::vector<std::string>& values)
{
    SmartPtr<Value> made = new Value;
    made->SetValues(values);
    return made;
}

SmartPtr<BetweenSearchValue> Between(const SmartPtr<LowEndSearchValue>& low, const SmartPtr<HighEndSearchValue>& high)
{
    SmartPtr<BetweenSearchValue> between = new BetweenSearchValue;
    between->SetLowEnd(low);
    between->SetHighEnd(high);
    return between;
}

SmartPtr<BetweenDateTimesSearchValue> BetweenDates(const std::string& low, const std::string& high)
{
    SmartPtr<BetweenDateTimesSearchValue> between = new BetweenDateTimesSearchValue;
    between->SetLowEnd(low);
    between->SetHighEnd(high);
    return between;
}

SmartPtr<TabularColumnContainsSearchValue> ColumnContains(const std::string& column, const std::string& text)
{
    SmartPtr<TabularColumnContainsSearchValue> value = WithText<TabularColumnContainsSearchValue>(text);
    value->SetColName(column);
    return value;
}

SmartPtr<ExactlySearchValue> Exactly(int number)
{
    SmartPtr<ExactlySearchValue> value = new ExactlySearchValue;
    value->SetValue(number);
    return value;
}

SmartPtr<RecordSearchCriterion> Criterion(const SmartPtr<AttributeReference>& attribute,
                                          const SmartPtr<SearchValue>& value)
{
    SmartPtr<RecordSearchCriterion> criterion = new RecordSearchCriterion;
    criterion->SetSearchAttribute(attribute);
    criterion->SetSearchValue(value);
    return criterion;
}

struct ValueCase {
    SmartPtr<SearchValue> value;
    std::string element; // what the value writes inside "sear:searchValue"
};

TEST(SearchValues, EachWritesItsOwnElement)
{
    const ValueCase cases[] = {
        {Between(Unitted<LowEndSearchValue>(10, "MPa"), Unitted<HighEndSearchValue>(20, "MPa")),
         "<sear:between><sear:lowEnd sear:unit=\"MPa\">1.00000000000000000e+01</sear:lowEnd>"
         "<sear:highEnd sear:unit=\"MPa\">2.00000000000000000e+01</sear:highEnd></sear:between>"},
        {Between(nullptr, Unitted<HighEndSearchValue>(-2.5, "")),
         "<sear:between><sear:highEnd>-2.50000000000000000e+00</sear:highEnd></sear:between>"},
        {Between(Unitted<LowEndSearchValue>(0.1, "g/cm^3"), nullptr),
         "<sear:between><sear:lowEnd sear:unit=\"g/cm^3\">1.00000000000000006e-01</sear:lowEnd></sear:between>"},
        {new BetweenSearchValue, "<sear:between/>"},
        {Unitted<LowEndSearchValue>(1e300, ""), "<sear:lowEnd>1.00000000000000005e+300</sear:lowEnd>"},
        {Unitted<HighEndSearchValue>(0, "%"), "<sear:highEnd sear:unit=\"%\">0.00000000000000000e+00</sear:highEnd>"},
        {Unitted<GreaterThanSearchValue>(0.5, ""), "<sear:greaterThan>5.00000000000000000e-01</sear:greaterThan>"},
        {Unitted<LessThanSearchValue>(200, "W/m.°C"),
         "<sear:lessThan sear:unit=\"W/m.°C\">2.00000000000000000e+02</sear:lessThan>"},
        {BetweenDates("2015-01-01T00:00:00", "2017-01-01T00:00:00"),
         "<sear:betweenDateTimes><sear:lowEnd>2015-01-01T00:00:00</sear:lowEnd><sear:highEnd>2017-01-01T00:00:00"
         "</sear:highEnd></sear:betweenDateTimes>"},
        {new BetweenDateTimesSearchValue,
         "<sear:betweenDateTimes><sear:lowEnd/><sear:highEnd/></sear:betweenDateTimes>"},
        {WithText<ContainsSearchValue>("weld & <form>"), "<sear:contains>weld &amp; &lt;form&gt;</sear:contains>"},
        {new ContainsSearchValue, "<sear:contains/>"},
        {WithText<DoesNotContainSearchValue>("magnetic"), "<sear:doesNotContain>magnetic</sear:doesNotContain>"},
        {ColumnContains("Element", "Cr"),
         "<sear:tabularColumnContains sear:tabularColumn=\"Element\">Cr</sear:tabularColumnContains>"},
        {ColumnContains("", ""), "<sear:tabularColumnContains sear:tabularColumn=\"\"/>"},
        {Discrete<ContainsAnySearchValue>({"Good", "Excellent"}),
         "<sear:containsAny><sear:discrete>Good</sear:discrete><sear:discrete>Excellent</sear:discrete>"
         "</sear:containsAny>"},
        {Discrete<ContainsAllSearchValue>({"Excellent"}),
         "<sear:containsAll><sear:discrete>Excellent</sear:discrete></sear:containsAll>"},
        {new ContainsAllSearchValue, "<sear:containsAll/>"},
        {Exactly(42), "<sear:exactly>42</sear:exactly>"},
        {Exactly(-2147483647 - 1), "<sear:exactly>-2147483648</sear:exactly>"},
        {new ExistsSearchValue, "<sear:exists>true</sear:exists>"},
        {new DoesNotExistSearchValue, "<sear:doesNotExist>true</sear:doesNotExist>"},
    };
    for (const ValueCase& c : cases) {
        EXPECT_EQ(Written(*Criterion(nullptr, c.value)), "<sear:searchValue>" + c.element + "</sear:searchValue>")
            << c.value->GetNodeName();
    }
}

using CriteriaSearchTest = RequestTableTest<StartedSessionFixture>;

const char s_scopeDefaults[] = "<sear:searchFilter>NoFilter</sear:searchFilter>"
                               "<sear:populateGUIDs>false</sear:populateGUIDs>";

TEST_F(CriteriaSearchTest, WritesTheCriteriaBeforeTheScope)
{
    ExpectBodies(&CriteriaSearchImpl::Search, "sear:CriteriaSearch", {
        {"defaults", [](CriteriaSearch&) {}, std::string("<sear:dbKey/>") + s_scopeDefaults},
        {"criteria in order, an empty one ignored, a value type never written, every scope part",
         [](CriteriaSearch& r) {
             r.SetDBKey("DORSA_SAMPLES");
             r.SetRecordFilter(RecordFilter::CreateOne());
             r.AddSearchCriterion(Criterion(SampleAttribute(113), Exactly(12)));
             r.AddSearchCriterion(nullptr);
             SmartPtr<RecordSearchCriterion> typed = Criterion(SampleAttribute(106), new DoesNotExistSearchValue);
             typed->SetSearchValueType("DoesNotExist");
             r.AddSearchCriterion(typed);
             r.SetPopulateGUIDs(true);
             r.SetSearchMode(SearchModes::Normal);
             r.SetSearchFilter(TableFilters::ProcessesTablesOnly);
         },
         "<sear:dbKey>DORSA_SAMPLES</sear:dbKey><sear:recordSearchCriterion><sear:searchAttribute><zbt:dbKey>"
         "DORSA_SAMPLES</zbt:dbKey><zbt:attributeIdentity>113</zbt:attributeIdentity></sear:searchAttribute>"
         "<sear:searchValue><sear:exactly>12</sear:exactly></sear:searchValue></sear:recordSearchCriterion>"
         "<sear:recordSearchCriterion><sear:searchAttribute><zbt:dbKey>DORSA_SAMPLES</zbt:dbKey><zbt:attributeIdentity>"
         "106</zbt:attributeIdentity></sear:searchAttribute><sear:searchValue><sear:doesNotExist>true"
         "</sear:doesNotExist></sear:searchValue></sear:recordSearchCriterion>"
         "<sear:searchFilter>ProcessesTablesOnly</sear:searchFilter><sear:searchMode>Normal</sear:searchMode>"
         "<sear:populateGUIDs>true</sear:populateGUIDs><sear:recordFilter/>"},
        {"a criterion without attribute or value",
         [](CriteriaSearch& r) { r.AddSearchCriterion(new RecordSearchCriterion); },
         std::string("<sear:dbKey/><sear:recordSearchCriterion/>") + s_scopeDefaults},
    });
}

} // namespace
} // namespace dorsatest
