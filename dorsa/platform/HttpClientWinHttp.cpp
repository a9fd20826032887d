// The WinHTTP back end of HttpClient.

#include "dorsa/platform/HttpTransferPrivate.h"
#include "dorsa/platform/WideText.h"
#include "dorsa/platform/WinHttpHandlesPrivate.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <optional>
#include <stdexcept>

namespace zvrtkDorsaServiceLayer {
namespace detail {

namespace {

constexpr DWORD s_timedOutSocket = 10060; // WSAETIMEDOUT: how some WinHTTP builds report a receive timeout
constexpr std::size_t s_readChunk = 64 * 1024;

bool IsTimeout(DWORD error)
{
    return error == ERROR_WINHTTP_TIMEOUT || error == s_timedOutSocket;
}

// WinHTTP's own text for an error, from the message table of winhttp.dll (or the system's
// for Winsock and system errors); empty when neither has one.
std::string SystemText(DWORD error)
{
    wchar_t* text = nullptr;
    const auto format = [&](DWORD source, HMODULE module) {
        return FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | source, module, error, 0,
                              reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    };
    const HMODULE winhttp = GetModuleHandleW(L"winhttp.dll");
    DWORD length = winhttp ? format(FORMAT_MESSAGE_FROM_HMODULE, winhttp) : 0;
    if (length == 0) {
        length = format(FORMAT_MESSAGE_FROM_SYSTEM, nullptr);
    }
    if (length == 0 || !text) {
        return std::string();
    }
    std::wstring wide(text, length);
    LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' ' || wide.back() == L'.')) {
        wide.pop_back();
    }
    try {
        return WideToUtf8(wide);
    } catch (const std::range_error&) {
        return std::string();
    }
}

struct ErrorMeaning {
    DWORD code;
    const char* text;
};

// What the common failures mean to a caller; the rest take WinHTTP's own text.
const ErrorMeaning s_errorMeanings[] = {
    {ERROR_WINHTTP_TIMEOUT, "the operation timed out"},
    {ERROR_WINHTTP_NAME_NOT_RESOLVED, "the server name could not be resolved"},
    {ERROR_WINHTTP_CANNOT_CONNECT, "could not connect to the server"},
    {ERROR_WINHTTP_CONNECTION_ERROR, "the connection was closed or reset before the reply was complete"},
    {ERROR_WINHTTP_INVALID_SERVER_RESPONSE, "the server's reply is not valid HTTP"},
    {ERROR_WINHTTP_INVALID_URL, "the URL is not valid"},
    {ERROR_WINHTTP_UNRECOGNIZED_SCHEME, "the URL's scheme is neither http nor https"},
    {ERROR_WINHTTP_SECURE_FAILURE, "the server's certificate is not trusted or not valid"},
    {ERROR_WINHTTP_SECURE_CHANNEL_ERROR, "the TLS handshake failed"},
    {ERROR_WINHTTP_SECURE_INVALID_CA, "the server's certificate comes from an untrusted authority"},
    {ERROR_WINHTTP_SECURE_CERT_CN_INVALID, "the server's certificate is for another host name"},
    {ERROR_WINHTTP_SECURE_CERT_DATE_INVALID, "the server's certificate has expired or is not yet valid"},
    {ERROR_WINHTTP_CLIENT_AUTH_CERT_NEEDED, "the server asks for a client certificate"},
    {ERROR_WINHTTP_OPERATION_CANCELLED, "cancelled"},
    {ERROR_WINHTTP_AUTODETECTION_FAILED, "the proxy could not be detected"},
    {ERROR_WINHTTP_UNABLE_TO_DOWNLOAD_SCRIPT, "the proxy configuration script could not be downloaded"},
    {ERROR_WINHTTP_BAD_AUTO_PROXY_SCRIPT, "the proxy configuration script failed"},
    {ERROR_NOT_ENOUGH_MEMORY, "out of memory"},
};

// "<meaning>: <WinHTTP's text> (WinHTTP error <code>)".
std::string DescribeError(DWORD error)
{
    std::string described;
    for (const ErrorMeaning& meaning : s_errorMeanings) {
        if (meaning.code == error) {
            described = meaning.text;
        }
    }
    const std::string system = SystemText(error);
    if (!system.empty()) {
        described += described.empty() ? system : ": " + system;
    }
    if (described.empty()) {
        described = "transfer failed";
    }
    return described + " (WinHTTP error " + std::to_string(error) + ")";
}

// A gzip or deflate reply body decoded while it arrives, for a WinHTTP that does not
// decode it itself. The decoded bytes go to the reply, so its size limit applies to them.
class ReplyInflater final {
public:
    enum class Kind { Gzip, Deflate };

