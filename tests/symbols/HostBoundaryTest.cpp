// What a host linked to the shared library shares with it. Parsing with RapidXML through
// the library's headers, and defining no handler of its own, it links to the handler the
// library exports, which throws XmlParseError. It sees the data type factories that the
// library registers, not copies of its own.
#include <dorsa/ServiceLayer.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace zvrtkDorsaServiceLayer;

TEST(HostWithTheLibrarysHandler, AMalformedTextThrowsXmlParseError)
{
    std::string text = "<a><b></a>";
    XmlDocument<char> document;
    try {
        document.parse<rapidxml::parse_validate_closing_tags>(&text[0]);
        ADD_FAILURE() << "the parse of a malformed text returned";
    } catch (const XmlParseError& error) {
        EXPECT_STREQ(error.what(), "invalid closing tag name");
        EXPECT_EQ(static_cast<const char*>(error.Where()) - text.data(), 9); // at the closing tag's ">"
    }
}

TEST(HostSharesTheRegistry, ItSeesTheFactoriesTheLibraryRegistered)
{
    Initialize();
    ASSERT_NE(PointDataType::s_factory, nullptr);
    // Looked up by type code in any letter case, with the registry's exported hash.
    const auto point = DataValueFactoryNew::s_factories.find("poin");
    ASSERT_NE(point, DataValueFactoryNew::s_factories.end());
    EXPECT_EQ(point->second, PointDataType::s_factory);
    Shutdown();
    EXPECT_EQ(PointDataType::s_factory, nullptr);
}

} // namespace
