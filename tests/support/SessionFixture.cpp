#include "support/SessionFixture.h"
#include "support/SoapValidation.h"

namespace dorsatest {

using namespace zvrtkDorsaServiceLayer;

SessionFixture::SessionFixture()
    : m_session(DorsaSession::CreateOneWithLogger(m_server.Url(), DorsaSLAuth_Annonymous::CreateOne(), &m_logger))
{
}

void SessionFixture::TearDown()
{
    for (const RecordedRequest& request : m_server.Requests()) {
        if (request.method == "POST") {
            EXPECT_EQ(SoapEnvelopeErrors(request.body), "") << request.body;
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