    explicit ReplyInflater(Kind kind) : m_kind(kind) {}
    ~ReplyInflater()
    {
        if (m_started) {
            inflateEnd(&m_stream);
        }
    }
    ReplyInflater(const ReplyInflater&) = delete;
    ReplyInflater& operator=(const ReplyInflater&) = delete;

    // False when the data is not what its encoding says (Error() tells) or the reply
    // passed its limit.
    bool Feed(const char* data, std::size_t length, ReplyCollector& reply)
    {
        if (!m_started && !Start(data, length)) {
            return Fail("zlib could not start");
        }
        m_stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        m_stream.avail_in = static_cast<uInt>(length);
        // Bytes after the end of the compressed stream are not part of the body.
        while (m_stream.avail_in > 0 && !m_ended) {
            char out[s_readChunk];
            m_stream.next_out = reinterpret_cast<Bytef*>(out);
            m_stream.avail_out = sizeof out;
            const int result = inflate(&m_stream, Z_NO_FLUSH);
            const std::size_t produced = sizeof out - m_stream.avail_out;
            if (result != Z_OK && result != Z_STREAM_END && !(result == Z_BUF_ERROR && produced > 0)) {
                return Fail(std::string("the compressed reply is damaged: ") +
                            (m_stream.msg ? m_stream.msg : "zlib error " + std::to_string(result)));
            }
            if (produced > 0 && !reply.Take(out, produced)) {
                return false;
            }
            m_ended = result == Z_STREAM_END;
        }
        return true;
    }

    // False when the reply ended inside the compressed data.
    bool Finish() { return m_ended || Fail("the compressed reply ended early"); }

    const std::string& Error() const { return m_error; }

private:
    // gzip, or deflate with its zlib wrapper; some servers send "deflate" without the
    // wrapper, which the first two bytes tell (a wrapper's header is a multiple of 31).
    bool Start(const char* data, std::size_t length)
    {
        int windowBits = 15 + 32;
        if (m_kind == Kind::Deflate) {
            const unsigned first = length > 0 ? static_cast<unsigned char>(data[0]) : 0x78;
            const unsigned second = length > 1 ? static_cast<unsigned char>(data[1]) : 0x9C;
            const bool wrapped = (first & 0x0F) == 8 && (first * 256 + second) % 31 == 0;
            windowBits = wrapped ? 15 : -15;
        }
        m_started = inflateInit2(&m_stream, windowBits) == Z_OK;
        return m_started;
    }

    bool Fail(const std::string& error)
    {
        if (m_error.empty()) {
            m_error = error;
        }
        return false;
    }

    Kind m_kind;
    z_stream m_stream{};
    bool m_started = false;
    bool m_ended = false;
    std::string m_error;
};

// The parts of a URL a request needs.
struct CrackedUrl {
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring pathAndQuery;
    bool secure = false;
};

std::optional<CrackedUrl> CrackUrl(const std::wstring& url)
{
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = static_cast<DWORD>(-1);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) {
        return std::nullopt;
    }
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
        return std::nullopt;
    }
    CrackedUrl cracked;
    cracked.host.assign(parts.lpszHostName, parts.dwHostNameLength);
    cracked.port = parts.nPort;
    cracked.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    if (parts.lpszUrlPath) {
        cracked.pathAndQuery.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    }
    if (parts.lpszExtraInfo) {
        cracked.pathAndQuery.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    }
    if (cracked.pathAndQuery.empty()) {
        cracked.pathAndQuery = L"/";
    }
    return cracked;
}

