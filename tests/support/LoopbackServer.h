#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
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

struct CannedReply {
    enum class Behaviour {
        Answer,       // send the reply
        Stall,        // read the request, never answer
        CloseMidReply // send the status line and half the body, then close
    };
    int status = 200;
    HeaderList headers = {{"Content-Type", "text/xml; charset=utf-8"}};
    std::string body;
    Behaviour behaviour = Behaviour::Answer;
};

// An HTTP/1.1 server on 127.0.0.1 for tests: records every request and answers each
// with the canned reply. Connections are kept alive; each has a thread of its own.
class LoopbackServer final {
public:
    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::string Url() const;
    void SetReply(CannedReply reply);
    // Answers 401 with a Basic challenge unless the request carries these credentials.
    void RequireBasicAuth(const std::string& user, const std::string& password);

    std::vector<RecordedRequest> Requests() const;
    RecordedRequest LastRequest() const;
    std::size_t ConnectionCount() const { return m_connections.load(); }

    // A loopback URL on which nothing listens: connections are refused.
    static std::string RefusingUrl();

private:
    void AcceptLoop();
    void Serve(int socket);
    bool Authorised(const RecordedRequest& request) const;

    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::atomic<std::size_t> m_connections{0};
    mutable std::mutex m_mutex;
    std::condition_variable m_stopped;
    CannedReply m_reply;
    std::string m_expectedAuthorization;
    std::vector<RecordedRequest> m_requests;
    std::vector<int> m_openSockets;
    std::vector<std::thread> m_threads;
    std::thread m_acceptor;
};

} // namespace dorsatest
