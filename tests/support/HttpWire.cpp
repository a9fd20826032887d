#include "support/HttpWire.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace dorsatest {

namespace {

std::string Trim(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    const std::size_t last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

bool SameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

} // namespace

std::string RecordedRequest::Header(const std::string& name) const
{
    for (const auto& header : headers) {
        if (SameName(header.first, name)) {
            return header.second;
        }
    }
    return std::string();
}

bool RecordedRequest::HasHeader(const std::string& name) const
{
    return std::any_of(headers.begin(), headers.end(),
                       [&](const auto& header) { return SameName(header.first, name); });
}

std::string ReplyHead(int status, const HeaderList& headers, const std::string* body)
{
    const char* reason = status == 200   ? "OK"
                         : status == 302 ? "Found"
                         : status == 401 ? "Unauthorized"
                         : status == 500 ? "Internal Server Error"
                         : status == 502 ? "Bad Gateway"
                                         : "Status";
    std::string head = "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\n";
    for (const auto& header : headers) {
        head += header.first + ": " + header.second + "\r\n";
    }
    if (body) {
        head += "Content-Length: " + std::to_string(body->size()) + "\r\n";
    }
    return head + "\r\n";
}

bool SendAll(Socket socket, const char* data, std::size_t length)
{
    std::size_t sent = 0;
    while (sent < length) {
        const long n = SendSome(socket, data + sent, length - sent);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

bool SendAll(Socket socket, const std::string& bytes)
{
    return SendAll(socket, bytes.data(), bytes.size());
}

bool ReadMore(Socket socket, std::string& buffer)
{
    char chunk[16384];
    const long n = ReceiveSome(socket, chunk, sizeof chunk);
    if (n <= 0) {
        return false;
    }
    buffer.append(chunk, static_cast<std::size_t>(n));
    return true;
}

bool ReadRequest(Socket socket, std::string& buffer, RecordedRequest& request)
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
