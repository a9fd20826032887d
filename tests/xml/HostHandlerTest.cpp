// A host that uses RapidXML itself, without exceptions, and defines its own
// rapidxml::parse_error_handler. Its own parses reach its handler; the library's parses
// keep the library's handler. So RapidXML comes first here, configured by the host,
// before any of the library's headers.
#define RAPIDXML_NO_EXCEPTIONS
#include <rapidxml/rapidxml.hpp>

#include "support/SessionFixture.h"
#include "support/TestOperations.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace dorsatest {
namespace {

std::atomic<int> s_hostHandlerCalls{0};

// What the host's handler throws to leave the parser.
struct HostParseError {
    std::string what;
};

} // namespace
} // namespace dorsatest

void rapidxml::parse_error_handler(const char* what, void*)
{
    ++dorsatest::s_hostHandlerCalls;
    throw dorsatest::HostParseError{what};
}

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

const char* const s_malformed = "<GetTablesResponse><value>v</count></GetTablesResponse>";

class HostHandlerTest : public SessionFixture {
protected:
    void SetUp() override { s_hostHandlerCalls = 0; }
};

TEST_F(HostHandlerTest, TheHostsOwnParsesCallItsHandler)
{
    std::string text = s_malformed;
    rapidxml::xml_document<char> document;
    try {
        document.parse<rapidxml::parse_validate_closing_tags>(&text[0]);
        ADD_FAILURE() << "the parse of a malformed text returned";
    } catch (const HostParseError& error) {
        EXPECT_EQ(error.what, "invalid closing tag name");
    }
    EXPECT_EQ(s_hostHandlerCalls, 1);
}

TEST_F(HostHandlerTest, AnOperationsParseKeepsTheLibrarysHandler)
{
    Reply(Envelope(s_malformed));
    KeyOperation operation(m_session.get());
    ValueResponse response;
    operation.Call(new KeyRequest("DORSA_SAMPLES"), &response);

    EXPECT_EQ(s_hostHandlerCalls, 0);
    const SmartPtr<ServiceLayerResponse> outcome = response.GetServiceLayerResponse();
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->GetOutcome(), CallOutcomes::UnreadableReply);
    EXPECT_EQ(response.m_value, "untouched");
    const std::vector<std::string> failures = m_logger.At(1);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("Reply is not well-formed XML (invalid closing tag name at byte"), std::string::npos)
        << failures[0];
}

TEST_F(HostHandlerTest, ReadingAFaultKeepsTheLibrarysHandler)
{
    ServiceLayerResponse malformed(Envelope("<s:Fault><faultstring>Bad table</s:Fault>"), 500);
    EXPECT_EQ(malformed.GetErrorMessage(), "");
    ServiceLayerResponse fault(Envelope("<s:Fault><faultstring>Bad table</faultstring></s:Fault>"), 500);
    EXPECT_EQ(fault.GetErrorMessage(), "Bad table");
    EXPECT_EQ(s_hostHandlerCalls, 0);
}

} // namespace
} // namespace dorsatest
