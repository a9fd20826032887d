// A host that includes RapidXML first, with its exceptions on, then the library's
// headers: this compiles, the host's parses throw as RapidXML's documentation says, and
// the library's parses are unaffected.
#include <rapidxml/rapidxml.hpp>

#include <dorsa/ServiceLayer.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using zvrtkDorsaServiceLayer::ServiceLayerResponse;

TEST(HostWithRapidXmlExceptions, ItsOwnParseThrowsParseError)
{
    std::string text = "<a><b></a>";
    rapidxml::xml_document<char> document;
    EXPECT_THROW(document.parse<rapidxml::parse_validate_closing_tags>(&text[0]), rapidxml::parse_error);
}

TEST(HostWithRapidXmlExceptions, TheLibraryStillParsesWithItsOwnHandler)
{
    const std::string open = "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body><s:Fault>";
    ServiceLayerResponse malformed(open + "<faultstring>Bad table</s:Fault></s:Body></s:Envelope>", 500);
    EXPECT_EQ(malformed.GetErrorMessage(), "");
    ServiceLayerResponse fault(open + "<faultstring>Bad table</faultstring></s:Fault></s:Body></s:Envelope>", 500);
    EXPECT_EQ(fault.GetErrorMessage(), "Bad table");
}

} // namespace
