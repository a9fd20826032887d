#pragma once

#include "support/HttpWire.h"
#include "support/TcpServer.h"

#include <string>
#include <vector>

namespace dorsatest {

struct CannedReply {
    enum class Behaviour {
        Answer,       // send the reply
        Stall,        // read the request, never answer
        CloseMidReply, // send the status line and half the body, then close
        StallMidReply  // send the status line and half the body, then nothing more
    };
    int status = 200;
    HeaderList headers = {{"Content-Type", "text/xml; charset=utf-8"}};
    std::string body;
    Behaviour behaviour = Behaviour::Answer;
};

// An HTTP/1.1 server on 127.0.0.1 for tests: records every request and answers each
// with the canned reply. Connections are kept alive; each has a thread of its own.
class LoopbackServer final : public TcpServer {
public:
    LoopbackServer();
    ~LoopbackServer();

    void SetReply(CannedReply reply);
    // Answers 401 with a Basic challenge unless the request carries these credentials.
    void RequireBasicAuth(const std::string& user, const std::string& password);

    std::vector<RecordedRequest> Requests() const;
    RecordedRequest LastRequest() const;

    // A loopback URL on which nothing listens: connections are refused.
    static std::string RefusingUrl();

private:
    Ending Serve(Socket socket) override;
    bool Authorised(const RecordedRequest& request) const;

    CannedReply m_reply;
    std::string m_expectedAuthorization;
    std::vector<RecordedRequest> m_requests;
};

} // namespace dorsatest
