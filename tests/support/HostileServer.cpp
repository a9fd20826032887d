#include "support/HostileServer.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace dorsatest {

namespace {

const std::size_t s_streamChunk = 64 * 1024;
const std::size_t s_hugeBodySize = std::size_t(300) * 1024 * 1024;
const std::size_t s_nestingDepth = 1000 * 1000;
const unsigned long long s_gzipBombInflatedSize = 10ULL * 1024 * 1024 * 1024;
const std::chrono::milliseconds s_tricklePause{200};

const HeaderList s_xml = {{"Content-Type", "text/xml; charset=utf-8"}};

// A whole reply with its true Content-Length.
std::string Whole(int status, const std::string& body, const HeaderList& headers = s_xml)
{
    return ReplyHead(status, headers, &body) + body;
}

const std::string s_envelopeStart =
    "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body><GetTablesResponse>";
const std::string s_envelopeEnd = "</GetTablesResponse></s:Body></s:Envelope>";

// A GetTablesResponse envelope holding `content`.
std::string Envelope(const std::string& content)
{
    return s_envelopeStart + content + s_envelopeEnd;
}

// The head of a 200 XML reply declaring `length` bytes, whatever follows.
std::string DeclaredHead(std::size_t length)
{
    return ReplyHead(200, {{"Content-Type", "text/xml; charset=utf-8"}, {"Content-Length", std::to_string(length)}});
}

// One frame of a chunked body.
std::string Chunk(const char* data, std::size_t length)
{
    char size[32];
    std::snprintf(size, sizeof size, "%zx\r\n", length);
    return size + std::string(data, length) + "\r\n";
}

// Owns a zlib deflate stream writing gzip.
class GzipStream final {
public:
    GzipStream()
    {
        m_ready = deflateInit2(&m_stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) == Z_OK;
    }
    ~GzipStream()
    {
        if (m_ready) {
            deflateEnd(&m_stream);
        }
    }
    GzipStream(const GzipStream&) = delete;
    GzipStream& operator=(const GzipStream&) = delete;

    bool Ready() const { return m_ready; }
    // Compresses `length` bytes (all of them) and hands each piece of output to `emit`;
    // false when emit or zlib fails.
    template <class Emit>
    bool Deflate(const unsigned char* data, std::size_t length, int flush, Emit emit)
    {
        m_stream.next_in = const_cast<unsigned char*>(data);
        m_stream.avail_in = static_cast<uInt>(length);
        do {
            unsigned char out[s_streamChunk];
            m_stream.next_out = out;
            m_stream.avail_out = sizeof out;
            const int result = deflate(&m_stream, flush);
            if (result == Z_STREAM_ERROR) {
                return false;
            }
            const std::size_t produced = sizeof out - m_stream.avail_out;
            if (produced > 0 && !emit(reinterpret_cast<const char*>(out), produced)) {
                return false;
            }
        } while (m_stream.avail_out == 0 || m_stream.avail_in > 0);
        return true;
    }

private:
    z_stream m_stream{};
    bool m_ready = false;
};

// A DOCTYPE whose entities each stand for ten of the one before: expanding the last one
// would make a billion copies of the first.
std::string DoctypeWithNestedEntities()
{
    std::string doctype = "<?xml version=\"1.0\"?><!DOCTYPE s:Envelope [<!ENTITY e0 \"ha\">";
    for (int level = 1; level < 10; ++level) {
        doctype += "<!ENTITY e" + std::to_string(level) + " \"";
        for (int copy = 0; copy < 10; ++copy) {
            doctype += "&e" + std::to_string(level - 1) + ";";
        }
        doctype += "\">";
    }
    return doctype + "]>" + Envelope("<value>&e9;</value>");
}

} // namespace

MixedReply MixedReplyFor(const std::string& key)
{
    const std::size_t dash = key.find('-');
    const unsigned long call = dash == std::string::npos ? 0 : std::strtoul(key.c_str() + dash + 1, nullptr, 10);
    if (call % 100 == 99) {
        return MixedReply::Stall;
    }
    static const MixedReply s_cycle[] = {MixedReply::Success, MixedReply::Fault, MixedReply::Success,
                                         MixedReply::Garbage};
    return s_cycle[call % 4];
}

std::string MixedFaultString(const std::string& key)
{
    return "No table for key " + key;
}

std::string MixedGarbage(const std::string& key)
{
    return "Service busy, try again later (" + key + ")";
}

