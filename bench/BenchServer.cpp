#include "BenchServer.h"
#include "support/HttpWire.h"

#include <strings.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace dorsabench {

namespace {

constexpr std::size_t s_receiveChunk = 16384;

std::string PreparedReply(const std::string& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

// Receives whatever has arrived onto the end of `buffer`; false when the peer closed.
bool ReceiveMore(dorsatest::Socket socket, std::string& buffer)
{
    const std::size_t used = buffer.size();
    buffer.resize(used + s_receiveChunk);
    ssize_t received;
    do {
        received = ::recv(static_cast<int>(socket), &buffer[used], s_receiveChunk, 0);
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
bool ConsumeRequest(dorsatest::Socket socket, std::string& buffer)
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

} // namespace

BenchServer::BenchServer(const std::string& body) : m_reply(PreparedReply(body)), m_bodySize(body.size())
{
    Start();
}

BenchServer::~BenchServer()
{
    Stop();
}

dorsatest::TcpServer::Ending BenchServer::Serve(dorsatest::Socket socket)
{
    std::string buffer;
    buffer.reserve(2 * s_receiveChunk);
    while (ConsumeRequest(socket, buffer) && dorsatest::SendAll(socket, m_reply)) {
    }
    return Ending::Orderly;
}

} // namespace dorsabench
