#pragma once

#include "support/TcpServer.h"

#include <cstddef>
#include <string>

namespace dorsabench {

// An HTTP/1.1 keep-alive server on 127.0.0.1 that answers every request with one
// prepared reply (200, text/xml). It reads each request fully but keeps nothing of it,
// and writes the reply with a single send, so that it costs the client under test as
// little as possible. One thread per connection.
class BenchServer final : public dorsatest::TcpServer {
public:
    explicit BenchServer(const std::string& body);
    ~BenchServer();

    std::size_t BodySize() const { return m_bodySize; }

private:
    Ending Serve(dorsatest::Socket socket) override;

    // Status line, headers and body, ready to send; never changes after construction.
    const std::string m_reply;
    const std::size_t m_bodySize;
};

} // namespace dorsabench
