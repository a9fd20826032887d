#include "support/XmlFragments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace zvrtkDorsaServiceLayer;
using dorsatest::Fragment;

TEST(XmlBinding, FindsChildrenByLocalNameWhateverThePrefix)
{
    Fragment fragment("<r><x:dbKey>1</x:dbKey><a:b:dbKey>2</a:b:dbKey><dbKey>3</dbKey><DbKey>4</DbKey></r>");
    EXPECT_EQ(GetText(FindChildElement("dbKey", fragment.Root())), "1");
    std::vector<std::string> texts;
    for (const XmlNode<char>* node : FindChildElements("dbKey", fragment.Root())) {
        texts.push_back(GetText(node));
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(GetText(FindChildElement("b:dbKey", fragment.Root())), "2");
    EXPECT_EQ(FindChildElement("dbKey", nullptr), nullptr);
    EXPECT_EQ(GetLocalName(fragment.Root()->first_node()), "dbKey");
    EXPECT_EQ(GetLocalName(static_cast<const XmlNode<char>*>(nullptr)), "");
}

TEST(XmlBinding, FindsTheFirstAttributeByLocalName)
{
    Fragment fragment(R"(<r xsi:type="first" type="second"/>)");
    EXPECT_EQ(GetText(FindAttribute("type", fragment.Root())), "first");
    EXPECT_EQ(FindAttribute("missing", fragment.Root()), nullptr);
}

TEST(XmlBinding, ReadersLeaveFieldsAloneWhenElementsAreMissing)
{
    Fragment fragment("<r><name></name><count>12</count><item>a</item><item/><list><entry>x</entry></list></r>");
    std::string name = "default";
    std::string absent = "kept";
    int count = 0;
    int missing = 5;
    ReadText(fragment.Root(), name, "name");
    ReadText(fragment.Root(), absent, "absent");
    ReadInt(fragment.Root(), count, "count");
    ReadInt(fragment.Root(), missing, "missing");
    ReadInt(nullptr, missing, "count");
    EXPECT_EQ(name, "");
    EXPECT_EQ(absent, "kept");
    EXPECT_EQ(count, 12);
    EXPECT_EQ(missing, 5);

    std::vector<std::string> items;
    ReadTextList(fragment.Root(), "item", items);
    ReadTextList(fragment.Root(), "list", "entry", items);
    ReadTextList(fragment.Root(), "nolist", "entry", items);
    EXPECT_EQ(items, (std::vector<std::string>{"a", "", "x"}));
}

TEST(XmlBinding, WritersCopyIntoTheDocumentAndEscapeWhenPrinted)
{
    XmlDocument<char> document;
    XmlNode<char>* root = WriteContainer(&document, &document, "zbt:root");
    {
        const std::string transient = "a<b & \"c\"";
        WriteText(root, &document, "zbt:text", transient);
    }
    WriteInt(root, &document, "zbt:zero", 0);
    WriteText(root, &document, "zbt:empty", "");
    AppendAttribute(root, CreateTextAttribute(WithBaseTypesPrefix("count"), -3, &document));
    EXPECT_EQ(detail::PrintXml(document),
              "<zbt:root zbt:count=\"-3\"><zbt:text>a&lt;b &amp; &quot;c&quot;</zbt:text><zbt:zero>0</zbt:zero>"
              "<zbt:empty/></zbt:root>");
    EXPECT_EQ(GetOwnerDocument(root->first_node()), &document);
}

TEST(XmlBinding, NodesOutsideADocumentHaveNoOwner)
{
    XmlDocument<char> document;
    XmlNode<char>* loose = CreateTextElement("loose", "", &document);
    EXPECT_EQ(GetOwnerDocument(loose), nullptr);
    EXPECT_EQ(CreateTextElement("x", "y", nullptr), nullptr);
}

} // namespace
