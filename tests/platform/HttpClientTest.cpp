#include "support/FullMatch.h"
#include "support/SessionFixture.h"
#include "support/TestOperations.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

class HttpClientTest : public SessionFixture {
protected:
    // Sends one SOAP post through the session's client.
    HttpClient::SendRequestResult Post(SmartPtr<HttpMessage>& message)
    {
        message = HttpMessage::CreateOne();
        m_session->FillRequestHeaders(message, "urn:action");
        const std::string body = "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body/></e:Envelope>";
        message->AccessRequestBody()->SetMessage(body.data(), body.size());
        return m_session->HttpClientPtr()->SendRequest(L"/Browse.svc", eHttpVerb_Post, message);
    }
};

TEST_F(HttpClientTest, SendsTheBodyAndReadsTheReply)
{
    Reply("reply text", 201);
    SmartPtr<HttpMessage> message;
    EXPECT_EQ(Post(message), HttpClient::SendRequest_Ok);
    EXPECT_EQ(message->GetHttpCode(), 201);
    EXPECT_EQ(message->GetStatus(), eHttpStatus_Success);
    ASSERT_TRUE(message->AccessResponseBody());
    EXPECT_EQ(std::string(message->AccessResponseBody()->GetData(), message->AccessResponseBody()->GetLength()),
              "reply text");
    EXPECT_EQ(m_server.LastRequest().body.substr(0, 12), "<e:Envelope ");
    EXPECT_EQ(m_server.LastRequest().path, "/Browse.svc");
}

TEST_F(HttpClientTest, DecodesACompressedReply)
{
    static const unsigned char s_gzipped[] = {
        0x1f, 0x8b, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x03, 0x6d, 0x8e, 0x41, 0x0a, 0xc2, 0x40, 0x14, 0x43, 0xaf,
        0x22, 0x3d, 0x40, 0xff, 0x7e, 0xf8, 0xfe, 0x85, 0x20, 0xee, 0xc5, 0x0b, 0x8c, 0x36, 0x58, 0x61, 0x3a, 0xf3, 0x31,
        0xd3, 0x52, 0x3d, 0xbd, 0x16, 0x2b, 0x6e, 0xdc, 0x25, 0xe1, 0x25, 0x44, 0x19, 0xf6, 0x79, 0x42, 0x2a, 0x8e, 0xcd,
        0x3c, 0xa4, 0xcc, 0xc0, 0x6d, 0xd3, 0xd7, 0xea, 0x41, 0x84, 0x97, 0x1e, 0x43, 0x64, 0xfb, 0xce, 0x59, 0xa2, 0xb7,
        0xe5, 0x7e, 0x95, 0x45, 0x08, 0xd6, 0x86, 0x34, 0xa6, 0x0c, 0xbb, 0xd2, 0x3d, 0x4c, 0x0f, 0xa8, 0xa7, 0x78, 0x4e,
        0xe0, 0x11, 0xf4, 0x92, 0x09, 0xd3, 0x29, 0xa6, 0x11, 0x36, 0xe6, 0xe7, 0xcd, 0x1d, 0x9d, 0xca, 0xc7, 0xab, 0xfc,
        0x41, 0xe5, 0x3b, 0x23, 0xbf, 0x3f, 0xf6, 0x02, 0x3d, 0x8f, 0x45, 0xdb, 0x9c, 0x00, 0x00, 0x00};
    CannedReply reply;
    reply.headers.emplace_back("Content-Encoding", "gzip");
    reply.body.assign(reinterpret_cast<const char*>(s_gzipped), sizeof s_gzipped);
    m_server.SetReply(reply);
    KeyOperation operation(m_session.get());
    ValueResponse response;
    operation.Call(new KeyRequest("K"), &response);
    EXPECT_EQ(response.m_value, "unzipped");
    EXPECT_NE(m_server.LastRequest().Header("Accept-Encoding").find("gzip"), std::string::npos);
}

struct TransportFailure {
    const char* name;
    CannedReply::Behaviour behaviour;
    const char* reason; // pattern of libcurl's error text
};

TEST_F(HttpClientTest, TransportFailuresLeaveNoReplyAndSayWhy)
{
    const TransportFailure cases[] = {
        {"stalled server", CannedReply::Behaviour::Stall, "Timed out: no data received for 1000 ms"},
        {"closed mid-reply", CannedReply::Behaviour::CloseMidReply, ".*closed.*"},
    };
    m_session->SetTimeouts(1000, 1000, 1000, 1000);
    for (const TransportFailure& c : cases) {
        SCOPED_TRACE(c.name);
        CannedReply reply;
        reply.body = std::string(2000, 'x');
        reply.behaviour = c.behaviour;
        m_server.SetReply(reply);
        SmartPtr<HttpMessage> message;
        EXPECT_EQ(Post(message), HttpClient::SendRequest_Failed);
        EXPECT_FALSE(message->AccessResponseBody());
        EXPECT_EQ(message->GetStatus(), eHttpStatus_NotSent);
        EXPECT_TRUE(FullMatch(message->GetTransportError(), c.reason)) << message->GetTransportError();
    }
}