// Header bytes widened one by one: WinHTTP narrows them back the same way, so what the
// caller gave goes on the wire unchanged.
std::wstring WidenBytes(const std::string& bytes)
{
    std::wstring wide;
    wide.reserve(bytes.size());
    for (const char c : bytes) {
        wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return wide;
}

std::wstring RequestHeaders(const std::vector<HttpMessage::Header>& fields, bool askForCompression)
{
    std::wstring lines;
    for (const HttpMessage::Header& header : fields) {
        lines += WidenBytes(header.first) + L": " + WidenBytes(header.second) + L"\r\n";
    }
    if (askForCompression) {
        lines += L"Accept-Encoding: gzip, deflate\r\n";
    }
    return lines;
}

// A proxy given as a URL ("http://host:port/") in the form WinHTTP takes ("host:port").
std::wstring ProxyServerName(const std::string& proxy)
{
    std::string name = proxy;
    const std::size_t scheme = name.find("://");
    if (scheme != std::string::npos) {
        name.erase(0, scheme + 3);
    }
    const std::size_t path = name.find('/');
    if (path != std::string::npos) {
        name.erase(path);
    }
    return WidenBytes(name);
}

// A bypass list with commas (as libcurl takes it) in WinHTTP's form, with semicolons.
std::wstring ProxyBypassList(const std::string& bypass)
{
    std::wstring list = WidenBytes(bypass);
    std::replace(list.begin(), list.end(), L',', L';');
    return list;
}

// The schemes a logon may answer with, strongest first.
std::vector<DWORD> LogonSchemes(Logon logon)
{
    switch (logon) {
    case Logon::Password:
        return {WINHTTP_AUTH_SCHEME_NTLM, WINHTTP_AUTH_SCHEME_DIGEST, WINHTTP_AUTH_SCHEME_BASIC};
    case Logon::CurrentUser:
        // The current user's log-on: Kerberos through Negotiate, or NTLM where that is all
        // the server offers, both with the process's own credentials.
        return {WINHTTP_AUTH_SCHEME_NEGOTIATE, WINHTTP_AUTH_SCHEME_NTLM};
    case Logon::None:
        break;
    }
    return {};
}

DWORD ChooseScheme(DWORD offered, const TransferSettings& settings, const std::string& url)
{
    for (const DWORD scheme : LogonSchemes(settings.logon)) {
        if (scheme == WINHTTP_AUTH_SCHEME_BASIC && RefusesBasicFor(settings, url)) {
            continue;
        }
        if (offered & scheme) {
            return scheme;
        }
    }
    return 0;
}

// Milliseconds for one WinHTTP wait: the limit of its step, cut to what is left of the
// call's deadline; 0 (no limit) when neither applies.
int StepTimeout(long limitMs, const std::optional<Clock::time_point>& deadline)
{
    long timeout = limitMs > 0 ? limitMs : 0;
    if (deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now()).count();
        const long leftMs = static_cast<long>(std::clamp<long long>(left, 1, 0x7fffffffLL));
        timeout = timeout > 0 ? std::min(timeout, leftMs) : leftMs;
    }
    return static_cast<int>(timeout);
}

void CALLBACK OnStatus(HINTERNET, DWORD_PTR context, DWORD status, void*, DWORD)
{
    auto* guard = reinterpret_cast<StallGuard*>(context);
    if (guard && !guard->IsConnected() &&
        (status == WINHTTP_CALLBACK_STATUS_CONNECTED_TO_SERVER || status == WINHTTP_CALLBACK_STATUS_SENDING_REQUEST)) {
        guard->OnConnected();
    }
}

