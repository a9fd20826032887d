#include "BenchServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace dorsabench {

namespace {

constexpr std::size_t s_receiveChunk = 16384;

std::string PreparedReply(const std::string& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

// Receives whatever has arrived onto the end of `buffer`; false when the peer closed.
bool ReceiveMore(int socket, std::string& buffer)
{
    const std::size_t used = buffer.size();
    buffer.resize(used + s_receiveChunk);
    ssize_t received;
    do {
        received = ::recv(socket, &buffer[used], s_receiveChunk, 0);
    } while (received < 0 && errno == EINTR);
    buffer.resize(used + static_cast<std::size_t>(std::max<ssize_t>(received, 0)));
    return received > 0;
}

// The Content-Length of the request head buffer[0, headerEnd), 0 when absent.
std::size_t ContentLength(const std::string& buffer, std::size_t headerEnd)
{
    static const char s_name[] = "content-length:";
    const std::size_t nameLength = sizeof s_name - 1;
    for (std::size_t line = buffer.find("\r\n"); line < headerEnd; line = buffer.find("\r\n", line + 2)) {
        const std::size_t start = line + 2;
        if (start + nameLength <= headerEnd && ::strncasecmp(buffer.c_str() + start, s_name, nameLength) == 0) {
            return std::strtoull(buffer.c_str() + start + nameLength, nullptr, 10);
        }
    }
    return 0;
}

// Reads one request (head and body) from the front of `buffer`, receiving more as
// needed, and drops it. False when the peer closed first.
bool ConsumeRequest(int socket, std::string& buffer)
{
    std::size_t scanned = 0;
    std::size_t headerEnd;
    while ((headerEnd = buffer.find("\r\n\r\n", scanned)) == std::string::npos) {
        scanned = buffer.size() < 3 ? 0 : buffer.size() - 3;
        if (!ReceiveMore(socket, buffer)) {
            return false;
        }
    }
    const std::size_t requestEnd = headerEnd + 4 + ContentLength(buffer, headerEnd);
    while (buffer.size() < requestEnd) {
        if (!ReceiveMore(socket, buffer)) {
            return false;
        }
    }
    buffer.erase(0, requestEnd);
    return true;
}

// One send call for the whole reply; the loop only picks up after a partial write.
bool SendAll(int socket, const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

BenchServer::BenchServer(const std::string& body) : m_reply(PreparedReply(body)), m_bodySize(body.size())
{
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(m_listener, 64) != 0 || ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        if (m_listener >= 0) {
            ::close(m_listener);
        }
        throw std::runtime_error(std::string("bench server could not listen: ") + std::strerror(errno));
    }
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread([this] { AcceptLoop(); });
}

BenchServer::~BenchServer()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
        for (int socket : m_openSockets) {
            ::shutdown(socket, SHUT_RDWR);
        }
    }
    // Wakes the acceptor out of accept().
    ::shutdown(m_listener, SHUT_RDWR);
    m_acceptor.join();
    ::close(m_listener);
    // No new threads once the acceptor has ended.
    for (std::thread& thread : m_threads) {
        thread.join();
    }
}

std::string BenchServer::Url() const
{
    return "http://127.0.0.1:" + std::to_string(m_port);
}

void BenchServer::AcceptLoop()
{
    while (true) {
        const int socket = ::accept(m_listener, nullptr, nullptr);
        if (socket < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            return;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping) {
            ::close(socket);
            return;
        }
        // Small replies go out at once rather than waiting on the client's ACK.
        const int noDelay = 1;
        ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
        m_openSockets.push_back(socket);
        m_threads.emplace_back([this, socket] { Serve(socket); });
    }
}

void BenchServer::Serve(int socket)
{
    std::string buffer;
    buffer.reserve(2 * s_receiveChunk);
    while (ConsumeRequest(socket, buffer) && SendAll(socket, m_reply)) {
    }
    ::shutdown(socket, SHUT_RDWR);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_openSockets.erase(std::remove(m_openSockets.begin(), m_openSockets.end(), socket), m_openSockets.end());
    ::close(socket);
}

} // namespace dorsabench