TEST_F(HttpClientTest, ARefusedConnectionSaysWhy)
{
    SmartPtr<HttpClient> client = HttpClient::CreateOneFromURL(nullptr, Utf8ToWide(LoopbackServer::RefusingUrl()), L"",
                                                               L"", false);
    SmartPtr<HttpMessage> message = HttpMessage::CreateOne();
    EXPECT_EQ(client->SendRequest(L"/", eHttpVerb_Get, message), HttpClient::SendRequest_Failed);
    EXPECT_NE(message->GetTransportError().find("connect"), std::string::npos) << message->GetTransportError();
}

TEST_F(HttpClientTest, ConcurrentCallsShareAFewKeptAliveConnections)
{
    Reply(Envelope("<GetTablesResponse><value>ok</value></GetTablesResponse>"));
    KeyOperation operation(m_session.get());
    const int threadCount = 4;
    const int callsPerThread = 50;
    std::vector<int> correct(threadCount, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < callsPerThread; ++i) {
                ValueResponse response;
                operation.Call(new KeyRequest("K" + std::to_string(t)), &response);
                correct[t] += response.m_value == "ok" ? 1 : 0;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (int t = 0; t < threadCount; ++t) {
        EXPECT_EQ(correct[t], callsPerThread);
    }
    EXPECT_EQ(m_server.Requests().size(), static_cast<size_t>(threadCount * callsPerThread));
    EXPECT_LE(m_server.ConnectionCount(), static_cast<size_t>(threadCount));
    EXPECT_TRUE(m_logger.At(1).empty());
}

struct UnsafeHeaderCase {
    const char* name;
    std::string headerName;
    std::string value;
};

TEST_F(HttpClientTest, AHeaderThatCouldSplitTheRequestIsNeverSent)
{
    const UnsafeHeaderCase cases[] = {
        {"CR LF in a value", "X-Zelvra-ApplicationName", "Demo\r\nX-Injected: yes"},
        {"LF alone", "X-Zelvra-ApplicationName", "Demo\nX-Injected: yes"},
        {"another control character", "X-Zelvra-ApplicationName", std::string("Demo\x01", 5)},
        {"DEL", "X-Zelvra-ApplicationName", "Demo\x7f"},
        {"colon in the name", "X-Bad:Name", "v"},
        {"empty name", "", "v"},
    };
    for (const UnsafeHeaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t before = m_server.Requests().size();
        SmartPtr<HttpMessage> message = HttpMessage::CreateOne();
        message->AddRequestHeader(c.headerName, c.value);
        EXPECT_EQ(m_session->HttpClientPtr()->SendRequest(L"/Browse.svc", eHttpVerb_Post, message),
                  HttpClient::SendRequest_Failed);
        EXPECT_EQ(m_server.Requests().size(), before);
        EXPECT_FALSE(message->WasConnected());
        EXPECT_EQ(message->GetTransportError().rfind("Not sent: ", 0), 0u) << message->GetTransportError();
    }
}

TEST_F(HttpClientTest, AnApplicationNameWithALineBreakEndsTheCallUnsent)
{
    Reply(Envelope("<GetTablesResponse><value>ok</value></GetTablesResponse>"));
    m_session->SetApplicationName("Demo\r\nX-Injected: yes");
    KeyOperation operation(m_session.get());
    ValueResponse response;
    operation.Call(new KeyRequest("K"), &response);
    EXPECT_TRUE(m_server.Requests().empty());
    ASSERT_TRUE(response.GetServiceLayerResponse());
    EXPECT_EQ(response.GetServiceLayerResponse()->GetOutcome(), CallOutcomes::TransportFailure);
    EXPECT_NE(response.GetServiceLayerResponse()->GetTransportError().find("X-Zelvra-ApplicationName"),
              std::string::npos);
}

TEST_F(HttpClientTest, OnlyHttpAndHttpsUrlsAreUsed)
{
    for (const char* url : {"file:///etc/passwd", "ftp://127.0.0.1/x", "gopher://127.0.0.1/", "dict://127.0.0.1/"}) {
        SCOPED_TRACE(url);
        SmartPtr<HttpClient> client = HttpClient::CreateOneFromURL(nullptr, Utf8ToWide(url), L"", L"", false);
        SmartPtr<HttpMessage> message = HttpMessage::CreateOne();
        EXPECT_EQ(client->SendRequest(L"", eHttpVerb_Get, message), HttpClient::SendRequest_Failed);
        EXPECT_FALSE(message->AccessResponseBody());
        EXPECT_FALSE(message->GetTransportError().empty());
    }
}

TEST_F(HttpClientTest, ARedirectIsTheReplyNotAnotherRequest)
{
    LoopbackServer elsewhere;
    m_session = DorsaSession::CreateOneWithLogger(m_server.Url(), DorsaSLAuth_Authenticated::CreateOne("jo", "pw"),
                                                  &m_logger);
    for (const std::string& target : {elsewhere.Url() + "/Browse.svc", std::string("file:///etc/passwd")}) {
        SCOPED_TRACE(target);
        CannedReply reply;
        reply.status = 307;
        reply.headers.emplace_back("Location", target);
        reply.body = "<moved/>";
        m_server.SetReply(reply);
        SmartPtr<HttpMessage> message;
        EXPECT_EQ(Post(message), HttpClient::SendRequest_Ok);
        EXPECT_EQ(message->GetHttpCode(), 307);
        EXPECT_EQ(message->GetStatus(), eHttpStatus_Redirect);
    }
    EXPECT_TRUE(elsewhere.Requests().empty());
}

TEST_F(HttpClientTest, BasicGoesWithTheFirstRequestOnceTheServerAskedForIt)
{
    m_server.RequireBasicAuth("jo", "s3cret");
    Reply(Envelope("<GetTablesResponse><value>ok</value></GetTablesResponse>"));
    m_session = DorsaSession::CreateOneWithLogger(m_server.Url(), DorsaSLAuth_Authenticated::CreateOne("jo", "s3cret"),
                                                  &m_logger);
    KeyOperation operation(m_session.get());
    const auto postsOfOneCall = [&] {
        const size_t before = m_server.Requests().size();
        ValueResponse response;
        operation.Call(new KeyRequest("K"), &response);
        EXPECT_EQ(response.m_value, "ok");
        return m_server.Requests().size() - before;
    };
    EXPECT_EQ(postsOfOneCall(), 2u); // challenged once
    for (int call = 0; call < 3; ++call) {
        EXPECT_EQ(postsOfOneCall(), 1u);
    }
    // A new identity learns afresh: nothing of the first is sent pre-emptively.
    m_session->ApplyAuthenticationModule(DorsaSLAuth_Authenticated::CreateOne("jo", "s3cret"));
    EXPECT_EQ(postsOfOneCall(), 2u);
}

TEST_F(HttpClientTest, ASessionThatRefusesCleartextNeverSendsBasicOverHttp)
{
    m_server.RequireBasicAuth("jo", "s3cret");
    Reply(Envelope("<GetTablesResponse><value>ok</value></GetTablesResponse>"));
    m_session = DorsaSession::CreateOneWithLogger(m_server.Url(), DorsaSLAuth_Authenticated::CreateOne("jo", "s3cret"),
                                                  &m_logger);
    m_session->SetRefuseCleartextCredentials(true);
    KeyOperation operation(m_session.get());
    ValueResponse response;
    operation.Call(new KeyRequest("K"), &response);
    ASSERT_TRUE(response.GetServiceLayerResponse());
    EXPECT_EQ(response.GetServiceLayerResponse()->GetOutcome(), CallOutcomes::TransportFailure);
    EXPECT_NE(response.GetServiceLayerResponse()->GetTransportError().find("clear text"), std::string::npos)
        << response.GetServiceLayerResponse()->GetTransportError();
    for (const RecordedRequest& request : m_server.Requests()) {
        EXPECT_FALSE(request.HasHeader("Authorization"));
    }
    // By default the password is sent, as hosts may rely on.
    m_session->SetRefuseCleartextCredentials(false);
    ValueResponse allowed;
    operation.Call(new KeyRequest("K"), &allowed);
    EXPECT_EQ(allowed.m_value, "ok");
}

TEST_F(HttpClientTest, TheCallDeadlineDefaultsToHalfAnHourAndZeroMeansNone)
{
    EXPECT_EQ(m_session->GetCallDeadline(), 30 * 60 * 1000);
    m_session->SetCallDeadline(0);
    EXPECT_EQ(m_session->GetCallDeadline(), 0);
    Reply(Envelope("<GetTablesResponse><value>ok</value></GetTablesResponse>"));
    SmartPtr<HttpMessage> message;
    EXPECT_EQ(Post(message), HttpClient::SendRequest_Ok);
}

} // namespace
} // namespace dorsatest