// One call: the request handle and what has been learnt on it.
class Exchange final {
public:
    Exchange(const TransferSettings& settings, StallGuard& guard)
        : m_settings(settings), m_guard(guard)
    {
        if (settings.callDeadlineMs > 0) {
            m_deadline = Clock::now() + std::chrono::milliseconds(settings.callDeadlineMs);
        }
    }

    // Why the call failed while sending (connecting included) or receiving, with the
    // error WinHTTP left.
    std::string Failure(bool sending, DWORD error)
    {
        if (IsTimeout(error)) {
            if (!m_guard.CheckDeadline()) {
                return m_guard.Reason();
            }
            if (sending && !m_guard.IsConnected()) {
                return "Timed out: could not connect within " + std::to_string(m_settings.connectTimeoutMs) + " ms";
            }
            return "Timed out: no data " + std::string(sending ? "sent" : "received") + " for " +
                   std::to_string(sending ? m_settings.sendStallMs : m_settings.receiveStallMs) + " ms";
        }
        if (error == ERROR_WINHTTP_CANNOT_CONNECT || error == ERROR_WINHTTP_NAME_NOT_RESOLVED) {
            return "Failed to connect: " + DescribeError(error);
        }
        return DescribeError(error);
    }

    // Sets the waits for the next step.
    bool SetTimeouts(HINTERNET request, bool receiving)
    {
        const int connect = StepTimeout(m_settings.connectTimeoutMs, m_deadline);
        const int send = StepTimeout(m_settings.sendStallMs, m_deadline);
        const int receive = StepTimeout(m_settings.receiveStallMs, m_deadline);
        // Before the connection is made, the send and receive waits are cut to the connect
        // wait only by WinHTTP's own ordering; the deadline bounds them all.
        DWORD responseWait = static_cast<DWORD>(receive);
        return WinHttpSetTimeouts(request, connect, connect, receiving ? receive : send, receive) &&
               WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseWait, sizeof responseWait);
    }

private:
    const TransferSettings& m_settings;
    StallGuard& m_guard;
    std::optional<Clock::time_point> m_deadline;
};

class WinHttpBackend final : public HttpBackend {
public:
    explicit WinHttpBackend(const Endpoint& endpoint) : m_endpoint(endpoint) {}

    HttpClient::SendRequestResult Send(const std::string& url, eHttpVerb verb, HttpMessage& message,
                                       const TransferSettings& settings) override;
    void ForgetConnections() override
    {
        {
            std::lock_guard<std::mutex> lock(m_sessionMutex);
            m_session.reset();
        }
        m_pool.Clear();
    }

private:
    // The session of @p generation, made when there is none or the current one is older.
    std::shared_ptr<WinHttpSession> SessionFor(unsigned generation, std::string& error);
    std::shared_ptr<WinHttpSession> OpenSession(unsigned generation, std::string& error) const;

    Endpoint m_endpoint;
    std::mutex m_sessionMutex;
    std::shared_ptr<WinHttpSession> m_session;
    WinHttpConnectionPool m_pool;
};