std::string KeyOfRequest(const std::string& body)
{
    const std::string open = "dbKey>";
    const std::size_t start = body.find(open);
    if (start == std::string::npos) {
        return std::string();
    }
    const std::size_t end = body.find('<', start);
    return body.substr(start + open.size(), end == std::string::npos ? std::string::npos : end - start - open.size());
}

HostileServer::HostileServer(Hostility hostility, std::string location)
    : m_hostility(hostility), m_location(std::move(location))
{
    Start();
}

HostileServer::~HostileServer()
{
    Stop();
}

std::vector<RecordedRequest> HostileServer::Requests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

TcpServer::Ending HostileServer::Serve(Socket socket)
{
    std::string buffer;
    RecordedRequest request;
    while (!Stopping() && ReadRequest(socket, buffer, request)) {
        std::size_t number;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            number = m_requests.size();
            m_requests.push_back(request);
        }
        const bool keepOpen = Answer(socket, request, number);
        request = RecordedRequest();
        if (!keepOpen) {
            return m_hostility == Hostility::Reset ? Ending::Reset : Ending::Orderly;
        }
    }
    return Ending::Orderly;
}

// One case per way of misbehaving; each says whether the connection stays open.
bool HostileServer::Answer(Socket socket, const RecordedRequest& request, std::size_t requestNumber)
{
    switch (m_hostility) {
    case Hostility::DeepNesting:
        SendDeepNesting(socket);
        return false;
    case Hostility::HugeBody:
        SendHugeBody(socket);
        return false;
    case Hostility::ShortLength: {
        if (requestNumber > 0) {
            return SendAll(socket, Whole(200, Envelope("<value>honest</value>")));
        }
        // Whatever follows the declared length is no part of this reply: a client that
        // took it for the reply to its next request would be reading a forged answer.
        const std::string first = Envelope("<value>first</value>");
        const std::string forged = Whole(200, Envelope("<value>forged</value>"));
        return SendAll(socket, ReplyHead(200, s_xml, &first) + first + forged);
    }
    case Hostility::LongLengthThenClose: {
        const std::string body = Envelope("<value>v</value>");
        SendAll(socket, DeclaredHead(body.size() + 1000) + body);
        return false;
    }
    case Hostility::BrokenChunking:
        SendAll(socket, ReplyHead(200, {{"Content-Type", "text/xml"}, {"Transfer-Encoding", "chunked"}}) +
                            Chunk(s_envelopeStart.data(), s_envelopeStart.size()) +
                            "zz\r\n<value>v</value>\r\n0\r\n\r\n");
        return false;
    case Hostility::GzipBomb:
        SendGzipBomb(socket);
        return false;
    case Hostility::NulByte:
        return SendAll(socket, Whole(200, Envelope(std::string("<value>a\0b</value>", 18))));
    case Hostility::DoctypeEntities:
        return SendAll(socket, Whole(200, DoctypeWithNestedEntities()));
    case Hostility::BadGatewayPage:
        return SendAll(socket, Whole(502,
                                     "<html><head><title>502 Bad Gateway</title></head><body><h1>Bad Gateway</h1>"
                                     "<p>The upstream server sent an invalid response.</p><hr><address>sample-proxy"
                                     "</address></body></html>",
                                     {{"Content-Type", "text/html"}}));
    case Hostility::CloseMidElement: {
        const std::string whole = Envelope("<value>cut short</value>");
        SendAll(socket, ReplyHead(200, {{"Content-Type", "text/xml"}, {"Connection", "close"}}) +
                            whole.substr(0, whole.find("short")));
        return false;
    }
    case Hostility::Reset:
        return false;
    case Hostility::Silent:
        AwaitHangUp(socket);
        return false;
    case Hostility::Trickle:
        SendTrickle(socket);
        return false;
    case Hostility::Redirect:
        return SendAll(socket, Whole(302, "<html><body>Moved</body></html>",
                                     {{"Content-Type", "text/html"}, {"Location", m_location}}));
    case Hostility::Unauthorised:
        return SendAll(socket, Whole(401, "<html><body>Unauthorized</body></html>",
                                     {{"Content-Type", "text/html"}, {"WWW-Authenticate", "Basic realm=\"samples\""}}));
    case Hostility::EndlessBody:
        SendEndlessBody(socket);
        return false;
    case Hostility::Mixed:
        return AnswerMixed(socket, request);
    }
    return false;
}

