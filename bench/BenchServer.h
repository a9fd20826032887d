#pragma once

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace dorsabench {

// An HTTP/1.1 keep-alive server on 127.0.0.1 that answers every request with one
// prepared reply (200, text/xml). It reads each request fully but keeps nothing of it,
// and writes the reply with a single send, so that it costs the client under test as
// little as possible. One thread per connection.
class BenchServer final {
public:
    explicit BenchServer(const std::string& body);
    ~BenchServer();
    BenchServer(const BenchServer&) = delete;
    BenchServer& operator=(const BenchServer&) = delete;

    std::string Url() const;
    std::size_t BodySize() const { return m_bodySize; }

private:
    void AcceptLoop();
    void Serve(int socket);

    // Status line, headers and body, ready to send; never changes after construction.
    const std::string m_reply;
    const std::size_t m_bodySize;
    int m_listener = -1;
    int m_port = 0;
    std::mutex m_mutex; // guards the fields below
    bool m_stopping = false;
    std::vector<int> m_openSockets;
    std::vector<std::thread> m_threads;
    std::thread m_acceptor;
};

} // namespace dorsabench
