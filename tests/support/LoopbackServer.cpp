#include "support/LoopbackServer.h"

#include "dorsa/platform/Base64.h"

#include <mutex>

namespace dorsatest {

namespace {

std::string StatusLine(int status)
{
    const char* reason = status == 200 ? "OK" : status == 401 ? "Unauthorized" : status == 500 ? "Internal Server Error" : "Status";
    return "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\n";
}

std::string ReplyHead(const CannedReply& reply)
{
    std::string head = StatusLine(reply.status);
    for (const auto& header : reply.headers) {
        head += header.first + ": " + header.second + "\r\n";
    }
    return head + "Content-Length: " + std::to_string(reply.body.size()) + "\r\n\r\n";
}

} // namespace

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
            SendAll(socket, ReplyHead(reply) + reply.body.substr(0, reply.body.size() / 2));
            if (reply.behaviour == CannedReply::Behaviour::StallMidReply) {
                WaitUntilStopped();
            }
            break;
        }
        if (!SendAll(socket, ReplyHead(reply) + reply.body)) {
            break;
        }
    }
    return Ending::Orderly;
}

} // namespace dorsatest
