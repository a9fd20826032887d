#include "support/HttpWire.h"

#include <strings.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace dorsatest {

namespace {

std::string Trim(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    const std::size_t last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

} // namespace

std::string RecordedRequest::Header(const std::string& name) const
{
    for (const auto& header : headers) {
        if (::strcasecmp(header.first.c_str(), name.c_str()) == 0) {
            return header.second;
        }
    }
    return std::string();
}

bool RecordedRequest::HasHeader(const std::string& name) const
{
    return std::any_of(headers.begin(), headers.end(),
                       [&](const auto& header) { return ::strcasecmp(header.first.c_str(), name.c_str()) == 0; });
}

bool SendAll(int socket, const char* data, std::size_t length)
{
    std::size_t sent = 0;
    while (sent < length) {
        const ssize_t n = ::send(socket, data + sent, length - sent, MSG_NOSIGNAL);
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

bool SendAll(int socket, const std::string& bytes)
{
    return SendAll(socket, bytes.data(), bytes.size());
}

bool ReadMore(int socket, std::string& buffer)
{
    char chunk[16384];
    const ssize_t n = ::recv(socket, chunk, sizeof chunk, 0);
    if (n <= 0) {
        return false;
    }
    buffer.append(chunk, static_cast<std::size_t>(n));
    return true;
}

bool ReadRequest(int socket, std::string& buffer, RecordedRequest& request)
{
    std::size_t headerEnd;
    while ((headerEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
        if (!ReadMore(socket, buffer)) {
            return false;
        }
    }
    const std::string head = buffer.substr(0, headerEnd);
    std::size_t lineEnd = head.find("\r\n");
    const std::string requestLine = head.substr(0, lineEnd);
    const std::size_t firstSpace = requestLine.find(' ');
    const std::size_t secondSpace = requestLine.find(' ', firstSpace + 1);
    request.method = requestLine.substr(0, firstSpace);
    request.path = requestLine.substr(firstSpace + 1, secondSpace - firstSpace - 1);
    while (lineEnd != std::string::npos) {
        const std::size_t start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        const std::string line = head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos) {
            request.headers.emplace_back(line.substr(0, colon), Trim(line.substr(colon + 1)));
        }
    }
    const std::size_t length = std::strtoul(request.Header("Content-Length").c_str(), nullptr, 10);
    const std::size_t bodyStart = headerEnd + 4;
    while (buffer.size() < bodyStart + length) {
        if (!ReadMore(socket, buffer)) {
            return false;
        }
    }
    request.body = buffer.substr(bodyStart, length);
    buffer.erase(0, bodyStart + length);
    return true;
}

} // namespace dorsatest
