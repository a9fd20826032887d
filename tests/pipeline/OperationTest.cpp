#include "support/FullMatch.h"
#include "support/ScopedLocale.h"
#include "support/SessionFixture.h"
#include "support/TestOperations.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

std::string ExpectedEnvelopeStart()
{
    const std::string root = VendorNamespaceRoot;
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><soapenv:Envelope xmlns:zbt=\"" + root +
           "/16/01/ZelvraBaseTypes\" xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:header=\"" +
           root + "/headers\" xmlns:brow=\"" + root + "/16/01/Browse\">";
}

class OperationTest : public SessionFixture {
protected:
    // The request text kept for the log: the body parsed and printed again, which drops
    // the XML declaration.
    std::string SentRequestText() const
    {
        const std::string body = m_server.LastRequest().body;
        return body.substr(body.find("?>") + 2);
    }

    void CallWithKey(ValueResponse* response, const std::string& key = "DORSA_SAMPLES")
    {
        KeyOperation operation(m_session.get());
        operation.Call(new KeyRequest(key), response);
    }
};

TEST_F(OperationTest, PostsTheExactEnvelopeAndHeaders)
{
    m_session->SetApplicationName("Demo");
    m_session->SetActAsReadUser(HeaderVals::eTrue);
    Reply(Envelope("<GetTablesResponse/>"));
    ValueResponse response;
    CallWithKey(&response, "MI<DB>");

    const RecordedRequest request = m_server.LastRequest();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/Browse.svc");
    EXPECT_EQ(request.body, ExpectedEnvelopeStart() +
                                "<soapenv:Header><header:actAsReadUser/><header:applicationName>Demo"
                                "</header:applicationName></soapenv:Header><soapenv:Body><brow:GetTables>"
                                "<brow:dbKey>MI&lt;DB&gt;</brow:dbKey></brow:GetTables></soapenv:Body>"
                                "</soapenv:Envelope>");
    std::vector<std::string> ours;
    for (const auto& header : request.headers) {
        for (const char* name : {"Accept", "Connection", "Content-Type", "SOAPAction", "X-Zelvra-ApplicationName"}) {
            if (header.first == name) {
                ours.push_back(header.first + ": " + header.second);
            }
        }
    }
    EXPECT_EQ(ours, (std::vector<std::string>{"Accept: text/xml", "Connection: keep-alive",
                                              "Content-Type: text/xml;charset=UTF-8",
                                              "SOAPAction: " + BrowseNamespace() + "/GetTablesRequest",
                                              "X-Zelvra-ApplicationName: Demo"}));
    EXPECT_FALSE(request.HasHeader("Expect"));
}

TEST_F(OperationTest, HeaderSettingsAreTakenWhenTheOperationIsMade)
{
    Reply(Envelope("<GetTablesResponse/>"));
    KeyOperation operation(m_session.get());
    m_session->SetApplicationName("Later");
    m_session->SetActAsReadUser(HeaderVals::eTrue);
    ValueResponse response;
    operation.Call(new KeyRequest("K"), &response);

    const RecordedRequest request = m_server.LastRequest();
    EXPECT_EQ(request.body, ExpectedEnvelopeStart() +
                                "<soapenv:Header/><soapenv:Body><brow:GetTables><brow:dbKey>K</brow:dbKey>"
                                "</brow:GetTables></soapenv:Body></soapenv:Envelope>");
    EXPECT_EQ(request.Header("X-Zelvra-ApplicationName"), "Later");
}

TEST_F(OperationTest, ACallWithoutRequestObjectSendsAnEmptyBody)
{
    m_session->SetActAsReadUser(HeaderVals::eFalse);
    Reply(Envelope("<GetDatabasesResponse><value>v</value></GetDatabasesResponse>"));
    NoRequestOperation operation(m_session.get());
    ValueResponse response;
    operation.Call(&response);

    EXPECT_EQ(m_server.LastRequest().body,
              ExpectedEnvelopeStart() + "<soapenv:Header/><soapenv:Body/></soapenv:Envelope>");
    EXPECT_FALSE(m_server.LastRequest().HasHeader("X-Zelvra-ApplicationName"));
    EXPECT_EQ(response.m_value, "v");
}

