#include "dorsa/ServiceLayer.h"
#include "support/Fixtures.h"
#include "support/ScopedLocale.h"
#include "support/XmlFragments.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>
#include <string>
#include <utility>

namespace {

using namespace zvrtkDorsaServiceLayer;
using dorsatest::ScopedLocale;

// With DORSA_TEST_LOCALE set, every test here runs in that locale.
const bool s_inTestLocale = dorsatest::ApplyLocaleFromEnvironment();

// What `read` throws, as "<type>: <what()>", or "" when it returns.
template <class Read>
std::string Thrown(Read read)
{
    try {
        read();
    } catch (const std::invalid_argument& error) {
        return std::string("invalid_argument: ") + error.what();
    } catch (const std::out_of_range& error) {
        return std::string("out_of_range: ") + error.what();
    }
    return "";
}

template <class T>
struct ReadCase {
    const char* text;
    T value;
    const char* error; // what it throws, or null
};

// Reads each case's text with `read`: its value, or what it throws.
template <class T, std::size_t N>
void ExpectRead(const ReadCase<T> (&cases)[N], T (*read)(const std::string&))
{
    for (const ReadCase<T>& c : cases) {
        if (c.error) {
            EXPECT_EQ(Thrown([&] { read(c.text); }), c.error) << c.text;
        } else {
            EXPECT_EQ(read(c.text), c.value) << c.text;
        }
    }
}

TEST(TextForms, StringToIntFollowsStoiWithTheServiceLayerTexts)
{
    const char* const invalid = "invalid_argument: invalid stoi argument";
    const char* const outOfRange = "out_of_range: stoi argument out of range";
    const ReadCase<int> cases[] = {
        {"12abc", 12, nullptr}, {" -7", -7, nullptr}, {"+42", 42, nullptr}, {"2147483647", 2147483647, nullptr},
        {"", 0, invalid}, {"abc", 0, invalid}, {"99999999999", 0, outOfRange}, {"-2147483649", 0, outOfRange},
    };
    ExpectRead(cases, &StringToInt);
}

TEST(TextForms, StringToBoolAcceptsWholeWordsInAnyCase)
{
    const char* const invalid = "invalid_argument: boolean value not parseable";
    const ReadCase<bool> cases[] = {
        {"TRUE", true, nullptr}, {"Yes", true, nullptr}, {"Y", true, nullptr}, {"t", true, nullptr},
        {"1", true, nullptr},    {"FALSE", false, nullptr}, {"No", false, nullptr}, {"0", false, nullptr},
        {"f", false, nullptr},   {"n", false, nullptr},   {"2", false, invalid},  {"on", false, invalid},
        {"", false, invalid},    {"tru", false, invalid}, {"true ", false, invalid},
    };
    ExpectRead(cases, &StringToBool);
}

// As std::stod reads in the "C" locale (strtod's forms), with the service layer's texts.
TEST(TextForms, StringToDoubleReadsAsStodWithTheServiceLayerTexts)
{
    const char* const invalid = "invalid_argument: invalid stod argument";
    const char* const outOfRange = "out_of_range: stod argument out of range";
    const ReadCase<double> cases[] = {
        {" 2.5e3x", 2500.0, nullptr}, {"\t+1.5", 1.5, nullptr}, {"-0.25", -0.25, nullptr}, {"0x1p3", 8.0, nullptr},
        {"-inf", -std::numeric_limits<double>::infinity(), nullptr},
        {"0x1p-1074", std::numeric_limits<double>::denorm_min(), nullptr},
        {"x", 0, invalid}, {"", 0, invalid}, {"+-1", 0, invalid},
        {"1e999", 0, outOfRange}, {"-1e999", 0, outOfRange}, {"1e-400", 0, outOfRange}, {"1e-310", 0, outOfRange},
    };
    ExpectRead(cases, &StringToDouble);
}

TEST(TextForms, NumbersAndBooleansHaveTheirWireForms)
{
    EXPECT_EQ(IntToString(-12), "-12");
    EXPECT_EQ(IntToString(0), "0");
    EXPECT_EQ(DoubleToString(0.1), "1.00000000000000006e-01");
    EXPECT_EQ(DoubleToString(-2500.0), "-2.50000000000000000e+03");
    EXPECT_EQ(BoolToString(true), "true");
    EXPECT_EQ(BoolToString(false), "false");
}

TEST(TextForms, DoublesRoundTripExactly)
{
    for (const double value : {0.1, 1.0 / 3.0, 6.02214076e23, -4.9e-300, 123456789.123456789}) {
        EXPECT_EQ(StringToDouble(DoubleToString(value)), value);
    }
}

TEST(TextForms, FormatStringHandlesLongOutput)
{
    const std::string long_text(10000, 'x');
    EXPECT_EQ(FormatString("%s!", long_text.c_str()), long_text + "!");
    EXPECT_EQ(FormatString("%03d", 5), "005");
    EXPECT_EQ(FormatString("no arguments"), "no arguments");
}

TEST(TextForms, TranslatedReferencesKeepAnAmpersandThatStartsNoCharacter)
{
    const std::pair<std::string, std::string> cases[] = {
        {"1 &lt; 2 &amp;&amp; &quot;x&apos; &gt;", "1 < 2 && \"x' >"},
        {"&#65;&#x42;&#xe9;&#x1F600;", "AB\u00e9\U0001F600"},
        {"&amp;lt; stays once", "&lt; stays once"},
        {"&unknown; & alone &amp", "&unknown; & alone &amp"},
        {"&#0; &#x110000; &#65 &#;", "&#0; &#x110000; &#65 &#;"},
    };
    for (const auto& [written, translated] : cases) {
        EXPECT_EQ(TranslatedReferences(written), translated) << written;
    }
}

// The host's locale, when it writes "1,5": what these tests need to show anything.
#define REQUIRE_COMMA_DECIMAL_LOCALE(locale)                                                                          \
    if (!(locale) || FormatString("%.1f", 1.5) != "1,5") {                                                           \
        GTEST_SKIP() << "no comma-decimal locale " << dorsatest::CommaDecimalLocaleName()                            \
                     << " on this machine (scripts/test.sh generates one)";                                          \
    }

TEST(TextForms, NumbersIgnoreAHostLocaleWithADecimalComma)
{
    ScopedLocale locale(dorsatest::CommaDecimalLocaleName());
    REQUIRE_COMMA_DECIMAL_LOCALE(locale);
    EXPECT_EQ(DoubleToString(1.5), "1.50000000000000000e+00");
    EXPECT_EQ(DoubleToString(-2500.0), "-2.50000000000000000e+03");
    EXPECT_EQ(FixedToString(0.25, 6), "0.250000");
    EXPECT_EQ(IntToString(-1234567), "-1234567");
    EXPECT_EQ(StringToDouble("1.5"), 1.5);
    EXPECT_EQ(StringToDouble("0.91"), 0.91);
    EXPECT_EQ(StringToDouble(" 2.5e3x"), 2500.0);
    // A comma is no decimal point on the wire: the valid prefix is taken, as in the C locale.
    EXPECT_EQ(StringToDouble("1,5"), 1.0);
    EXPECT_THROW(StringToDouble("1e999"), std::out_of_range);
    EXPECT_THROW(StringToDouble(",5"), std::invalid_argument);
}

TEST(TextForms, ValuesRoundTripUnderAHostLocaleWithADecimalComma)
{
    ScopedLocale locale(dorsatest::CommaDecimalLocaleName());
    REQUIRE_COMMA_DECIMAL_LOCALE(locale);
    Initialize();
    dorsatest::Fragment fragment("<RangeDataValue><UnitSymbol>MPa</UnitSymbol><LowValue>0.91</LowValue>"
                                 "<HighValue>205.5</HighValue></RangeDataValue>");
    const SmartPtr<IDataValue> value = DataValueFactoryNew::CreateOne("RNGE", fragment.Root());
    ASSERT_TRUE(value);
    const std::string written = dorsatest::WrittenValue(*value);
    EXPECT_NE(written.find("<zbt:LowValue>9.10000000000000031e-01</zbt:LowValue>"), std::string::npos) << written;
    EXPECT_NE(written.find("<zbt:HighValue>2.05500000000000000e+02</zbt:HighValue>"), std::string::npos) << written;
    Shutdown();
}

} // namespace