bool HostileServer::AnswerMixed(Socket socket, const RecordedRequest& request)
{
    const std::string key = KeyOfRequest(request.body);
    switch (MixedReplyFor(key)) {
    case MixedReply::Success: {
        const std::string call = key.substr(key.find('-') + 1);
        return SendAll(socket, Whole(200, Envelope("<value>" + key + "</value><count>" + call + "</count>")));
    }
    case MixedReply::Fault:
        return SendAll(socket, Whole(500, "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body>"
                                          "<s:Fault><faultcode>s:Client</faultcode><faultstring>" +
                                              MixedFaultString(key) +
                                              "</faultstring></s:Fault></s:Body></s:Envelope>"));
    case MixedReply::Garbage:
        return SendAll(socket, Whole(200, MixedGarbage(key), {{"Content-Type", "text/plain"}}));
    case MixedReply::Stall:
        AwaitHangUp(socket);
        return false;
    }
    return false;
}

// The body's length is declared up front, so the million tags go out in pieces.
void HostileServer::SendDeepNesting(Socket socket) const
{
    std::string piece;
    for (int i = 0; i < 1000; ++i) {
        piece += "<a>";
    }
    const std::size_t length = s_envelopeStart.size() + s_nestingDepth * 3 + s_envelopeEnd.size();
    bool sending = SendAll(socket, DeclaredHead(length) + s_envelopeStart);
    for (std::size_t sent = 0; sending && sent < s_nestingDepth; sent += 1000) {
        sending = !Stopping() && SendAll(socket, piece);
    }
    if (sending) {
        SendAll(socket, s_envelopeEnd);
    }
}

void HostileServer::SendHugeBody(Socket socket) const
{
    const std::string start = s_envelopeStart + "<value>";
    const std::string end = "</value>" + s_envelopeEnd;
    const std::string filler(s_streamChunk, 'x');
    bool sending = SendAll(socket, DeclaredHead(s_hugeBodySize) + start);
    for (std::size_t left = s_hugeBodySize - start.size() - end.size(); sending && left > 0;) {
        const std::size_t length = std::min(left, filler.size());
        sending = !Stopping() && SendAll(socket, filler.data(), length);
        left -= length;
    }
    if (sending) {
        SendAll(socket, end);
    }
}

// Zeros compress about a thousandfold, so the bomb is made as it goes out rather than kept.
void HostileServer::SendGzipBomb(Socket socket) const
{
    GzipStream gzip;
    const auto emit = [&](const char* data, std::size_t length) {
        return !Stopping() && SendAll(socket, Chunk(data, length));
    };
    bool sending = gzip.Ready() && SendAll(socket, ReplyHead(200, {{"Content-Type", "text/xml"},
                                                                   {"Content-Encoding", "gzip"},
                                                                   {"Transfer-Encoding", "chunked"}}));
    static const unsigned char s_zeros[s_streamChunk] = {};
    for (unsigned long long fed = 0; sending && fed < s_gzipBombInflatedSize; fed += sizeof s_zeros) {
        sending = gzip.Deflate(s_zeros, sizeof s_zeros, Z_NO_FLUSH, emit);
    }
    if (sending && gzip.Deflate(nullptr, 0, Z_FINISH, emit)) {
        SendAll(socket, "0\r\n\r\n");
    }
}

void HostileServer::SendEndlessBody(Socket socket) const
{
    const std::string filler(s_streamChunk, ' ');
    const std::string head = ReplyHead(200, {{"Content-Type", "text/xml"}, {"Connection", "close"}});
    bool sending = SendAll(socket, head + s_envelopeStart);
    while (sending && !Stopping()) {
        sending = SendAll(socket, filler);
    }
}

// The headers go at once, so the client sees a reply that starts and then crawls.
void HostileServer::SendTrickle(Socket socket) const
{
    const std::string body = Envelope("<value>" + std::string(4096, 'x') + "</value>");
    const auto giveUp = std::chrono::steady_clock::now() + s_trickleSafetyLimit;
    bool sending = SendAll(socket, DeclaredHead(body.size()));
    for (std::size_t at = 0; sending && at < body.size(); ++at) {
        sending = SendAll(socket, &body[at], 1) && Pause(s_tricklePause) && std::chrono::steady_clock::now() < giveUp;
    }
}

void HostileServer::AwaitHangUp(Socket socket) const
{
    char sink[4096];
    while (!Stopping() && ReceiveSome(socket, sink, sizeof sink) > 0) {
    }
}

} // namespace dorsatest