TEST_F(OperationTest, ReadsTheResponseElementUnderAnyPrefix)
{
    Reply(Envelope("<a:GetTablesResponse xmlns:a=\"urn:x\"><a:value>1 &lt; 2</a:value><a:count>7</a:count>"
                   "</a:GetTablesResponse>"));
    ValueResponse response;
    CallWithKey(&response);

    EXPECT_EQ(response.m_value, "1 < 2");
    EXPECT_EQ(response.m_count, 7);
    EXPECT_TRUE(m_logger.At(1).empty());
}

// The outcome keeps the sent bytes, after the XML declaration, wherever they print as
// themselves, and otherwise what parsing and printing them again gives, as it always did.
TEST_F(OperationTest, TheRequestTextIsTheSentBodyReadAndPrintedAgain)
{
    struct Case {
        const char* name;
        std::string key;
        std::string sentKey;     // the key element as sent
        std::string recordedKey; // as the outcome's request text has it
    };
    const Case cases[] = {
        {"plain", "K", "<brow:dbKey>K</brow:dbKey>", "<brow:dbKey>K</brow:dbKey>"},
        {"escaped", "<&'\">", "<brow:dbKey>&lt;&amp;&apos;&quot;&gt;</brow:dbKey>",
         "<brow:dbKey>&lt;&amp;&apos;&quot;&gt;</brow:dbKey>"},
        {"blanks and text", " a\t", "<brow:dbKey> a\t</brow:dbKey>", "<brow:dbKey> a\t</brow:dbKey>"},
        // The parser keeps no text of blanks alone.
        {"blanks alone", " \t\r\n", "<brow:dbKey> \t\r\n</brow:dbKey>", "<brow:dbKey/>"},
    };
    Reply(Envelope("<GetTablesResponse/>"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ValueResponse response;
        CallWithKey(&response, c.key);

        const std::string sent = SentRequestText();
        ASSERT_NE(sent.find(c.sentKey), std::string::npos) << sent;
        std::string expected = sent;
        expected.replace(sent.find(c.sentKey), c.sentKey.size(), c.recordedKey);
        ASSERT_TRUE(response.GetServiceLayerResponse());
        EXPECT_EQ(response.GetServiceLayerResponse()->GetRequestMessage(), expected);
    }
}

// In the C locale and, where the machine has one, under a host locale with a decimal comma.
TEST_F(OperationTest, LogsTheTimingLineWithSixDecimals)
{
    Reply(Envelope("<GetTablesResponse/>"));
    for (const char* localeName : {"C", CommaDecimalLocaleName()}) {
        ScopedLocale locale(localeName);
        if (!locale) {
            continue;
        }
        SCOPED_TRACE(localeName);
        RecordingLogger logger;
        m_session->SetLogger(&logger);
        ValueResponse response;
        CallWithKey(&response);
        const std::vector<std::string> timing = logger.At(3);
        ASSERT_EQ(timing.size(), 1u);
        EXPECT_TRUE(FullMatch(timing[0], "GetTables: Call took a total time [0-9]+\\.[0-9]{6}s, "
                                         "with a [0-9]+\\.[0-9]{6}s spent in Dorsa:ServiceLayer\\."))
            << timing[0];
    }
    m_session->SetLogger(&m_logger);
}

TEST_F(OperationTest, ANullRequestIsLoggedAndNothingIsSent)
{
    KeyOperation operation(m_session.get());
    ValueResponse response;
    operation.Call(nullptr, &response);
    EXPECT_EQ(m_logger.Lines(), (std::vector<RecordingLogger::Line>{{1, "GetTables: Request cannot be NULL."}}));
    EXPECT_TRUE(m_server.Requests().empty());
    EXPECT_FALSE(response.GetServiceLayerResponse());

    m_session->SetLogger(nullptr);
    operation.Call(nullptr, &response);
    EXPECT_EQ(m_logger.Lines().size(), 1u);
}

TEST_F(OperationTest, ANullResponseIsLoggedAfterTheRequestWasSent)
{
    Reply(Envelope("<GetTablesResponse/>"));
    CallWithKey(nullptr);
    EXPECT_EQ(m_server.Requests().size(), 1u);
    EXPECT_EQ(m_logger.At(1), (std::vector<std::string>{"GetTables: Response cannot be NULL."}));
    EXPECT_EQ(m_logger.At(3).size(), 1u);
}

TEST_F(OperationTest, AFaultKeepsTheContentAndRecordsTheReply)
{
    const std::string fault = Envelope("<s:Fault><faultcode>s:Client</faultcode><faultstring>Bad table</faultstring>"
                                       "</s:Fault>");
    Reply(fault, 500);
    ValueResponse response;
    CallWithKey(&response);

    EXPECT_EQ(response.m_value, "untouched");
    const SmartPtr<ServiceLayerResponse> outcome = response.GetServiceLayerResponse();
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->GetResponseCode(), 500);
    EXPECT_EQ(outcome->GetResponseMessage(), fault);
    EXPECT_EQ(outcome->GetOutcome(), CallOutcomes::SoapFault);
    EXPECT_EQ(outcome->GetRequestMessage(), SentRequestText());
    EXPECT_EQ(outcome->GetErrorMessage(), "Bad table");
    EXPECT_EQ(m_logger.At(1), (std::vector<std::string>{"GetTables: Request failed and returned code: 500, Request: " +
                                                        SentRequestText() + " \n Response: " + fault}));
}