std::shared_ptr<WinHttpSession> WinHttpBackend::OpenSession(unsigned generation, std::string& error) const
{
    auto session = std::make_shared<WinHttpSession>();
    session->generation = generation;
    const wchar_t* agent = L"DorsaServiceLayer";
    if (!m_endpoint.proxy.empty()) {
        const std::wstring proxy = ProxyServerName(m_endpoint.proxy);
        const std::wstring bypass = ProxyBypassList(m_endpoint.proxyBypass);
        session->handle.reset(WinHttpOpen(agent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, proxy.c_str(),
                                          bypass.empty() ? WINHTTP_NO_PROXY_BYPASS : bypass.c_str(), 0));
    } else {
        // The system's proxy settings, automatic configuration included, where Windows
        // offers that; else the WinHTTP default proxy setting.
        session->handle.reset(
            WinHttpOpen(agent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
        if (!session->handle) {
            session->handle.reset(WinHttpOpen(agent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                              WINHTTP_NO_PROXY_BYPASS, 0));
        }
    }
    if (!session->handle) {
        error = "WinHTTP could not open a session: " + DescribeError(GetLastError());
        return nullptr;
    }
    HINTERNET handle = session->handle.get();
    DWORD redirects = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    DWORD connections = static_cast<DWORD>(WinHttpConnectionPool::s_maxIdle);
    DWORD decompression = WINHTTP_DECOMPRESSION_FLAG_ALL;
    // A redirect is handed back as the reply it is, so neither the body nor a credential
    // ever goes anywhere but the session's URL.
    if (!WinHttpSetOption(handle, WINHTTP_OPTION_REDIRECT_POLICY, &redirects, sizeof redirects)) {
        error = "WinHTTP refused to turn redirects off: " + DescribeError(GetLastError());
        return nullptr;
    }
    WinHttpSetOption(handle, WINHTTP_OPTION_MAX_CONNS_PER_SERVER, &connections, sizeof connections);
    session->decompresses = WinHttpSetOption(handle, WINHTTP_OPTION_DECOMPRESSION, &decompression, sizeof decompression);
    return session;
}

std::shared_ptr<WinHttpSession> WinHttpBackend::SessionFor(unsigned generation, std::string& error)
{
    std::lock_guard<std::mutex> lock(m_sessionMutex);
    if (!m_session || m_session->generation < generation) {
        m_session = OpenSession(generation, error);
    }
    return m_session;
}

// What one exchange on a request handle came to.
struct Reply {
    DWORD statusCode = 0;
    DWORD offeredSchemes = 0;
    DWORD authTarget = 0;
};

bool ReadStatus(HINTERNET request, Reply& reply)
{
    DWORD size = sizeof reply.statusCode;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                             &reply.statusCode, &size, WINHTTP_NO_HEADER_INDEX)) {
        return false;
    }
    reply.offeredSchemes = 0;
    if (reply.statusCode == 401 || reply.statusCode == 407) {
        DWORD first = 0;
        if (!WinHttpQueryAuthSchemes(request, &reply.offeredSchemes, &first, &reply.authTarget)) {
            reply.offeredSchemes = 0;
        }
    }
    return true;
}

std::wstring TextHeader(HINTERNET request, DWORD which)
{
    DWORD size = 0;
    WinHttpQueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &size,
                        WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) {
        return std::wstring();
    }
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (!WinHttpQueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, &text[0], &size, WINHTTP_NO_HEADER_INDEX)) {
        return std::wstring();
    }
    text.resize(size / sizeof(wchar_t));
    return text;
}

std::int64_t DeclaredLength(HINTERNET request)
{
    const std::wstring text = TextHeader(request, WINHTTP_QUERY_CONTENT_LENGTH);
    if (text.empty() || text.find_first_not_of(L"0123456789") != std::wstring::npos || text.size() > 18) {
        return -1;
    }
    return static_cast<std::int64_t>(std::wcstoll(text.c_str(), nullptr, 10));
}

std::wstring Lowered(std::wstring text)
{
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c - L'A' + L'a');
        }
    }
    text.erase(0, text.find_first_not_of(L" \t"));
    text.erase(text.find_last_not_of(L" \t") + 1);
    return text;
}

