#include "dorsa/xml/XmlBinding.h"
#include "dorsa/xml/XmlTextPrivate.h"

#include <rapidxml/rapidxml_print.hpp>

#include <gtest/gtest.h>

#include <iterator>
#include <random>

#include <string>

namespace {

using namespace zvrtkDorsaServiceLayer;

std::string Repeated(const std::string& text, std::size_t times)
{
    std::string repeated;
    for (std::size_t i = 0; i < times; ++i) {
        repeated += text;
    }
    return repeated;
}

std::string Nested(std::size_t depth)
{
    return Repeated("<a>", depth) + Repeated("</a>", depth);
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
        {"<?xml version=\"1.0\"?><a x=\"<b>\" y='/>'/>", 0, false},
        {"<a></a><b></b><c></c>", 1, false},
        {"</a></a></a><b><c></c></b>", 1, true},
        // Quotes the parser takes as part of a name, not as the start of a value.
        {"<a'><b><c></c></b></a'>", 2, true},
        {"<a b'=\"1\"><b><c>'</c></b></a>", 2, true},
        {"<a b = '>' ><b><c></c></b></a>", 2, true},
        // Where the parser stops with an error, it recurses no deeper than the tags before.
        {"<a><b", 1, false},
        {"<a x=1><b><c></c></b></a>", 1, false},
        // "<?>" opens a processing instruction that runs to the next "?>", closing tags and all.
        {"<a><?></a></a>?><b><c></c></b></a>", 2, true},
    };
    for (const DepthCase& c : cases) {
        const bool tooDeep = detail::ScanMarkup(c.text.data(), c.text.size(), c.maxDepth).problem == detail::MarkupProblem::TooDeep;
        EXPECT_EQ(tooDeep, c.exceeds) << c.text;
    }
}

TEST(XmlText, ADocumentTypeDeclarationIsRefused)
{
    // Its internal subset ends at "]>", not at the first '>': markup could hide in it.
    const std::string text = "<!DOCTYPE x [ > <b c='> ]>" + Nested(10) + "'/>";
    EXPECT_EQ(detail::ScanMarkup(text.data(), text.size(), 5).problem, detail::MarkupProblem::Doctype);
    detail::ParsedXml parsed;
    EXPECT_FALSE(parsed.Parse(text.data(), text.size(), detail::ParseMode::Translated));
    EXPECT_NE(parsed.Error().find("document type declaration"), std::string::npos) << parsed.Error();
}

// Nesting the parser would recurse into, hidden from a scan that reads tags its own way.
TEST(XmlText, DeepNestingCannotHideFromTheScan)
{
    const std::size_t depth = 200000;
    const std::string quotedName = "<r'>" + Repeated("<a>", depth) + "'";
    const std::string quotedAttributeName = "<r x'=\"1\">" + Repeated("<a>", depth);
    const std::string doctype = "<!DOCTYPE x [ > <b c='> ]>" + Nested(depth) + "'/>";
    // Blocks of 1900 openings whose closings sit inside "<?>" ... "?>", where the parser never sees them.
    const std::string closedInsideInstructions =
        Repeated(Repeated("<a>", 1900) + "<?>" + Repeated("</a>", 1900) + "?>", 100);
    for (const std::string* text : {&quotedName, &quotedAttributeName, &doctype, &closedInsideInstructions}) {
        detail::ParsedXml parsed;
        EXPECT_FALSE(parsed.Parse(text->data(), text->size(), detail::ParseMode::Translated));
        EXPECT_FALSE(parsed.Error().empty());
    }
}

TEST(XmlText, ParsesAndPrintsWithoutIndenting)
{
    detail::ParsedXml parsed;
    const std::string text = "\xEF\xBB\xBF<a x='1'>\n <b>t&lt;</b><c></c></a>";
    ASSERT_TRUE(parsed.Parse(text.data(), text.size(), detail::ParseMode::Translated));
    // Whitespace between elements is not kept.
    EXPECT_EQ(detail::PrintXml(parsed.Document()), "<a x=\"1\"><b>t&lt;</b><c/></a>");
}

struct RefusedCase {
    std::string text;
    bool atByte; // whether the error says where the parse stopped
};

