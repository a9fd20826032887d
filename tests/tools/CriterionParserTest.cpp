#include "CriterionParser.h"

#include "support/XmlFragments.h"

#include <gtest/gtest.h>

#include <string>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;
using dorsatool::CriterionSyntaxError;
using dorsatool::ParseCriterion;

// What the parsed condition writes inside "sear:searchValue".
std::string WrittenCondition(const SmartPtr<SearchValue>& value)
{
    RecordSearchCriterion criterion;
    criterion.SetSearchValue(value);
    const std::string written = Written(criterion);
    const std::string open = "<sear:searchValue>";
    return written.substr(open.size(), written.size() - 2 * open.size() - 1);
}

struct GoodCase {
    const char* expression;
    const char* attribute;
    std::string condition;
};

TEST(CriterionParser, ReadsEveryCondition)
{
    const GoodCase cases[] = {
        {"Density between 1000 and 3000 kg/m^3", "Density",
         "<sear:between><sear:lowEnd sear:unit=\"kg/m^3\">1.00000000000000000e+03</sear:lowEnd>"
         "<sear:highEnd sear:unit=\"kg/m^3\">3.00000000000000000e+03</sear:highEnd></sear:between>"},
        {"  Melt flow index   between -1.5 and 2e1 g/10 min ", "Melt flow index",
         "<sear:between><sear:lowEnd sear:unit=\"g/10 min\">-1.50000000000000000e+00</sear:lowEnd>"
         "<sear:highEnd sear:unit=\"g/10 min\">2.00000000000000000e+01</sear:highEnd></sear:between>"},
        {"Density between 1 and 3", "Density",
         "<sear:between><sear:lowEnd>1.00000000000000000e+00</sear:lowEnd>"
         "<sear:highEnd>3.00000000000000000e+00</sear:highEnd></sear:between>"},
        {"Yield strength > 200 MPa", "Yield strength",
         "<sear:greaterThan sear:unit=\"MPa\">2.00000000000000000e+02</sear:greaterThan>"},
        {"Young's modulus < 0.5", "Young's modulus", "<sear:lessThan>5.00000000000000000e-01</sear:lessThan>"},
        {"Date tested between 2015-01-01 and 2017-01-01T12:30:00", "Date tested",
         "<sear:betweenDateTimes><sear:lowEnd>2015-01-01T00:00:00</sear:lowEnd>"
         "<sear:highEnd>2017-01-01T12:30:00</sear:highEnd></sear:betweenDateTimes>"},
        {"Number of tests = -12", "Number of tests", "<sear:exactly>-12</sear:exactly>"},
        {"Notes contains weld  &  form", "Notes", "<sear:contains>weld  &amp;  form</sear:contains>"},
        {"Notes contains \"between\"", "Notes", "<sear:contains>between</sear:contains>"},
        {"Material family does-not-contain ferrous", "Material family",
         "<sear:doesNotContain>ferrous</sear:doesNotContain>"},
        {"Composition column Lot number contains A-17", "Composition",
         "<sear:tabularColumnContains sear:tabularColumn=\"Lot number\">A-17</sear:tabularColumnContains>"},
        {"Corrosion resistance contains-any Good, Excellent", "Corrosion resistance",
         "<sear:containsAny><sear:discrete>Good</sear:discrete><sear:discrete>Excellent</sear:discrete>"
         "</sear:containsAny>"},
        {"Corrosion resistance contains-all Very good", "Corrosion resistance",
         "<sear:containsAll><sear:discrete>Very good</sear:discrete></sear:containsAll>"},
        {"Datasheet exists", "Datasheet", "<sear:exists>true</sear:exists>"},
        {"\"Does it exist\" does-not-exist", "Does it exist", "<sear:doesNotExist>true</sear:doesNotExist>"},
    };
    for (const GoodCase& c : cases) {
        const dorsatool::ParsedCriterion parsed = ParseCriterion(c.expression);
        EXPECT_EQ(parsed.attribute, c.attribute) << c.expression;
        ASSERT_TRUE(parsed.value) << c.expression;
        EXPECT_EQ(WrittenCondition(parsed.value), c.condition) << c.expression;
    }
}

struct BadCase {
    const char* expression;
    const char* expected;
    std::size_t position;
    const char* word;
};

TEST(CriterionParser, PointsAtTheWordItCouldNotRead)
{
    const BadCase cases[] = {
        {"", "an attribute name", 0, ""},
        {"> 200", "an attribute name", 0, ">"},
        {"Density 1000", "a condition", 12, ""},
        {"Density between x and 3", "a number or a date", 16, "x"},
        {"Density between 1000 3000", "'and'", 21, "3000"},
        {"Density between 1000 and", "a number", 24, ""},
        {"Density between 1000 and 3,5", "a number", 25, "3,5"},
        {"Date tested between 2015-01-01 and 3000", "a date", 35, "3000"},
        {"Date tested between 2015-01-01 and 2017-01-01 UTC", "the end of the expression", 46, "UTC"},
        {"Yield strength > lots", "a number", 17, "lots"},
        {"Yield strength > 1e999", "a number", 17, "1e999"},
        {"Number of tests = 4.5", "an integer", 18, "4.5"},
        {"Number of tests = 99999999999", "an integer", 18, "99999999999"},
        {"Number of tests = 4 tests", "the end of the expression", 20, "tests"},
        {"Notes contains", "a text", 14, ""},
        {"Composition column Element Cr", "'contains'", 29, ""},
        {"Composition column contains Cr", "a column name", 19, "contains"},
        {"Composition column Element contains", "a text", 35, ""},
        {"Corrosion resistance contains-any", "values separated by commas", 33, ""},
        {"Corrosion resistance contains-any Good,,Excellent", "a value between the commas", 39, ","},
        {"Corrosion resistance contains-all Good,", "a value between the commas", 39, ""},
        {"Datasheet exists now", "the end of the expression", 17, "now"},
        {"\"Datasheet exists", "a closing quote", 0, "\"Datasheet exists"},
    };
    for (const BadCase& c : cases) {
        try {
            ParseCriterion(c.expression);
            ADD_FAILURE() << c.expression << " was read";
        } catch (const CriterionSyntaxError& error) {
            EXPECT_EQ(error.Expected().rfind(c.expected, 0), 0u) << c.expression << ": " << error.Expected();
            EXPECT_EQ(error.Position(), c.position) << c.expression;
            EXPECT_EQ(error.Word(), c.word) << c.expression;
        }
    }
}

TEST(CriterionParser, DescribesTheErrorWithACaretUnderTheWord)
{
    const std::string expression = "Density between 1000 3000";
    try {
        ParseCriterion(expression);
        FAIL() << "was read";
    } catch (const CriterionSyntaxError& error) {
        EXPECT_EQ(dorsatool::DescribeSyntaxError(expression, error),
                  "expected 'and', found '3000'\n"
                  "  Density between 1000 3000\n"
                  "                       ^");
    }
}

} // namespace
} // namespace dorsatest