HttpClient::SendRequestResult WinHttpBackend::Send(const std::string& url, eHttpVerb verb, HttpMessage& message,
                                                   const TransferSettings& settings)
{
    StallGuard guard(settings);
    Exchange exchange(settings, guard);
    const auto fail = [&](const std::string& reason) {
        message.SetConnected(guard.IsConnected());
        message.SetTransportError(reason);
        return HttpClient::SendRequest_Failed;
    };
    std::wstring wideUrl;
    try {
        wideUrl = Utf8ToWide(url);
    } catch (const std::range_error&) {
        return fail("the URL is not valid UTF-8");
    }
    const std::optional<CrackedUrl> target = CrackUrl(wideUrl);
    if (!target) {
        return fail("the URL is not an http or https URL: " + url);
    }
    std::string error;
    const std::shared_ptr<WinHttpSession> session = SessionFor(settings.generation, error);
    if (!session) {
        return fail(error);
    }
    PooledConnection connection = m_pool.Acquire(session, target->host, target->port);
    if (!connection.handle) {
        connection.handle.reset(WinHttpConnect(session->handle.get(), target->host.c_str(), target->port, 0));
        if (!connection.handle) {
            return fail("WinHTTP could not make a connection handle: " + DescribeError(GetLastError()));
        }
    }
    // The request handle closes before the connection goes back to the pool.
    std::optional<HttpClient::SendRequestResult> result;
    {
        InternetHandle request(WinHttpOpenRequest(connection.handle.get(), verb == eHttpVerb_Post ? L"POST" : L"GET",
                                                  target->pathAndQuery.c_str(), nullptr, WINHTTP_NO_REFERER,
                                                  WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                  target->secure ? WINHTTP_FLAG_SECURE : 0));
        if (!request) {
            return fail("WinHTTP could not make a request: " + DescribeError(GetLastError()));
        }
        HINTERNET const handle = request.get();
        if (m_endpoint.ignoreCertificateErrors) {
            DWORD flags = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID |
                          SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE;
            WinHttpSetOption(handle, WINHTTP_OPTION_SECURITY_FLAGS, &flags, sizeof flags);
        }
        if (settings.logon == Logon::CurrentUser) {
            DWORD policy = WINHTTP_AUTOLOGON_SECURITY_LEVEL_LOW;
            WinHttpSetOption(handle, WINHTTP_OPTION_AUTOLOGON_POLICY, &policy, sizeof policy);
        }
        WinHttpSetStatusCallback(handle, &OnStatus,
                                 WINHTTP_CALLBACK_FLAG_CONNECT_TO_SERVER | WINHTTP_CALLBACK_FLAG_SEND_REQUEST, 0);
        const std::wstring headers = RequestHeaders(message.GetRequestHeaders(), !session->decompresses);
        const SmartPtr<HttpMessageBuffer> body = message.AccessRequestBody();
        void* const bodyData = verb == eHttpVerb_Post && body ? const_cast<char*>(body->GetData()) : nullptr;
        const DWORD bodyLength = bodyData ? static_cast<DWORD>(body->GetLength()) : 0;
        const std::wstring password = [&] {
            try {
                return Utf8ToWide(settings.password);
            } catch (const std::range_error&) {
                return std::wstring();
            }
        }();
        const std::wstring user = [&] {
            try {
                return Utf8ToWide(settings.user);
            } catch (const std::range_error&) {
                return std::wstring();
            }
        }();
        const auto setCredentials = [&](DWORD scheme) {
            if (settings.logon == Logon::CurrentUser) {
                return WinHttpSetCredentials(handle, WINHTTP_AUTH_TARGET_SERVER, scheme, nullptr, nullptr, nullptr) != FALSE;
            }
            return WinHttpSetCredentials(handle, WINHTTP_AUTH_TARGET_SERVER, scheme, user.c_str(), password.c_str(),
                                         nullptr) != FALSE;
        };
        if (settings.logon == Logon::Password && connection.acceptedScheme == WINHTTP_AUTH_SCHEME_BASIC &&
            !RefusesBasicFor(settings, url)) {
            setCredentials(WINHTTP_AUTH_SCHEME_BASIC);
        }

        Reply reply;
        DWORD triedScheme = 0;
        bool refusedCleartext = false;
        for (int round = 0; round < 4; ++round) {
            if (!exchange.SetTimeouts(handle, false)) {
                return fail("WinHTTP refused the timeouts: " + DescribeError(GetLastError()));
            }
            if (!WinHttpSendRequest(handle, headers.c_str(), static_cast<DWORD>(-1), bodyData, bodyLength, bodyLength,
                                    reinterpret_cast<DWORD_PTR>(&guard))) {
                return fail(exchange.Failure(true, GetLastError()));
            }
            if (!guard.IsConnected()) {
                guard.OnConnected();
            }
            if (!exchange.SetTimeouts(handle, true)) {
                return fail("WinHTTP refused the timeouts: " + DescribeError(GetLastError()));
            }
            if (!WinHttpReceiveResponse(handle, nullptr)) {
                return fail(exchange.Failure(false, GetLastError()));
            }
            if (!ReadStatus(handle, reply)) {
                return fail(DescribeError(GetLastError()));
            }
            if (reply.statusCode != 401 || settings.logon == Logon::None) {
                break;
            }
            connection.acceptedScheme = 0;
            const DWORD scheme = ChooseScheme(reply.offeredSchemes, settings, url);
            if (scheme == 0) {
                refusedCleartext = RefusesBasicFor(settings, url) && (reply.offeredSchemes & WINHTTP_AUTH_SCHEME_BASIC);
                break;
            }
            // Refused with the scheme it was answered with: the credentials are wrong.
            if (scheme == triedScheme || !setCredentials(scheme)) {
                break;
            }
            triedScheme = scheme;
        }
        if (refusedCleartext) {
            return fail(s_cleartextRefusal);
        }
        if (reply.statusCode >= 200 && reply.statusCode < 300 && triedScheme != 0) {
            connection.acceptedScheme = triedScheme;
        }

        // The body, decoded here when WinHTTP does not.
        ReplyCollector collected(settings.maxReplySize);
        std::optional<ReplyInflater> inflater;
        if (!session->decompresses) {
            const std::wstring encoding = Lowered(TextHeader(handle, WINHTTP_QUERY_CONTENT_ENCODING));
            if (encoding == L"gzip" || encoding == L"x-gzip") {
                inflater.emplace(ReplyInflater::Kind::Gzip);
            } else if (encoding == L"deflate") {
                inflater.emplace(ReplyInflater::Kind::Deflate);
            }
        }
        const std::int64_t declared = DeclaredLength(handle);
        if (!inflater) {
            collected.ReserveForDeclaredLength(declared);
        }
        std::uint64_t received = 0;
        std::string chunk(s_readChunk, '\0');
        bool tooLarge = false;
        for (;;) {
            if (!exchange.SetTimeouts(handle, true)) {
                return fail("WinHTTP refused the timeouts: " + DescribeError(GetLastError()));
            }
            DWORD read = 0;
            if (!WinHttpReadData(handle, &chunk[0], static_cast<DWORD>(chunk.size()), &read)) {
                return fail(exchange.Failure(false, GetLastError()));
            }
            if (read == 0) {
                break;
            }
            received += read;
            const bool kept = inflater ? inflater->Feed(chunk.data(), read, collected) : collected.Take(chunk.data(), read);
            if (collected.IsTooLarge()) {
                tooLarge = true;
                break;
            }
            if (!kept) {
                return fail(inflater->Error());
            }
            if (!guard.CheckDeadline()) {
                return fail(guard.Reason());
            }
        }
        message.SetConnected(true);
        if (tooLarge) {
            result = RecordCutOffReply(message, collected, static_cast<int>(reply.statusCode), settings.maxReplySize);
        } else if (declared >= 0 && received < static_cast<std::uint64_t>(declared)) {
            return fail("the connection was closed before the whole reply arrived (" + std::to_string(received) + " of " +
                        std::to_string(declared) + " bytes)");
        } else if (inflater && !inflater->Finish()) {
            return fail(inflater->Error());
        } else {
            message.SetHttpCode(static_cast<int>(reply.statusCode));
            message.SetResponseBody(collected.TakeBody());
            result = HttpClient::SendRequest_Ok;
        }
    }
    m_pool.Release(std::move(connection));
    return *result;
}

} // namespace

std::unique_ptr<HttpBackend> MakeHttpBackend(const Endpoint& endpoint)
{
    return std::unique_ptr<HttpBackend>(new WinHttpBackend(endpoint));
}

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