TEST_F(OperationTest, ASuccessWithoutTheExpectedElementsChangesNothing)
{
    const std::string replies[] = {
        "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body><GetTablesResponse>"
        "<value>v</value></GetTablesResponse></soap:Body></soap:Envelope>",
        Envelope("<OtherResponse><value>v</value></OtherResponse>"),
        "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"/>",
        "",
    };
    for (const std::string& reply : replies) {
        Reply(reply);
        ValueResponse response;
        CallWithKey(&response);
        EXPECT_EQ(response.m_value, "untouched") << reply;
        ASSERT_TRUE(response.GetServiceLayerResponse());
        EXPECT_EQ(response.GetServiceLayerResponse()->GetResponseCode(), 200);
    }
    EXPECT_TRUE(m_logger.At(1).empty());
}

TEST_F(OperationTest, AReaderExceptionReachesTheCallerAfterTheOutcomeIsRecorded)
{
    Reply(Envelope("<GetTablesResponse><count>many</count></GetTablesResponse>"));
    ValueResponse response;
    EXPECT_THROW(CallWithKey(&response), std::invalid_argument);
    EXPECT_EQ(response.m_value, "untouched");
    ASSERT_TRUE(response.GetServiceLayerResponse());
    EXPECT_EQ(response.GetServiceLayerResponse()->GetResponseCode(), 200);
    EXPECT_EQ(response.GetServiceLayerResponse()->GetOutcome(), CallOutcomes::Success);
    EXPECT_EQ(response.GetServiceLayerResponse()->GetResponseMessage(),
              Envelope("<GetTablesResponse><count>many</count></GetTablesResponse>"));
    EXPECT_EQ(response.GetServiceLayerResponse()->GetRequestMessage(), SentRequestText());
    EXPECT_TRUE(m_logger.At(3).empty());
}

struct RecordedReply {
    std::string received;
    std::string recorded;
};

