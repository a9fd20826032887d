#include "support/SessionFixture.h"
#include "support/SoapValidation.h"
#include "support/TestOperations.h"

namespace dorsatest {

using namespace zvrtkDorsaServiceLayer;

SessionFixture::SessionFixture()
    : m_session(DorsaSession::CreateOneWithLogger(m_server.Url(), DorsaSLAuth_Annonymous::CreateOne(), &m_logger))
{
}

namespace {

// The request text an outcome records for a sent body of unknown origin: the library
// parses the body and prints it again (or keeps it as sent when it does not parse).
std::string ReprintedRequestText(DorsaSession* session, const std::string& body)
{
    SmartPtr<HttpMessage> message = HttpMessage::CreateOne();
    message->AccessRequestBody()->SetMessage(body.data(), body.size());
    SmartPtr<HttpMessageBuffer> reply = new HttpMessageBuffer;
    reply->SetMessage("<r/>", 4);
    message->SetResponseBody(reply);
    message->SetHttpCode(200);
    KeyOperation operation(session);
    ValueResponse response;
    operation.ProcessResponseHandle(&response, message, nullptr);
    return response.GetServiceLayerResponse() ? response.GetServiceLayerResponse()->GetRequestMessage() : "no outcome";
}

// A body with a text of blanks alone, which the parser does not keep, or a NUL byte,
// which it refuses: the library then records the reprint rather than the bytes sent.
bool ReprintsDifferently(const std::string& body)
{
    if (body.find('\0') != std::string::npos) {
        return true;
    }
    for (std::size_t close = body.find('>'); close != std::string::npos; close = body.find('>', close + 1)) {
        const std::size_t next = body.find_first_not_of(" \t\r\n", close + 1);
        if (next != close + 1 && next != std::string::npos && body[next] == '<') {
            return true;
        }
    }
    return false;
}

} // namespace

void SessionFixture::TearDown()
{
    for (const RecordedRequest& request : m_server.Requests()) {
        if (request.method == "POST") {
            EXPECT_EQ(SoapEnvelopeErrors(request.body), "") << request.body;
            // The outcome of a call records the bytes it sent, after the XML declaration,
            // as its request text, where they print as themselves: every request of every
            // operation test is checked against the reprint that text stands for.
            const std::size_t declarationEnd = request.body.find("?>");
            if (!ReprintsDifferently(request.body) && declarationEnd != std::string::npos) {
                EXPECT_EQ(ReprintedRequestText(m_session.get(), request.body), request.body.substr(declarationEnd + 2));
            }
        }
    }
}

void SessionFixture::Reply(const std::string& body, int status)
{
    CannedReply reply;
    reply.status = status;
    reply.body = body;
    m_server.SetReply(reply);
}

std::string SessionFixture::Envelope(const std::string& content)
{
    return "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body>" + content +
           "</s:Body></s:Envelope>";
}

std::string SessionFixture::LastBodyContent() const
{
    const std::string body = m_server.LastRequest().body;
    const std::string open = "<soapenv:Body>";
    const size_t start = body.find(open);
    const size_t end = body.rfind("</soapenv:Body>");
    return start == std::string::npos || end == std::string::npos ? std::string()
                                                                   : body.substr(start + open.size(), end - start - open.size());
}

} // namespace dorsatest
