#pragma once

#include "support/HttpWire.h"
#include "support/TcpServer.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace dorsatest {

// The ways a HostileServer answers. Each one answers every request alike, unless said.
enum class Hostility {
    DeepNesting,         // a 200 envelope opening "<a>" a million times, streamed
    HugeBody,            // a 200 reply of 300 MB (its true length), until the client hangs up
    ShortLength,         // a whole envelope, then an unasked-for second reply after the
                         // declared length; later requests get an honest reply
    LongLengthThenClose, // a Content-Length longer than the body, then the connection closes
    BrokenChunking,      // chunked, one good chunk, then a chunk size that is not hexadecimal
    GzipBomb,            // gzip of zeros inflating to 10 GiB (about 10 MB sent), until the client hangs up
    NulByte,             // a valid envelope with a NUL byte inside a text
    DoctypeEntities,     // an envelope with a DOCTYPE declaring nested entities
    BadGatewayPage,      // 502 with an HTML page that is not well-formed XML
    CloseMidElement,     // no Content-Length; the envelope stops inside an element and the connection closes
    Reset,               // reads the request, then resets the connection
    Silent,              // reads the request, never answers
    Trickle,             // a valid reply, one byte every 200 ms, as long as the client waits
                         // (at most s_trickleSafetyLimit)
    Redirect,            // 302 to the location given
    Unauthorised,        // 401 with a Basic challenge, whatever the request carries
    EndlessBody,         // a 200 body with no length, sent until the client hangs up
    Mixed,               // chosen per request from its key: see MixedReplyFor
};

// What the Mixed server does with the request whose key is "t<thread>-<call>": calls
// numbered 99, 199, ... stall; of the others, one in four is a fault and one in four garbage.
enum class MixedReply {
    Success, // a GetTablesResponse with the key as its value and the call number as its count
    Fault,   // 500 with a SOAP fault whose faultstring is MixedFaultString(key)
    Garbage, // 200 with MixedGarbage(key), which is not XML
    Stall,   // no answer: the client gives up on its receive timeout
};
MixedReply MixedReplyFor(const std::string& key);
std::string MixedFaultString(const std::string& key);
std::string MixedGarbage(const std::string& key);
// The value of the first "dbKey" element of a request body, "" when there is none.
std::string KeyOfRequest(const std::string& body);

// An HTTP/1.1 server on 127.0.0.1 that misbehaves in one chosen way, to show that the
// client survives it. Each connection has a thread of its own; the destructor stops
// them all, also in the middle of a long send, by shutting their sockets down.
class HostileServer final : public TcpServer {
public:
    // @p location is the Location of the Redirect reply.
    explicit HostileServer(Hostility hostility, std::string location = std::string());
    ~HostileServer();

    std::vector<RecordedRequest> Requests() const;

    // A Trickle reply ends after this long, so that a client with no deadline of its own
    // fails its test instead of hanging it.
    static constexpr std::chrono::seconds s_trickleSafetyLimit{20};

private:
    Ending Serve(Socket socket) override;
    // Answers one request; false when the connection is finished with.
    bool Answer(Socket socket, const RecordedRequest& request, std::size_t requestNumber);
    bool AnswerMixed(Socket socket, const RecordedRequest& request);
    // The streamed replies; each ends when it is all sent, the client hangs up or the server stops.
    void SendDeepNesting(Socket socket) const;
    void SendHugeBody(Socket socket) const;
    void SendGzipBomb(Socket socket) const;
    void SendEndlessBody(Socket socket) const;
    void SendTrickle(Socket socket) const;
    // Reads and discards until the client hangs up or the server stops.
    void AwaitHangUp(Socket socket) const;

    const Hostility m_hostility;
    const std::string m_location;
    std::vector<RecordedRequest> m_requests;
};

} // namespace dorsatest