// The recorded reply is the reply parsed and printed again, whether it arrived in that
// form (and is kept as it came) or not.
TEST_F(OperationTest, RecordsTheReplyAsPrintedAgain)
{
    const std::string printed = Envelope("<GetTablesResponse><value>v</value><count>7</count></GetTablesResponse>");
    const RecordedReply cases[] = {
        {printed, printed},
        {"<?xml version=\"1.0\"?>" + printed + "\n", printed},
        {Envelope("<GetTablesResponse>\n  <value>v</value>\n  <count>7</count>\n</GetTablesResponse>"), printed},
        {Envelope("<GetTablesResponse><value>it's &#118;</value><count>7</count><x></x></GetTablesResponse>"),
         Envelope("<GetTablesResponse><value>it&apos;s v</value><count>7</count><x/></GetTablesResponse>")},
    };
    for (const RecordedReply& c : cases) {
        Reply(c.received);
        ValueResponse response;
        CallWithKey(&response);
        ASSERT_TRUE(response.GetServiceLayerResponse()) << c.received;
        EXPECT_EQ(response.GetServiceLayerResponse()->GetResponseMessage(), c.recorded) << c.received;
        EXPECT_EQ(response.m_count, 7) << c.received;
    }
}

struct UnreadableReply {
    const char* name;
    std::string body;
    int status;
    const char* reason; // part of the logged parser message
    std::size_t maxReplySize;
};

// Replies that are not well-formed XML, or too deep or too long to parse safely, end
// the call normally with the bytes kept for the host.
TEST_F(OperationTest, AnUnreadableReplyIsRecordedNotParsed)
{
    const std::size_t unlimited = HttpClient::s_defaultMaxReplySize;
    const UnreadableReply cases[] = {
        {"proxy error page", "<html><body><h1>502 Bad Gateway</h1><hr></body></html>", 502, "invalid closing tag name",
         unlimited},
        {"truncated reply", Envelope("<GetTablesResponse><value>v</value>").substr(0, 90), 200, "expected > at byte 90",
         unlimited},
        {"mismatched tags", Envelope("<GetTablesResponse><value>v</count></GetTablesResponse>"), 200,
         "invalid closing tag name", unlimited},
        {"longer than allowed", Envelope("<GetTablesResponse><value>" + std::string(5000, 'x') + "</value></GetTablesResponse>"),
         200, "reply larger than the maximum of 4096 bytes", 4096},
    };
    for (const UnreadableReply& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingLogger logger;
        m_session->SetLogger(&logger);
        m_session->SetMaxReplySize(c.maxReplySize);
        Reply(c.body, c.status);
        ValueResponse response;
        CallWithKey(&response);

        EXPECT_EQ(response.m_value, "untouched");
        const SmartPtr<ServiceLayerResponse> outcome = response.GetServiceLayerResponse();
        ASSERT_TRUE(outcome);
        EXPECT_EQ(outcome->GetResponseCode(), c.status);
        const std::string kept = c.body.substr(0, c.maxReplySize + 1);
        EXPECT_EQ(outcome->GetResponseMessage(), kept);
        EXPECT_EQ(outcome->GetOutcome(), c.status == 200 ? CallOutcomes::UnreadableReply : CallOutcomes::HttpFailure);
        EXPECT_EQ(outcome->GetRequestMessage(), SentRequestText());
        EXPECT_EQ(outcome->GetErrorMessage(), "");
        const std::vector<std::string> failures = logger.At(1);
        ASSERT_EQ(failures.size(), 1u);
        EXPECT_EQ(failures[0].rfind("GetTables: Reply is not well-formed XML (", 0), 0u) << failures[0];
        EXPECT_NE(failures[0].find(c.reason), std::string::npos) << failures[0];
        EXPECT_NE(failures[0].find("returned code: " + std::to_string(c.status)), std::string::npos) << failures[0];
        EXPECT_EQ(logger.At(3).size(), 1u);
    }
    m_session->SetLogger(&m_logger);
}