// A refused text leaves no document, and the text is left as it came.
TEST(XmlText, RefusesTextsThatCannotBeParsedSafely)
{
    const RefusedCase cases[] = {
        {"<html><body>Bad gateway</body>", true},
        {"<a><b></a></b>", true},
        {"<a>", true},
        {"no markup at all<", true},
        {std::string("<a>one\0two</a>", 14), false},
        {Nested(detail::s_maxNestingDepth + 1), false},
        {"<a>&amp;</a><", true},
        {"<a x='&lt;'>&#12</a>", true},
        {"<a>&#;</a>", true},
        {"<a>&#x110000;</a>", true},
        {"<a>&#99999999999999999999;</a>", true},
        {"<a>&amp;<b>&lt;</a></b>", true},
    };
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        detail::ParsedXml parsed;
        EXPECT_FALSE(parsed.Parse(c.text.data(), c.text.size(), detail::ParseMode::Translated));
        EXPECT_FALSE(parsed.Error().empty());
        EXPECT_EQ(parsed.Document().first_node(), nullptr);
        std::string buffer = c.text;
        EXPECT_FALSE(parsed.ParseInPlace(&buffer[0], buffer.size(), detail::ParseMode::Translated));
        EXPECT_EQ(buffer, c.text);
        EXPECT_EQ(parsed.Error().find(" at byte ") != std::string::npos, c.atByte) << parsed.Error();
    }
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

struct TextNodeCase {
    std::string text;
    bool textBesideMarkup;
};

std::size_t CountTextNodes(const XmlNode<char>* node)
{
    std::size_t count = node->type() == rapidxml::node_data ? 1 : 0;
    for (const XmlNode<char>* child = node->first_node(); child; child = child->next_sibling()) {
        count += CountTextNodes(child);
    }
    return count;
}

// Parsed in place, every text prints as RapidXML's own translating parse prints it.
TEST(XmlText, TextNodesAreMadeOnlyWhereTextLiesBesideMarkup)
{
    const TextNodeCase cases[] = {
        {"<?xml version=\"1.0\"?><a><b>x</b><c>y &amp; z</c><d/></a>", false},
        {"<a>\n  <b> x </b>\n  <c/>\n</a>", false},
        {"<a>  </a>", false},
        {"<a x='<b>t</b>'>t</a>", false},
        {"<a>x<b/></a>", true},
        {"<a><b/>x</a>", true},
        {"<a><b></b>x</a>", true},
        {"<a>x<!-- c -->y</a>", true},
        {"<a>x<?pi?></a>", true},
        {"<a><![CDATA[x]]></a>", true},
        {"<a>one<b>&lt;</b>two &amp; three</a>", true},
        // References translated as RapidXML translates them.
        {"<a>1 &lt; 2 &amp;&amp; 3 &gt; 2</a>", false},
        {"<a q=\"&quot;x&apos;\" r='&amp;'>&quot;&apos;</a>", false},
        {"<a>&#65;&#x42;&#xe9;&#x20AC;&#x1F600;&#233;</a>", false},
        {"<a>&unknown; & alone &amp</a>", false},
        {"<a x='&#x41;&#66;'/>", false},
        {"<a><![CDATA[&amp; stays]]>&amp;</a>", true},
    };
    for (const TextNodeCase& c : cases) {
        EXPECT_EQ(detail::ScanMarkup(c.text.data(), c.text.size(), 10).textBesideMarkup, c.textBesideMarkup) << c.text;
        std::string buffer = c.text;
        detail::ParsedXml parsed;
        ASSERT_TRUE(parsed.ParseInPlace(&buffer[0], buffer.size(), detail::ParseMode::Translated)) << c.text;
        // Printed, and read, the same either way.
        EXPECT_EQ(detail::PrintXml(parsed.Document()), PrintedByRapidXml(c.text)) << c.text;
        if (!c.textBesideMarkup) {
            EXPECT_EQ(CountTextNodes(&parsed.Document()), 0u) << c.text;
        }
    }
}

