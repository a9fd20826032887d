#pragma once

#include "dorsa/platform/HttpClient.h"
#include "dorsa/platform/HttpMessage.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// What every HTTP back end shares: the settings a call runs under, the rules for growing
// and cutting off a reply, the stall and deadline guard, and the checks made before
// anything is sent. A back end (one source file per transport, chosen by the build)
// implements HttpBackend and MakeHttpBackend.

namespace zvrtkDorsaServiceLayer {
namespace detail {

using Clock = std::chrono::steady_clock;

// Who the client logs on as.
enum class Logon {
    None,
    Password,    // user name and password: Basic, Digest or NTLM, as the server offers
    CurrentUser, // the user the process runs as: Negotiate
};

// The settings one call runs under. Never changed in place: a change makes a new one,
// so a call keeps the settings it started with.
struct TransferSettings {
    long connectTimeoutMs = 0;
    long sendStallMs = 0;
    long receiveStallMs = 0;
    Logon logon = Logon::None;
    std::string user;
    std::string password;
    // The password in Latin-1, for NTLM; empty when it is plain ASCII or has no such form.
    std::string latin1Password;
    std::size_t maxReplySize = HttpClient::s_defaultMaxReplySize;
    long callDeadlineMs = HttpClient::s_defaultCallDeadlineMs;
    bool refuseCleartextCredentials = false;
    // Counts changes of identity, trust and proxy logon: connections opened under an
    // older one are not reused, so a back end may set what depends on them once per connection.
    unsigned generation = 0;

    // Certificate authorities (UTF-8 paths, PEM) trusted for https servers. caFolder is
    // hashed for OpenSSL on libcurl; on WinHTTP every *.pem, *.crt, *.cer in it is read.
    std::string caFile;
    std::string caFolder;
    // Whether the system's store is trusted too; with both paths empty it is the only one.
    bool caWithSystemStore = true;
    // Client certificate (PEM; may hold the key), its key (PEM; empty: in the certificate
    // file) and the key's pass phrase (empty: not encrypted). No certificate: empty file.
    std::string clientCertificateFile;
    std::string clientKeyFile;
    std::string clientKeyPassword;
    // Proxy logon: Basic, or NTLM when the proxy offers it. Empty user: none.
    std::string proxyUser;
    std::string proxyPassword;
};

// How a client reaches its server.
enum class ProxyMode {
    Environment, // as the environment says: libcurl's http_proxy/https_proxy/no_proxy, WinHTTP's system settings
    Direct,      // never through a proxy (HttpClient::s_noProxy)
    Url,         // through Endpoint::proxy, except for the hosts of Endpoint::proxyBypass
};

// Where a client sends to, fixed when it is made.
struct Endpoint {
    std::string baseUrl;
    ProxyMode proxyMode = ProxyMode::Environment;
    // With ProxyMode::Url: the proxy's URL, and comma-separated hosts reached directly
    // (a name matches its subdomains too; a leading "." is allowed).
    std::string proxy;
    std::string proxyBypass;
    // Tests only: no check of the server's certificate chain or host name.
    bool ignoreCertificateErrors = false;
};

// The endpoint a client made by CreateOneFromURL has (the proxy rules are there).
Endpoint MakeEndpoint(const std::string& baseUrl, const std::string& proxy, const std::string& proxyBypass,
                      bool ignoreCertificateErrors);

// The calls in progress on one client, so that CancelCallsInProgress reaches them all.
class CallRegistry final {
public:
    // Marks every call in progress cancelled and wakes each; later calls are not touched.
    void CancelAll();

private:
    friend class CancelScope;
    std::mutex m_mutex;
    std::vector<class CancelScope*> m_calls;
};

// One call's place in the registry, from the call's start to its end. A back end arms
// it with a way to wake its wait (called from the cancelling thread under the registry's
// lock: it must only signal, never block), then checks IsCancelled() after every wait,
// the first time right after arming.
class CancelScope final {
public:
    explicit CancelScope(CallRegistry& registry);
    ~CancelScope();
    CancelScope(const CancelScope&) = delete;
    CancelScope& operator=(const CancelScope&) = delete;

