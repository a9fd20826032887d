#include "support/LoopbackServer.h"

#include "dorsa/platform/Base64.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

namespace dorsatest {

namespace {

bool SendAll(int socket, const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<size_t>(n);
    }
    return true;
}

// Reads more bytes into `buffer`; false when the peer closed or the socket failed.
bool ReadMore(int socket, std::string& buffer)
{
    char chunk[16384];
    const ssize_t n = ::recv(socket, chunk, sizeof chunk, 0);
    if (n <= 0) {
        return false;
    }
    buffer.append(chunk, static_cast<size_t>(n));
    return true;
}

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    const size_t last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// Parses one request from the front of `buffer`, reading more as needed.
bool ReadRequest(int socket, std::string& buffer, RecordedRequest& request)
{
    size_t headerEnd;
    while ((headerEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
        if (!ReadMore(socket, buffer)) {
            return false;
        }
    }
    const std::string head = buffer.substr(0, headerEnd);
    size_t lineEnd = head.find("\r\n");
    const std::string requestLine = head.substr(0, lineEnd);
    const size_t firstSpace = requestLine.find(' ');
    const size_t secondSpace = requestLine.find(' ', firstSpace + 1);
    request.method = requestLine.substr(0, firstSpace);
    request.path = requestLine.substr(firstSpace + 1, secondSpace - firstSpace - 1);
    while (lineEnd != std::string::npos) {
        const size_t start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        const std::string line = head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
        const size_t colon = line.find(':');
        if (colon != std::string::npos) {
            request.headers.emplace_back(line.substr(0, colon), Trim(line.substr(colon + 1)));
        }
    }
    const std::string lengthText = request.Header("Content-Length");
    const size_t length = lengthText.empty() ? 0 : std::stoul(lengthText);
    const size_t bodyStart = headerEnd + 4;
    while (buffer.size() < bodyStart + length) {
        if (!ReadMore(socket, buffer)) {
            return false;
        }
    }
    request.body = buffer.substr(bodyStart, length);
    buffer.erase(0, bodyStart + length);
    return true;
}

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

std::string RecordedRequest::Header(const std::string& name) const
{
    for (const auto& header : headers) {
        if (strcasecmp(header.first.c_str(), name.c_str()) == 0) {
            return header.second;
        }
    }
    return std::string();
}

bool RecordedRequest::HasHeader(const std::string& name) const
{
    return std::any_of(headers.begin(), headers.end(),
                       [&](const auto& header) { return strcasecmp(header.first.c_str(), name.c_str()) == 0; });
}

LoopbackServer::LoopbackServer()
{
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(m_listener, 64) != 0 || ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        throw std::runtime_error("loopback server could not listen");
    }
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
        for (int socket : m_openSockets) {
            ::shutdown(socket, SHUT_RDWR);
        }
    }
    m_stopped.notify_all();
    ::shutdown(m_listener, SHUT_RDWR);
    ::close(m_listener);
    m_acceptor.join();
    for (std::thread& thread : m_threads) {
        thread.join();
    }
}

std::string LoopbackServer::Url() const
{
    return "http://127.0.0.1:" + std::to_string(m_port);
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

void LoopbackServer::AcceptLoop()
{
    while (true) {
        const int socket = ::accept(m_listener, nullptr, nullptr);
        if (socket < 0) {
            return;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping) {
            ::close(socket);
            return;
        }
        ++m_connections;
        m_openSockets.push_back(socket);
        m_threads.emplace_back([this, socket] { Serve(socket); });
    }
}

bool LoopbackServer::Authorised(const RecordedRequest& request) const
{
    return m_expectedAuthorization.empty() || request.Header("Authorization") == m_expectedAuthorization;
}

void LoopbackServer::Serve(int socket)
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
            std::unique_lock<std::mutex> lock(m_mutex);
            m_stopped.wait(lock, [this] { return m_stopping.load(); });
            break;
        }
        if (reply.behaviour == CannedReply::Behaviour::CloseMidReply) {
            SendAll(socket, ReplyHead(reply) + reply.body.substr(0, reply.body.size() / 2));
            break;
        }
        if (!SendAll(socket, ReplyHead(reply) + reply.body)) {
            break;
        }
    }
    ::shutdown(socket, SHUT_RDWR);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_openSockets.erase(std::remove(m_openSockets.begin(), m_openSockets.end(), socket), m_openSockets.end());
    ::close(socket);
}

} // namespace dorsatest