// Texts made of random pieces: whichever way the parse goes, with text nodes or without,
// the print is RapidXML's own.
TEST(XmlText, RandomTextsPrintAsRapidXmlPrintsThem)
{
    const char* const pieces[] = {"<a>", "</a>", "<b>", "</b>", "<c/>", "x", " ", "\n", "&amp;", "&lt;", "&#65;",
                                  "y z", "<!--c-->", "<?p?>", "<![CDATA[d]]>", "<d e='<f>'>", "</d>",
                                  "<d e=\"f\">", "<c g=\"'\" h=\"i\"/>", "'", "</a >"};
    std::mt19937 random(7);
    int wellFormed = 0;
    int inPrintedForm = 0;
    for (int i = 0; i < 60000; ++i) {
        std::string text = "<r>";
        for (unsigned k = random() % 10; k > 0; --k) {
            text += pieces[random() % std::size(pieces)];
        }
        text += "</r>";
        std::string buffer = text;
        detail::ParsedXml parsed;
        if (!parsed.ParseInPlace(&buffer[0], buffer.size(), detail::ParseMode::Translated)) {
            continue;
        }
        ASSERT_EQ(detail::PrintXml(parsed.Document()), PrintedByRapidXml(text)) << text;
        // What the scan finds in printed form is kept instead of its print.
        if (parsed.InPrintedForm()) {
            ASSERT_EQ(detail::PrintXml(parsed.Document()), text);
            ++inPrintedForm;
        }
        ++wellFormed;
    }
    EXPECT_GT(wellFormed, 10000);
    EXPECT_GT(inPrintedForm, 1000);
}

struct ElementTextCase {
    std::string text;
    detail::ParseMode mode;
    const char* value; // of the innermost first element
};

// An element's value is its first text, translated unless the parse keeps the text as written.
TEST(XmlText, AnElementsValueIsItsFirstText)
{
    const ElementTextCase cases[] = {
        {"<a><b>1 &lt; 2</b></a>", detail::ParseMode::Translated, "1 < 2"},
        {"<a>x &amp; y<b/>tail</a>", detail::ParseMode::Translated, "x & y"},
        {"<a>1 &lt; 2</a>", detail::ParseMode::AsWritten, "1 &lt; 2"},
    };
    for (const ElementTextCase& c : cases) {
        detail::ParsedXml parsed;
        ASSERT_TRUE(parsed.Parse(c.text.data(), c.text.size(), c.mode)) << c.text;
        const XmlNode<char>* element = parsed.Document().first_node();
        while (element->first_node() && element->first_node()->type() == rapidxml::node_element) {
            element = element->first_node();
        }
        EXPECT_EQ(std::string(element->value(), element->value_size()), c.value) << c.text;
    }
}

// Built documents hold what parsed ones do not: a declaration, an element's own text
// without a text node, values with both kinds of quote.
TEST(XmlText, PrintsBuiltDocumentsAsRapidXmlDoes)
{
    XmlDocument<char> document;
    XmlNode<char>* declaration = document.allocate_node(rapidxml::node_declaration);
    AppendAttribute(declaration, document.allocate_attribute("version", "1.0"));
    AppendChild(&document, declaration);
    XmlNode<char>* root = document.allocate_node(rapidxml::node_element, "r", "own <text> & 'more'");
    AppendAttribute(root, document.allocate_attribute("a", "say \"hi\" & 'bye'"));
    AppendAttribute(root, document.allocate_attribute("b", "it's <fine>"));
    AppendChild(&document, root);
    XmlNode<char>* mixed = document.allocate_node(rapidxml::node_element, "m");
    AppendChild(mixed, document.allocate_node(rapidxml::node_data, nullptr, "x \"y\""));
    AppendChild(mixed, document.allocate_node(rapidxml::node_element, "e"));
    AppendChild(mixed, document.allocate_node(rapidxml::node_cdata, nullptr, "<raw & kept>"));
    AppendChild(mixed, document.allocate_node(rapidxml::node_comment, nullptr, " note "));
    AppendChild(&document, mixed);
    std::string expected;
    rapidxml::print(std::back_inserter(expected), document, rapidxml::print_no_indenting);
    EXPECT_EQ(detail::PrintXml(document), expected);
    EXPECT_EQ(detail::PrintXml(*mixed), expected.substr(expected.find("<m>")));
}

TEST(XmlText, PrintsDeepTreesWithoutRecursion)
{
    XmlDocument<char> document;
    XmlNode<char>* parent = &document;
    for (int level = 0; level < 200000; ++level) {
        XmlNode<char>* child = document.allocate_node(rapidxml::node_element, "a");
        AppendChild(parent, child);
        parent = child;
    }
    const std::string printed = detail::PrintXml(document);
    EXPECT_EQ(printed.size(), 199999u * 7 + 4);
}