    void Arm(std::function<void()> wake);
    bool IsCancelled() const { return m_cancelled.load(); }

private:
    friend class CallRegistry;
    CallRegistry& m_registry;
    std::atomic<bool> m_cancelled{false};
    std::function<void()> m_wake;
};

// The reply body as it arrives, kept to at most maxSize + 1 bytes so that a reader can
// tell the limit was passed.
class ReplyCollector final {
public:
    explicit ReplyCollector(std::size_t maxSize) : m_maxSize(maxSize) {}

    // Room for the whole body at once when the reply says how long it is, so it is never
    // copied while it grows. A length past the limit reserves nothing: the reply is cut
    // off at the limit anyway, and a lying length must not make the client allocate.
    void ReserveForDeclaredLength(std::int64_t declared);
    // False once the reply passed the limit: the transfer is to stop.
    bool Take(const char* data, std::size_t length);

    bool IsTooLarge() const { return m_tooLarge; }
    std::size_t GetLength() const { return m_body->GetLength(); }
    SmartPtr<HttpMessageBuffer> TakeBody() { return std::move(m_body); }

private:
    void GrowFor(std::size_t needed);

    SmartPtr<HttpMessageBuffer> m_body = new HttpMessageBuffer;
    std::size_t m_maxSize;
    bool m_tooLarge = false;
};

// Ends a transfer on which no byte has moved for longer than the limit of its
// direction, or that passed the call's deadline. The stall clock starts once the
// connection is ready, so a slow connect is judged by the connect timeout alone.
class StallGuard final {
public:
    explicit StallGuard(const TransferSettings& settings);

    void OnConnected();
    // False when the transfer is to end; Reason() then says why.
    bool Check(std::uint64_t uploaded, std::uint64_t downloaded, bool sending);
    // False when the deadline has passed (for waits that see no byte counts).
    bool CheckDeadline();

    bool IsConnected() const { return m_connected; }
    const std::string& Reason() const { return m_reason; }

private:
    bool DeadlineHolds(Clock::time_point now);

    long m_sendLimitMs;
    long m_receiveLimitMs;
    long m_deadlineMs; // 0: none
    Clock::time_point m_started = Clock::now();
    bool m_connected = false;
    std::uint64_t m_uploaded = 0;
    std::uint64_t m_downloaded = 0;
    Clock::time_point m_lastMove;
    std::string m_reason;
};

// Why a header cannot be sent, or "" when it can: a CR or LF in a value would let it
// write a header of its own, so no control character goes on the wire at all.
std::string UnsafeHeader(const HttpMessage::Header& header);

// The Latin-1 bytes of a UTF-8 text that goes beyond ASCII but not beyond U+00FF;
// empty otherwise.
std::string Latin1BeyondAscii(const std::string& utf8);

bool IsPlainHttp(const std::string& url);

// Basic over plain http hands the password to whoever answers: a session that refuses
// that leaves Basic out there.
bool RefusesBasicFor(const TransferSettings& settings, const std::string& url);

// The reason of a call whose client certificate or key could not be used, with what the
// TLS stack said (@p said).
std::string ClientCertificateFailure(const TransferSettings& settings, const std::string& said);

// Records a reply cut off at the limit: the message keeps only its start, which shows
// what it was; the rest is nothing anyone can use.
HttpClient::SendRequestResult RecordCutOffReply(HttpMessage& message, ReplyCollector& reply, int httpCode,
                                                std::size_t maxReplySize);

extern const char s_cleartextRefusal[];

// Whether @p address has the scheme, host and port of @p baseUrl (case-insensitive).
bool IsSameOrigin(const std::string& baseUrl, const std::string& address);

// One transport. Send may run on several threads at once.
class HttpBackend {
public:
    virtual ~HttpBackend() = default;
    // Sends to @p url with GET, POST (the request body) or PUT (the body file when the
    // message names one, else the request body). The message has been reset and its
    // headers checked; the back end fills its reply, HTTP code, connected flag and
    // transport error. A call whose @p cancel says so ends as a failure with reason
    // HttpClient::s_cancelledReason, as soon as it can.
    virtual HttpClient::SendRequestResult Send(const std::string& url, eHttpVerb verb, HttpMessage& message,
                                               const TransferSettings& settings, CancelScope& cancel) = 0;
    // Closes idle connections: they were opened under an identity no longer in use.
    virtual void ForgetConnections() = 0;
};

std::unique_ptr<HttpBackend> MakeHttpBackend(const Endpoint& endpoint);

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
