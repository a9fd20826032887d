#include "support/LoopbackServer.h"

#include "dorsa/platform/Base64.h"

#include <mutex>

namespace dorsatest {

LoopbackServer::LoopbackServer()
{
    Start();
}

LoopbackServer::~LoopbackServer()
{
    Stop();
}

void LoopbackServer::SetReply(CannedReply reply)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_reply = std::move(reply);
}

void LoopbackServer::RequireBasicAuth(const std::string& user, const std::string& password)
{
    std::string encoded;
    zvrtkDorsaServiceLayer::Insecure::Crypto_Base64::Encode(user + ":" + password, &encoded);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_expectedAuthorization = "Basic " + encoded;
}

std::vector<RecordedRequest> LoopbackServer::Requests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

RecordedRequest LoopbackServer::LastRequest() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests.empty() ? RecordedRequest() : m_requests.back();
}

std::string LoopbackServer::RefusingUrl()
{
    // Bind a port, then close it without listening: nothing answers there.
    LoopbackServer probe;
    return probe.Url();
}

bool LoopbackServer::Authorised(const RecordedRequest& request) const
{
    return m_expectedAuthorization.empty() || request.Header("Authorization") == m_expectedAuthorization;
}

TcpServer::Ending LoopbackServer::Serve(Socket socket)
{
    std::string buffer;
    RecordedRequest request;
    while (ReadRequest(socket, buffer, request)) {
        CannedReply reply;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_requests.push_back(request);
            reply = m_reply;
            if (!Authorised(request)) {
                reply = CannedReply{401, {{"WWW-Authenticate", "Basic realm=\"dorsa\""}}, "denied", CannedReply::Behaviour::Answer};
            }
        }
        request = RecordedRequest();
        if (reply.behaviour == CannedReply::Behaviour::Stall) {
            WaitUntilStopped();
            break;
        }
        if (reply.behaviour == CannedReply::Behaviour::CloseMidReply ||
            reply.behaviour == CannedReply::Behaviour::StallMidReply) {
            SendAll(socket, ReplyHead(reply.status, reply.headers, &reply.body) + reply.body.substr(0, reply.body.size() / 2));
            if (reply.behaviour == CannedReply::Behaviour::StallMidReply) {
                WaitUntilStopped();
            }
            break;
        }
        if (!SendAll(socket, ReplyHead(reply.status, reply.headers, &reply.body) + reply.body)) {
            break;
        }
    }
    return Ending::Orderly;
}

} // namespace dorsatest