TEST_F(OperationTest, ATransportFailureIsRecordedWithItsReason)
{
    RecordingLogger logger;
    SmartPtr<DorsaSession> session =
        DorsaSession::CreateOneWithLogger(LoopbackServer::RefusingUrl(), DorsaSLAuth_Annonymous::CreateOne(), &logger);
    KeyOperation operation(session.get());
    ValueResponse response;
    operation.Call(new KeyRequest("K"), &response);

    const SmartPtr<ServiceLayerResponse> outcome = response.GetServiceLayerResponse();
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->GetResponseMessage(), "GetTables FAILED");
    EXPECT_EQ(outcome->GetResponseCode(), 500);
    EXPECT_EQ(outcome->GetOutcome(), CallOutcomes::TransportFailure);
    EXPECT_FALSE(outcome->ReachedServer());
    EXPECT_NE(outcome->GetTransportError().find("connect"), std::string::npos) << outcome->GetTransportError();
    EXPECT_EQ(outcome->GetRequestMessage(), "");
    EXPECT_EQ(outcome->GetErrorMessage(), "");
    const std::vector<std::string> failures = logger.At(1);
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_TRUE(FullMatch(failures[0], "GetTables: Could not send the request: .*connect.*"))
        << failures[0];
    EXPECT_EQ(failures[1].rfind("GetTables: Could not access the response object. Sent request: <soapenv:Envelope", 0), 0u);
    EXPECT_EQ(logger.At(3).size(), 1u);
}

struct OutcomeCase {
    const char* name;
    int status;
    std::string body;
    CallOutcomes::eCallOutcome outcome;
};

// The other ways, a redirect, an unreadable reply and a stall, are HostileServerTest's.
TEST_F(OperationTest, EachWayACallEndsHasItsOwnOutcome)
{
    const std::string fault = Envelope("<s:Fault><faultcode>s:Client</faultcode><faultstring>no</faultstring></s:Fault>");
    const OutcomeCase cases[] = {
        {"success", 200, Envelope("<GetTablesResponse><value>v</value></GetTablesResponse>"), CallOutcomes::Success},
        {"SOAP fault", 500, fault, CallOutcomes::SoapFault},
        {"well-formed failure status", 404, "<error>none here</error>", CallOutcomes::HttpFailure},
    };
    for (const OutcomeCase& c : cases) {
        SCOPED_TRACE(c.name);
        Reply(c.body, c.status);
        ValueResponse response;
        CallWithKey(&response);
        const SmartPtr<ServiceLayerResponse> outcome = response.GetServiceLayerResponse();
        ASSERT_TRUE(outcome);
        EXPECT_EQ(CallOutcomes::eCallOutcome_ToString(outcome->GetOutcome()),
                  CallOutcomes::eCallOutcome_ToString(c.outcome));
        EXPECT_EQ(outcome->IsSuccess(), c.outcome == CallOutcomes::Success);
        EXPECT_TRUE(outcome->ReachedServer());
        EXPECT_EQ(outcome->GetTransportError(), "");
    }
}

// A password written into the session URL is used, but no log line ever shows it.
TEST_F(OperationTest, APasswordInTheUrlIsNeverLogged)
{
    const std::string secret = "s3cretInUrl";
    const std::string withCredentials = "http://jo:" + secret + "@" + m_server.Url().substr(std::string("http://").size());
    const std::string refusing = "http://jo:" + secret + "@" + LoopbackServer::RefusingUrl().substr(7);
    for (const std::string& url : {withCredentials, refusing}) {
        SCOPED_TRACE(url.substr(url.find('@')));
        Reply("<html>Internal error</html>", 500);
        RecordingLogger logger;
        SmartPtr<DorsaSession> session = DorsaSession::CreateOneWithLogger(url, DorsaSLAuth_Annonymous::CreateOne(), &logger);
        KeyOperation operation(session.get());
        ValueResponse response;
        operation.Call(new KeyRequest("K"), &response);
        ASSERT_FALSE(logger.Lines().empty());
        for (const auto& line : logger.Lines()) {
            EXPECT_EQ(line.second.find(secret), std::string::npos) << line.second;
        }
    }
}

} // namespace
} // namespace dorsatest
