#include "support/FullMatch.h"
#include "support/SessionFixture.h"
#include "support/TestOperations.h"

#include <gtest/gtest.h>
#include <zlib.h>

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

// What is sent, and where, is OperationTest's exact envelope.
TEST_F(HttpClientTest, ReadsTheReplyOfAny2xxStatus)
{
    Reply("reply text", 201);
    SmartPtr<HttpMessage> message;
    EXPECT_EQ(Post(message), HttpClient::SendRequest_Ok);
    EXPECT_EQ(message->GetHttpCode(), 201);
    EXPECT_EQ(message->GetStatus(), eHttpStatus_Success);
    ASSERT_TRUE(message->AccessResponseBody());
    EXPECT_EQ(std::string(message->AccessResponseBody()->GetData(), message->AccessResponseBody()->GetLength()),
              "reply text");
}

// @p text compressed by zlib: gzip for windowBits 31, deflate with its zlib wrapper for 15,
// deflate without it for -15.
std::string Compressed(const std::string& text, int windowBits)
{
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&stream, static_cast<uLong>(text.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

struct CompressedCase {
    const char* name;
    const char* encoding;
    std::string body;
    HttpClient::SendRequestResult result;
    std::string decoded; // the reply body once decoded, when the result is Ok
};

// Whichever back end decodes (libcurl, WinHTTP itself, or zlib behind WinHTTP), the body
// comes out whole, a damaged one is a transport failure, and the size limit holds for
// the decoded size.
TEST_F(HttpClientTest, DecodesCompressedRepliesWithinTheSizeLimit)
{
    const std::string text = Envelope("<GetTablesResponse><value>unzipped</value></GetTablesResponse>");
    const std::size_t limit = 100000;
    // A gzip header, then a block of the reserved type 3.
    const std::string damaged = Compressed(text, 31).substr(0, 10) + std::string(20, '\xff');
    const CompressedCase cases[] = {
        {"gzip", "gzip", Compressed(text, 31), HttpClient::SendRequest_Ok, text},
        {"deflate", "deflate", Compressed(text, 15), HttpClient::SendRequest_Ok, text},
        {"deflate without the zlib wrapper", "deflate", Compressed(text, -15), HttpClient::SendRequest_Ok, text},
        {"damaged gzip", "gzip", damaged, HttpClient::SendRequest_Failed, ""},
        {"gzip inflating past the limit", "gzip", Compressed(std::string(4 * limit, ' '), 31),
         HttpClient::SendRequest_ReplyTooLarge, ""},
    };
    m_session->SetMaxReplySize(limit);
    for (const CompressedCase& c : cases) {
        SCOPED_TRACE(c.name);
        CannedReply reply;
        reply.headers.emplace_back("Content-Encoding", c.encoding);
        reply.body = c.body;
        m_server.SetReply(reply);
        SmartPtr<HttpMessage> message;
        EXPECT_EQ(Post(message), c.result) << message->GetTransportError();
        EXPECT_NE(m_server.LastRequest().Header("Accept-Encoding").find("gzip"), std::string::npos);
        const SmartPtr<HttpMessageBuffer> body = message->AccessResponseBody();
        switch (c.result) {
        case HttpClient::SendRequest_Ok:
            ASSERT_TRUE(body);
            EXPECT_EQ(std::string(body->GetData(), body->GetLength()), c.decoded);
            break;
        case HttpClient::SendRequest_ReplyTooLarge:
            EXPECT_TRUE(message->WasReplyCutOff());
            ASSERT_TRUE(body);
            EXPECT_LE(body->GetLength(), std::size_t{HttpClient::s_keptPrefixOfRefusedReply});
            break;
        case HttpClient::SendRequest_Failed:
            EXPECT_FALSE(body);
            EXPECT_FALSE(message->GetTransportError().empty());
            break;
        }
    }
}

struct TransportFailure {
    const char* name;
    CannedReply::Behaviour behaviour;
    int receiveMs;
    int deadlineMs;
    const char* reason; // pattern of the back end's error text
};

TEST_F(HttpClientTest, TransportFailuresLeaveNoReplyAndSayWhy)
{
    const TransportFailure cases[] = {
        {"stalled server", CannedReply::Behaviour::Stall, 1000, 0, "Timed out: no data received for 1000 ms"},
        {"stalled mid-reply", CannedReply::Behaviour::StallMidReply, 1000, 0, "Timed out: no data received for 1000 ms"},
        {"closed mid-reply", CannedReply::Behaviour::CloseMidReply, 1000, 0, ".*closed.*"},
        {"past the call's deadline", CannedReply::Behaviour::Stall, 60000, 1500,
         "Timed out: the call passed its deadline of 1500 ms"},
    };
    for (const TransportFailure& c : cases) {
        SCOPED_TRACE(c.name);
        m_session->SetTimeouts(1000, 1000, 1000, c.receiveMs);
        m_session->SetCallDeadline(c.deadlineMs);
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

// Each call's own reply is LoadTest's; here, that the calls share kept-alive connections.
TEST_F(HttpClientTest, ConcurrentCallsShareAFewKeptAliveConnections)
{
    Reply(Envelope("<GetTablesResponse><value>ok</value></GetTablesResponse>"));
    KeyOperation operation(m_session.get());
    const int threadCount = 4;
    const int callsPerThread = 50;
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < callsPerThread; ++i) {
                ValueResponse response;
                operation.Call(new KeyRequest("K" + std::to_string(t)), &response);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
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

struct ChallengeCase {
    const char* name;
    std::vector<std::string> challenges;
    std::string answeredWith; // scheme of the one answer sent, "" when none is sent
};

// A password answers with the strongest scheme it can among those offered, never
// Negotiate (that is the current user's). The server refuses every answer: the client
// tries once and stops. (Basic alone: BasicGoesWithTheFirstRequestOnceTheServerAskedForIt
// and, refused, HostileServerTest's "401 for ever".)
TEST_F(HttpClientTest, APasswordAnswersWithTheStrongestSchemeOffered)
{
    const ChallengeCase cases[] = {
        {"Negotiate beside Basic", {"Negotiate", "Basic realm=\"dorsa\""}, "Basic"},
        {"an unknown scheme", {"Bogus realm=\"dorsa\""}, ""},
    };
    for (const ChallengeCase& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server;
        CannedReply reply;
        reply.status = 401;
        for (const std::string& challenge : c.challenges) {
            reply.headers.emplace_back("WWW-Authenticate", challenge);
        }
        server.SetReply(reply);
        m_session = DorsaSession::CreateOneWithLogger(server.Url(), DorsaSLAuth_Authenticated::CreateOne("jo", "pw"),
                                                      &m_logger);
        SmartPtr<HttpMessage> message;
        Post(message);
        const std::vector<RecordedRequest> requests = server.Requests();
        ASSERT_EQ(requests.size(), c.answeredWith.empty() ? 1u : 2u);
        EXPECT_FALSE(requests[0].HasHeader("Authorization"));
        if (!c.answeredWith.empty()) {
            const std::string answer = requests[1].Header("Authorization");
            EXPECT_EQ(answer.substr(0, answer.find(' ')), c.answeredWith) << answer;
        }
    }
}

} // namespace
} // namespace dorsatest
