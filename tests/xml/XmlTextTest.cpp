#include "dorsa/xml/XmlTextPrivate.h"

#include <rapidxml/rapidxml_print.hpp>

#include <gtest/gtest.h>

#include <iterator>

#include <string>

namespace {

using namespace zvrtkDorsaServiceLayer;
using detail::ExceedsNestingDepth;

std::string Nested(std::size_t depth)
{
    std::string text;
    for (std::size_t i = 0; i < depth; ++i) {
        text += "<a>";
    }
    for (std::size_t i = 0; i < depth; ++i) {
        text += "</a>";
    }
    return text;
}

struct DepthCase {
    std::string text;
    std::size_t maxDepth;
    bool exceeds;
};

TEST(XmlText, NestingScanCountsOnlyElements)
{
    const DepthCase cases[] = {
        {"<a><b><c/></b></a>", 2, false},
        {"<a><b><c></c></b></a>", 2, true},
        {"<a><!-- <b><c> --></a>", 1, false},
        {"<a><![CDATA[<b><c>]]></a>", 1, false},
        {"<?xml version=\"1.0\"?><!DOCTYPE a><a x=\"<b>\" y='/>'/>", 0, false},
        {"<a></a><b></b><c></c>", 1, false},
        {"<a><b", 1, true},
        {"</a></a></a><b><c></c></b>", 1, true},
    };
    for (const DepthCase& c : cases) {
        EXPECT_EQ(ExceedsNestingDepth(c.text.data(), c.text.size(), c.maxDepth), c.exceeds) << c.text;
    }
}

TEST(XmlText, ParsesAndPrintsWithoutIndenting)
{
    detail::ParsedXml parsed;
    const std::string text = "\xEF\xBB\xBF<a x='1'>\n <b>t&lt;</b><c></c></a>";
    ASSERT_TRUE(parsed.Parse(text.data(), text.size(), detail::ParseMode::InPlace));
    // Whitespace between elements is not kept.
    EXPECT_EQ(detail::PrintXml(parsed.Document()), "<a x=\"1\"><b>t&lt;</b><c/></a>");
}

TEST(XmlText, RefusesTextsThatCannotBeParsedSafely)
{
    const std::string nul("<a>one\0two</a>", 14);
    const std::string cases[] = {
        "<html><body>Bad gateway</body>",
        "<a><b></a></b>",
        "<a>",
        "no markup at all<",
        nul,
        Nested(detail::s_maxNestingDepth + 1),
    };
    for (const std::string& text : cases) {
        detail::ParsedXml parsed;
        EXPECT_FALSE(parsed.Parse(text.data(), text.size(), detail::ParseMode::InPlace)) << text.substr(0, 40);
        EXPECT_FALSE(parsed.Error().empty());
        EXPECT_EQ(parsed.Document().first_node(), nullptr);
    }
}

TEST(XmlText, AcceptsNestingUpToTheLimit)
{
    const std::string text = Nested(detail::s_maxNestingDepth);
    detail::ParsedXml parsed;
    ASSERT_TRUE(parsed.Parse(text.data(), text.size(), detail::ParseMode::InPlace));
    const std::string printed = detail::PrintXml(parsed.Document());
    EXPECT_EQ(printed.size(), (detail::s_maxNestingDepth - 1) * 7 + 4);
}

TEST(XmlText, NonDestructiveParsingKeepsReferencesAsWritten)
{
    detail::ParsedXml parsed;
    const std::string text = "<a>1 &lt; 2</a>";
    ASSERT_TRUE(parsed.Parse(text.data(), text.size(), detail::ParseMode::NonDestructive));
    const XmlNode<char>* root = parsed.Document().first_node();
    EXPECT_EQ(std::string(root->value(), root->value_size()), "1 &lt; 2");
}

// What RapidXML's own translating parse of a copy prints.
std::string PrintedByRapidXml(const std::string& text)
{
    std::vector<char> copy(text.begin(), text.end());
    copy.push_back('\0');
    XmlDocument<char> document;
    document.parse<rapidxml::parse_validate_closing_tags>(copy.data());
    std::string printed;
    rapidxml::print(std::back_inserter(printed), document, rapidxml::print_no_indenting);
    return printed;
}

TEST(XmlText, InPlaceParsingTranslatesReferencesAsRapidXmlDoes)
{
    const std::string cases[] = {
        "<a>plain</a>",
        "<a>1 &lt; 2 &amp;&amp; 3 &gt; 2</a>",
        "<a q=\"&quot;x&apos;\" r='&amp;'>&quot;&apos;</a>",
        "<a>&#65;&#x42;&#xe9;&#x20AC;&#x1F600;&#233;</a>",
        "<a>&unknown; & alone &amp</a>",
        "<a>one<b>&lt;</b>two &amp; three</a>",
        "<a><![CDATA[&amp; stays]]>&amp;</a>",
        "<a x='&#x41;&#66;'/>",
    };
    for (const std::string& text : cases) {
        std::string buffer = text;
        detail::ParsedXml parsed;
        ASSERT_TRUE(parsed.ParseInPlace(&buffer[0], buffer.size(), detail::ParseMode::InPlace)) << text;
        EXPECT_EQ(detail::PrintXml(parsed.Document()), PrintedByRapidXml(text)) << text;
    }
}

TEST(XmlText, ElementTextIsTheTranslatedFirstText)
{
    std::string text = "<a>x &amp; y<b/>tail</a>";
    detail::ParsedXml parsed;
    ASSERT_TRUE(parsed.ParseInPlace(&text[0], text.size(), detail::ParseMode::InPlace));
    const XmlNode<char>* root = parsed.Document().first_node();
    EXPECT_EQ(std::string(root->value(), root->value_size()), "x & y");
}

TEST(XmlText, RefusedTextIsLeftAsItCame)
{
    const std::string cases[] = {
        "<a>&amp;</a><",
        "<a x='&lt;'>&#12</a>",
        "<a>&#;</a>",
        "<a>&#x110000;</a>",
        "<a>&#99999999999999999999;</a>",
        "<a>&amp;<b>&lt;</a></b>",
    };
    for (const std::string& text : cases) {
        std::string buffer = text;
        detail::ParsedXml parsed;
        EXPECT_FALSE(parsed.ParseInPlace(&buffer[0], buffer.size(), detail::ParseMode::InPlace)) << text;
        EXPECT_EQ(buffer, text);
        EXPECT_NE(parsed.Error().find(" at byte "), std::string::npos) << parsed.Error();
    }
}

TEST(XmlText, PrintingGrowsPastAWrongSizeHint)
{
    const std::string text = Nested(50);
    detail::ParsedXml parsed;
    ASSERT_TRUE(parsed.Parse(text.data(), text.size(), detail::ParseMode::InPlace));
    EXPECT_EQ(detail::PrintXml(parsed.Document(), 1), detail::PrintXml(parsed.Document(), 100000));
}

} // namespace
