#pragma once

#include "support/Sockets.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace dorsatest {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

struct RecordedRequest {
    std::string method;
    std::string path;
    HeaderList headers; // in the order received
    std::string body;

    // Value of the first header with this name (case-insensitive), "" when absent.
    std::string Header(const std::string& name) const;
    bool HasHeader(const std::string& name) const;
};

// A reply's status line and headers, with a Content-Length for `body` when it is given.
std::string ReplyHead(int status, const HeaderList& headers, const std::string* body = nullptr);

// The test servers' side of HTTP/1.1 on a socket. Each is false when the peer hung up
// or the socket failed.
bool SendAll(Socket socket, const char* data, std::size_t length);
bool SendAll(Socket socket, const std::string& bytes);
// Reads more bytes onto the end of `buffer`.
bool ReadMore(Socket socket, std::string& buffer);
// Takes one request (head and Content-Length body) off the front of `buffer`, reading
// more as needed.
bool ReadRequest(Socket socket, std::string& buffer, RecordedRequest& request);

} // namespace dorsatest