TEST(XmlText, PrintingGrowsPastAWrongSizeHint)
{
    const std::string text = Nested(50);
    detail::ParsedXml parsed;
    ASSERT_TRUE(parsed.Parse(text.data(), text.size(), detail::ParseMode::Translated));
    EXPECT_EQ(detail::PrintXml(parsed.Document(), 1), detail::PrintXml(parsed.Document(), 100000));
}

struct PrintedFormCase {
    std::string text;
    bool printed; // whether the text is exactly its own print
    bool scanned; // whether the scan before the parse already knows it (never when not)
};

// A reply that arrives in printed form stands for its print, so the check must refuse
// every text that prints differently, however slightly.
TEST(XmlText, ATextIsItsOwnPrintOnlyWhenPrintingGivesItBack)
{
    const PrintedFormCase cases[] = {
        {"<a x=\"1\"><b>t</b><c/><d>one<e/>two</d></a>", true, false}, // text beside markup: compared
        {"<a x='say \"q\"'/>", true, false},
        {"<a><![CDATA[<raw>]]></a>", true, false},
        {"<a x=\"1\" y=\"it's\"><b> t\t</b><c/></a>", true, true},
        {"<a></a>", false, false},                  // printed "<a/>"
        {"<a x='1'/>", false, false},               // printed with double quotes
        {"<a  x=\"1\"/>", false, false},            // spacing inside the tag
        {"<a x =\"1\"/>", false, false},
        {"<a x=\"1\" />", false, false},
        {"<a></a >", false, false},
        {"<a x=\"1>2\"/>", false, false},           // printed "&gt;"
        {"<a>it's</a>", false, false},              // printed "&apos;"
        {"<a>x > y</a>", false, false},             // printed "&gt;"
        {"<a> </a>", false, false},                 // blanks alone are dropped
        {"<a>\n<b/>\n</a>", false, false},          // whitespace between elements is dropped
        {"<?xml version=\"1.0\"?><a/>", false, false}, // the declaration is not kept
        {"<a><!-- c --></a>", false, false},        // nor a comment
        {"<a/>\n", false, false},                   // nor what follows the root
        {" <a/>", false, false},                    // nor what comes before it
        {"<a/><b/>", true, true},
        {"<a x=\"&lt;&amp;\">1 &lt; 2 &amp;&gt; 3</a>", true, false}, // references as the printer writes them
        {"<r><s k=\"1\">plain</s><t><u>x</u><v k=\"&lt;\">1 &gt; 2</v></t><w>&amp;</w></r>", true, false},
        {"<a>x &amp; y<b/>tail &lt;</a>", true, false},
        {"<a>&#60;</a>", false, false},             // printed "&lt;"
        {"<a>&#x41;</a>", false, false},            // printed "A"
        {"<a x=\"&quot;\"/>", false, false},         // printed in single quotes
    };
    for (const PrintedFormCase& c : cases) {
        std::string buffer = c.text;
        detail::ParsedXml parsed;
        ASSERT_TRUE(parsed.ParseInPlace(&buffer[0], buffer.size(), detail::ParseMode::Translated)) << c.text;
        EXPECT_EQ(detail::PrintsAs(parsed.Document(), buffer.data(), buffer.size()), c.printed) << c.text;
        EXPECT_EQ(detail::PrintXml(parsed.Document()) == c.text, c.printed) << c.text;
        EXPECT_EQ(parsed.InPrintedForm(), c.scanned) << c.text;
    }
}

// Translated values are the document's own strings: the text stays as written, so a
// reply that holds references can still stand for its print.
TEST(XmlText, NoParseChangesTheText)
{
    for (const detail::ParseMode mode : {detail::ParseMode::Translated, detail::ParseMode::AsWritten}) {
        const std::string written = "<a x=\"&amp;1\">&lt;b&gt; &#65;</a>";
        std::string text = written;
        detail::ParsedXml parsed;
        ASSERT_TRUE(parsed.ParseInPlace(text.data(), text.size(), mode));
        EXPECT_EQ(text, written);
        const XmlNode<char>* element = parsed.Document().first_node();
        const bool translated = mode == detail::ParseMode::Translated;
        EXPECT_EQ(std::string(element->value(), element->value_size()), translated ? "<b> A" : "&lt;b&gt; &#65;");
        const XmlAttribute<char>* attribute = element->first_attribute();
        EXPECT_EQ(std::string(attribute->value(), attribute->value_size()), translated ? "&1" : "&amp;1");
    }
}

} // namespace
