#include "dorsa/xml/XmlTextPrivate.h"

#include <gtest/gtest.h>

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

} // namespace
