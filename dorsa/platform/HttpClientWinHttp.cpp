// The WinHTTP back end of HttpClient.

#include "dorsa/platform/HttpTransferPrivate.h"
#include "dorsa/platform/WideText.h"
#include "dorsa/platform/WinHttpClientCertificatePrivate.h"
#include "dorsa/platform/WinHttpTrustPrivate.h"
#include "dorsa/platform/WinHttpHandlesPrivate.h"

#include <wincrypt.h>
#include <zlib.h>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <optional>
#include <stdexcept>
#include <thread>

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
    // Also what some WinHTTP builds report for a connection closed or reset before the reply.
    {ERROR_WINHTTP_INVALID_SERVER_RESPONSE, "no valid HTTP reply: the connection was closed or reset, or the reply is not HTTP"},
    {ERROR_WINHTTP_INVALID_URL, "the URL is not valid"},
    {ERROR_WINHTTP_UNRECOGNIZED_SCHEME, "the URL's scheme is neither http nor https"},
    {ERROR_WINHTTP_SECURE_FAILURE, "the server's certificate is not trusted or not valid"},
    {ERROR_WINHTTP_SECURE_CHANNEL_ERROR, "the TLS handshake failed: the server's certificate was refused, or no TLS version and cipher were agreed"},
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

// The schemes a proxy logon may answer with, strongest first.
DWORD ChooseProxyScheme(DWORD offered, const TransferSettings& settings)
{
    if (settings.proxyUser.empty()) {
        return 0;
    }
    for (const DWORD scheme : {WINHTTP_AUTH_SCHEME_NTLM, WINHTTP_AUTH_SCHEME_BASIC}) {
        if (offered & scheme) {
            return scheme;
        }
    }
    return 0;
}

std::wstring WideOrEmpty(const std::string& utf8)
{
    try {
        return Utf8ToWide(utf8);
    } catch (const std::range_error&) {
        return std::wstring();
    }
}

// Holds an SRW lock exclusively for one scope.
class LockGuard final {
public:
    explicit LockGuard(SRWLOCK& lock) : m_lock(lock) { AcquireSRWLockExclusive(&m_lock); }
    ~LockGuard() { ReleaseSRWLockExclusive(&m_lock); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    SRWLOCK& m_lock;
};

// One request handle, driven asynchronously: the calling thread starts each step and
// waits for WinHTTP's callback, for a cancel or for the call's deadline, whichever comes
// first. The object lives until WinHTTP closes the handle (its last callback), so a call
// that returns early leaves nothing a late callback could touch: the buffers WinHTTP
// reads into and sends from are the object's own.
class AsyncRequest final {
public:
    enum class Outcome { Done, Failed, Cancelled, PastDeadline };

    static std::shared_ptr<AsyncRequest> Open(HINTERNET connection, const wchar_t* verb, const CrackedUrl& target,
                                              DWORD& error)
    {
        std::shared_ptr<AsyncRequest> request(new AsyncRequest);
        request->m_handle = WinHttpOpenRequest(connection, verb, target.pathAndQuery.c_str(), nullptr,
                                               WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                               target.secure ? WINHTTP_FLAG_SECURE : 0);
        if (!request->m_handle) {
            error = GetLastError();
            return nullptr;
        }
        DWORD_PTR context = reinterpret_cast<DWORD_PTR>(request.get());
        const DWORD events = WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES |
                             WINHTTP_CALLBACK_FLAG_CONNECT_TO_SERVER | WINHTTP_CALLBACK_FLAG_SEND_REQUEST |
                             WINHTTP_CALLBACK_FLAG_SECURE_FAILURE;
        if (!WinHttpSetOption(request->m_handle, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context) ||
            WinHttpSetStatusCallback(request->m_handle, &OnStatus, events, 0) == WINHTTP_INVALID_STATUS_CALLBACK) {
            error = GetLastError();
            request->Close();
            return nullptr;
        }
        request->m_self = request; // released by the handle's last callback
        return request;
    }

    ~AsyncRequest() = default;
    AsyncRequest(const AsyncRequest&) = delete;
    AsyncRequest& operator=(const AsyncRequest&) = delete;

    HINTERNET Handle() const { return m_handle; }
    bool IsConnected() const { return m_connected.load(); }

    // Closes the handle once; WinHTTP ends what is pending and then calls back a last time.
    void Close()
    {
        if (!m_closed.exchange(true)) {
            WinHttpCloseHandle(m_handle);
        }
    }

    // Wakes the waiting thread for a cancel; only signals, from any thread.
    void Wake()
    {
        LockGuard lock(m_lock);
        m_woken = true;
        WakeAllConditionVariable(&m_changed);
    }

    // Starts a step: @p start calls WinHTTP and returns its result. The error is in
    // Error() when the step failed at once or later.
    template <class Start>
    Outcome Run(Start start, const std::optional<Clock::time_point>& deadline)
    {
        {
            LockGuard lock(m_lock);
            m_finished = false;
            m_error = 0;
            m_bytes = 0;
            if (m_woken) {
                return Outcome::Cancelled;
            }
        }
        if (!start()) {
            m_error = GetLastError();
            return Outcome::Failed;
        }
        LockGuard lock(m_lock);
        while (!m_finished && !m_woken) {
            DWORD wait = INFINITE;
            if (deadline) {
                const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
                if (left <= 0) {
                    return Outcome::PastDeadline;
                }
                wait = static_cast<DWORD>(std::min<long long>(left, INFINITE - 1));
            }
            SleepConditionVariableSRW(&m_changed, &m_lock, wait, 0);
        }
        if (m_woken) {
            return Outcome::Cancelled;
        }
        return m_error == 0 ? Outcome::Done : Outcome::Failed;
    }

    DWORD Error() const { return m_error; }
    DWORD Bytes() const { return m_bytes; }
    // What WinHTTP found wrong with the server's certificate (WINHTTP_CALLBACK_STATUS_FLAG_*).
    DWORD CertificateFaults() const { return m_certificateFaults.load(); }
    std::vector<char>& ReadBuffer() { return m_readBuffer; }
    std::vector<char>& WriteBuffer() { return m_writeBuffer; }
    // Keeps the request body alive while WinHTTP may still send from it.
    void KeepBody(SmartPtr<HttpMessageBuffer> body) { m_body = std::move(body); }

private:
    AsyncRequest() : m_readBuffer(s_readChunk), m_writeBuffer(s_readChunk) {}

    void Finish(DWORD error, DWORD bytes)
    {
        LockGuard lock(m_lock);
        m_finished = true;
        m_error = error;
        m_bytes = bytes;
        WakeAllConditionVariable(&m_changed);
    }

    static void CALLBACK OnStatus(HINTERNET, DWORD_PTR context, DWORD status, void* information, DWORD length)
    {
        auto* request = reinterpret_cast<AsyncRequest*>(context);
        if (!request) {
            return;
        }
        switch (status) {
        case WINHTTP_CALLBACK_STATUS_CONNECTED_TO_SERVER:
        case WINHTTP_CALLBACK_STATUS_SENDING_REQUEST:
            request->m_connected = true;
            break;
        case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
        case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
            request->Finish(0, 0);
            break;
        case WINHTTP_CALLBACK_STATUS_WRITE_COMPLETE:
        case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
            request->Finish(0, information ? *static_cast<DWORD*>(information) : 0);
            break;
        case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
            request->Finish(0, length);
            break;
        case WINHTTP_CALLBACK_STATUS_SECURE_FAILURE:
            request->m_certificateFaults = information ? *static_cast<DWORD*>(information) : 0;
            break;
        case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR: {
            const auto* result = static_cast<WINHTTP_ASYNC_RESULT*>(information);
            request->Finish(result && result->dwError != 0 ? result->dwError : ERROR_WINHTTP_INTERNAL_ERROR, 0);
            break;
        }
        case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING: {
            // The last callback: the object goes with this reference, unless a waiting
            // call still holds one.
            const std::shared_ptr<AsyncRequest> last = std::move(request->m_self);
            break;
        }
        default:
            break;
        }
    }

    HINTERNET m_handle = nullptr;
    std::atomic<bool> m_closed{false};
    std::atomic<bool> m_connected{false};
    std::atomic<DWORD> m_certificateFaults{0};
    std::shared_ptr<AsyncRequest> m_self;
    // Windows' own lock and condition, not the C++ runtime's: WinHTTP calls back on its
    // own threads, which the process may end at exit at any point, and the runtime's
    // thread emulation keeps state for every thread that touches it.
    SRWLOCK m_lock = SRWLOCK_INIT;
    CONDITION_VARIABLE m_changed = CONDITION_VARIABLE_INIT;
    bool m_finished = false;
    bool m_woken = false;
    DWORD m_error = 0;
    DWORD m_bytes = 0;
    std::vector<char> m_readBuffer;
    std::vector<char> m_writeBuffer;
    SmartPtr<HttpMessageBuffer> m_body;
};

// What a request sends: the message's body, or for a PUT the file it names, read as it
// goes out. Rewound for every round of a logon.
class BodySource final {
public:
    BodySource(const HttpMessage& message, eHttpVerb verb)
    {
        if (verb == eHttpVerb_Put && !message.GetRequestBodyFile().empty()) {
            m_path = message.GetRequestBodyFile();
        } else if (verb != eHttpVerb_Get) {
            m_memory = message.AccessRequestBody();
        }
    }
    ~BodySource()
    {
        if (m_file) {
            std::fclose(m_file);
        }
    }
    BodySource(const BodySource&) = delete;
    BodySource& operator=(const BodySource&) = delete;

    // Opens the file; false (with the reason) when it cannot be read or is too large.
    bool Open(std::string& error)
    {
        if (m_path.empty()) {
            m_length = m_memory ? m_memory->GetLength() : 0;
            return true;
        }
        const std::wstring path = WideOrEmpty(m_path);
        m_file = path.empty() ? nullptr : _wfopen(path.c_str(), L"rb");
        struct _stat64 status {};
        if (!m_file || _fstat64(_fileno(m_file), &status) != 0) {
            error = "Not sent: the file " + m_path + " cannot be read";
            return false;
        }
        if (static_cast<std::uint64_t>(status.st_size) > 0xFFFFFFFEull) {
            error = "Not sent: the file " + m_path + " is larger than WinHTTP sends in one request (4 GB)";
            return false;
        }
        m_length = static_cast<std::uint64_t>(status.st_size);
        return true;
    }

    DWORD Length() const { return static_cast<DWORD>(m_length); }
    bool Rewind()
    {
        m_sent = 0;
        return !m_file || std::fseek(m_file, 0, SEEK_SET) == 0;
    }
    // The next piece to send (empty at the end); false when the file cannot be read.
    bool Next(std::vector<char>& buffer, const char*& data, DWORD& length)
    {
        const std::uint64_t left = m_length - m_sent;
        length = static_cast<DWORD>(std::min<std::uint64_t>(left, buffer.size()));
        if (m_file) {
            if (length > 0 && std::fread(buffer.data(), 1, length, m_file) != length) {
                return false;
            }
            data = buffer.data();
        } else {
            data = m_memory ? m_memory->GetData() + m_sent : nullptr;
        }
        m_sent += length;
        return true;
    }
    const std::string& Path() const { return m_path; }
    SmartPtr<HttpMessageBuffer> Memory() const { return m_memory; }
    // The whole body when it is in memory; null for a file (or no body).
    const char* WholeInMemory() const { return m_memory && m_memory->GetLength() > 0 ? m_memory->GetData() : nullptr; }

private:
    std::string m_path;
    SmartPtr<HttpMessageBuffer> m_memory;
    std::FILE* m_file = nullptr;
    std::uint64_t m_length = 0;
    std::uint64_t m_sent = 0;
};

const wchar_t* VerbName(eHttpVerb verb)
{
    switch (verb) {
    case eHttpVerb_Post:
        return L"POST";
    case eHttpVerb_Put:
        return L"PUT";
    default:
        return L"GET";
    }
}

// Something read from files, kept while the settings that name them (the source) stay the
// same and read again when they change.
template <class Loaded>
class ReadOnce final {
public:
    // The thing for @p source, read by @p load (which returns "" or why not) when the source
    // changed; null, with the reason in @p error, when it cannot be read.
    template <class Load>
    std::shared_ptr<const Loaded> For(const std::vector<std::string>& source, Load load, std::string& error)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_loaded || m_source != source) {
            auto loaded = std::make_shared<Loaded>();
            error = load(*loaded);
            if (!error.empty()) {
                return nullptr;
            }
            m_loaded = std::move(loaded);
            m_source = source;
        }
        return m_loaded;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_source;
    std::shared_ptr<const Loaded> m_loaded;
};

class WinHttpBackend final : public HttpBackend {
public:
    explicit WinHttpBackend(const Endpoint& endpoint) : m_endpoint(endpoint) {}

    HttpClient::SendRequestResult Send(const std::string& url, eHttpVerb verb, HttpMessage& message,
                                       const TransferSettings& settings, CancelScope& cancel) override;
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
    // The authorities of the settings, read once per file and folder, and the client
    // certificate, read once per files and password.
    ReadOnce<TrustedAuthorities> m_trust;
    ReadOnce<ClientCertificate> m_clientCertificate;
};

// A session with the proxy the user set by hand in the Windows settings, or with WinHTTP's
// default proxy setting when there is none.
InternetHandle OpenWithUserProxy(const wchar_t* agent)
{
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
    InternetHandle session;
    if (WinHttpGetIEProxyConfigForCurrentUser(&config)) {
        if (config.lpszProxy && *config.lpszProxy) {
            session.reset(WinHttpOpen(agent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, config.lpszProxy,
                                      config.lpszProxyBypass ? config.lpszProxyBypass : WINHTTP_NO_PROXY_BYPASS,
                                      WINHTTP_FLAG_ASYNC));
        }
        for (wchar_t* text : {config.lpszAutoConfigUrl, config.lpszProxy, config.lpszProxyBypass}) {
            if (text) {
                GlobalFree(text);
            }
        }
    }
    if (!session) {
        session.reset(WinHttpOpen(agent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                  WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC));
    }
    return session;
}

std::shared_ptr<WinHttpSession> WinHttpBackend::OpenSession(unsigned generation, std::string& error) const
{
    auto session = std::make_shared<WinHttpSession>();
    session->generation = generation;
    const wchar_t* agent = L"DorsaServiceLayer";
    switch (m_endpoint.proxyMode) {
    case ProxyMode::Url: {
        const std::wstring proxy = ProxyServerName(m_endpoint.proxy);
        const std::wstring bypass = ProxyBypassList(m_endpoint.proxyBypass);
        session->handle.reset(WinHttpOpen(agent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, proxy.c_str(),
                                          bypass.empty() ? WINHTTP_NO_PROXY_BYPASS : bypass.c_str(),
                                          WINHTTP_FLAG_ASYNC));
        break;
    }
    case ProxyMode::Direct:
        session->handle.reset(WinHttpOpen(agent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                          WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC));
        break;
    case ProxyMode::Environment:
        // The system's proxy settings, automatic configuration included, where Windows
        // offers that (8.1 and later); before, the user's manually set proxy, else none.
        session->handle.reset(WinHttpOpen(agent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                                          WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC));
        if (!session->handle) {
            session->handle = OpenWithUserProxy(agent);
        }
        break;
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

std::wstring LoweredTrimmed(std::wstring text)
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

// The certificate faults WinHTTP reported, in words; "" for none.
std::string CertificateFaultText(DWORD faults)
{
    static const ErrorMeaning s_faults[] = {
        {WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA, "the server's certificate comes from an untrusted authority"},
        {WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID, "the server's certificate is for another host name"},
        {WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID, "the server's certificate has expired or is not yet valid"},
        {WINHTTP_CALLBACK_STATUS_FLAG_CERT_REVOKED, "the server's certificate has been revoked"},
        {WINHTTP_CALLBACK_STATUS_FLAG_CERT_REV_FAILED, "the server's certificate could not be checked for revocation"},
        {WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CERT, "the server's certificate is not valid"},
    };
    std::string text;
    for (const ErrorMeaning& fault : s_faults) {
        if (faults & fault.code) {
            text += (text.empty() ? "" : "; ") + std::string(fault.text);
        }
    }
    return text;
}

// One call on one request handle: its steps, each waited for with the call's deadline
// and cancel in view, and the reason it failed.
class Call final {
public:
    Call(const TransferSettings& settings, StallGuard& guard, CancelScope& cancel)
        : m_settings(settings), m_guard(guard), m_cancel(cancel)
    {
        if (settings.callDeadlineMs > 0) {
            m_deadline = Clock::now() + std::chrono::milliseconds(settings.callDeadlineMs);
        }
    }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;
    ~Call()
    {
        if (m_request) {
            m_request->Close();
        }
    }

    void Attach(std::shared_ptr<AsyncRequest> request)
    {
        m_request = std::move(request);
        const std::shared_ptr<AsyncRequest> woken = m_request;
        m_cancel.Arm([woken] { woken->Wake(); });
    }
    HINTERNET Handle() const { return m_request->Handle(); }
    AsyncRequest& Request() { return *m_request; }
    const std::string& Failure() const { return m_failure; }
    // Whether the last step failed because WinHTTP wants the request sent again (an
    // authentication handshake that goes on while the body was written piece by piece).
    bool MustResend() const { return m_request->Error() == ERROR_WINHTTP_RESEND_REQUEST; }

    // Runs one step (sending, connecting included, or receiving); false with Failure() set
    // when it did not finish well.
    template <class Start>
    bool Step(bool sending, Start start)
    {
        if (m_cancel.IsCancelled()) {
            m_failure = HttpClient::s_cancelledReason;
            return false;
        }
        if (!SetTimeouts(sending)) {
            m_failure = "WinHTTP refused the timeouts: " + DescribeError(GetLastError());
            return false;
        }
        const AsyncRequest::Outcome outcome = m_request->Run(start, m_deadline);
        if (m_request->IsConnected() && !m_guard.IsConnected()) {
            m_guard.OnConnected();
        }
        switch (outcome) {
        case AsyncRequest::Outcome::Done:
            return true;
        case AsyncRequest::Outcome::Cancelled:
            m_failure = HttpClient::s_cancelledReason;
            return false;
        case AsyncRequest::Outcome::PastDeadline:
            m_guard.CheckDeadline();
            m_failure = m_guard.Reason().empty() ? "Timed out: the call passed its deadline" : m_guard.Reason();
            return false;
        case AsyncRequest::Outcome::Failed:
            break;
        }
        m_failure = Describe(sending, m_request->Error());
        return false;
    }

    bool Fail(const std::string& reason)
    {
        m_failure = reason;
        return false;
    }

private:
    std::string Describe(bool sending, DWORD error)
    {
        if (IsTimeout(error)) {
            if (m_deadlineBinds && m_deadline) {
                // WinHTTP's wait was cut to the deadline and may end a moment before it.
                std::this_thread::sleep_until(*m_deadline + std::chrono::milliseconds(1));
            }
            if (!m_guard.CheckDeadline()) {
                return m_guard.Reason();
            }
            if (sending && !m_guard.IsConnected()) {
                return "Timed out: could not connect within " + std::to_string(m_settings.connectTimeoutMs) + " ms";
            }
            return "Timed out: no data " + std::string(sending ? "sent" : "received") + " for " +
                   std::to_string(sending ? m_settings.sendStallMs : m_settings.receiveStallMs) + " ms";
        }
        if (error == ERROR_WINHTTP_OPERATION_CANCELLED && m_cancel.IsCancelled()) {
            return HttpClient::s_cancelledReason;
        }
        if (error == ERROR_WINHTTP_CANNOT_CONNECT || error == ERROR_WINHTTP_NAME_NOT_RESOLVED) {
            return "Failed to connect: " + DescribeError(error);
        }
        const std::string faults = CertificateFaultText(m_request->CertificateFaults());
        return faults.empty() ? DescribeError(error) : faults + " (WinHTTP error " + std::to_string(error) + ")";
    }

    // The waits of the next step, each cut to what is left of the deadline so that WinHTTP
    // gives up on its own about when the call does.
    bool SetTimeouts(bool sending)
    {
        const int connect = StepTimeout(m_settings.connectTimeoutMs, m_deadline);
        const int send = StepTimeout(m_settings.sendStallMs, m_deadline);
        const int receive = StepTimeout(m_settings.receiveStallMs, m_deadline);
        const long limit = !sending ? m_settings.receiveStallMs
                                    : m_guard.IsConnected() ? m_settings.sendStallMs : m_settings.connectTimeoutMs;
        const int cut = sending ? (m_guard.IsConnected() ? send : connect) : receive;
        m_deadlineBinds = m_deadline.has_value() && (limit <= 0 || cut < limit);
        DWORD responseWait = static_cast<DWORD>(receive);
        HINTERNET handle = m_request->Handle();
        return WinHttpSetTimeouts(handle, connect, connect, sending ? send : receive, receive) &&
               WinHttpSetOption(handle, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseWait, sizeof responseWait);
    }

    const TransferSettings& m_settings;
    StallGuard& m_guard;
    CancelScope& m_cancel;
    std::optional<Clock::time_point> m_deadline;
    // Whether the waits of the current step were cut to the deadline.
    bool m_deadlineBinds = false;
    std::shared_ptr<AsyncRequest> m_request;
    std::string m_failure;
};

HttpClient::SendRequestResult WinHttpBackend::Send(const std::string& url, eHttpVerb verb, HttpMessage& message,
                                                   const TransferSettings& settings, CancelScope& cancel)
{
    StallGuard guard(settings);
    const auto fail = [&](const std::string& reason) {
        message.SetConnected(guard.IsConnected());
        message.SetTransportError(reason);
        return HttpClient::SendRequest_Failed;
    };
    const std::wstring wideUrl = WideOrEmpty(url);
    const std::optional<CrackedUrl> target = CrackUrl(wideUrl);
    if (!target) {
        return fail("the URL is not an http or https URL: " + url);
    }
    std::string error;
    std::shared_ptr<const ClientCertificate> clientCertificate;
    if (target->secure && !settings.clientCertificateFile.empty()) {
        clientCertificate = m_clientCertificate.For(
            {settings.clientCertificateFile, settings.clientKeyFile, settings.clientKeyPassword},
            [&](ClientCertificate& loaded) {
                return loaded.Load(settings.clientCertificateFile, settings.clientKeyFile, settings.clientKeyPassword);
            },
            error);
        if (!clientCertificate) {
            return fail(ClientCertificateFailure(settings, error));
        }
    }
    std::shared_ptr<const TrustedAuthorities> trust;
    if (target->secure && (!settings.caFile.empty() || !settings.caFolder.empty())) {
        trust = m_trust.For(
            {settings.caFile, settings.caFolder},
            [&](TrustedAuthorities& loaded) { return loaded.Load(settings.caFile, settings.caFolder); }, error);
        if (!trust) {
            return fail("Not sent: " + error);
        }
    }
    BodySource body(message, verb);
    if (!body.Open(error)) {
        return fail(error);
    }
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
    DWORD openError = 0;
    std::shared_ptr<AsyncRequest> request = AsyncRequest::Open(connection.handle.get(), VerbName(verb), *target, openError);
    if (!request) {
        return fail("WinHTTP could not make a request: " + DescribeError(openError));
    }
    request->KeepBody(body.Memory());
    Call call(settings, guard, cancel);
    call.Attach(std::move(request));
    const HINTERNET handle = call.Handle();
    if (m_endpoint.ignoreCertificateErrors || trust) {
        // With authorities of its own the client checks the chain itself, before any body goes out.
        // Its check covers the authority, the host name and the dates, and names what failed.
        DWORD flags = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID |
                      SECURITY_FLAG_IGNORE_CERT_CN_INVALID;
        if (!trust) {
            flags |= SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE;
        }
        WinHttpSetOption(handle, WINHTTP_OPTION_SECURITY_FLAGS, &flags, sizeof flags);
    }
    if (clientCertificate) {
        WinHttpSetOption(handle, WINHTTP_OPTION_CLIENT_CERT_CONTEXT, const_cast<CERT_CONTEXT*>(clientCertificate->Context()),
                         sizeof(CERT_CONTEXT));
    }
    if (settings.logon == Logon::CurrentUser) {
        DWORD policy = WINHTTP_AUTOLOGON_SECURITY_LEVEL_LOW;
        WinHttpSetOption(handle, WINHTTP_OPTION_AUTOLOGON_POLICY, &policy, sizeof policy);
    }
    const std::wstring headers = RequestHeaders(message.GetRequestHeaders(), !session->decompresses);
    const std::wstring user = WideOrEmpty(settings.user);
    const std::wstring password = WideOrEmpty(settings.password);
    const std::wstring proxyUser = WideOrEmpty(settings.proxyUser);
    const std::wstring proxyPassword = WideOrEmpty(settings.proxyPassword);
    const auto setCredentials = [&](DWORD target, DWORD scheme) {
        if (target == WINHTTP_AUTH_TARGET_PROXY) {
            return WinHttpSetCredentials(handle, target, scheme, proxyUser.c_str(), proxyPassword.c_str(), nullptr) !=
                   FALSE;
        }
        if (settings.logon == Logon::CurrentUser) {
            return WinHttpSetCredentials(handle, target, scheme, nullptr, nullptr, nullptr) != FALSE;
        }
        return WinHttpSetCredentials(handle, target, scheme, user.c_str(), password.c_str(), nullptr) != FALSE;
    };
    // Basic goes with the first request once the server asked for it, though not before
    // the client has checked the server's certificate itself.
    if (settings.logon == Logon::Password && connection.acceptedScheme == WINHTTP_AUTH_SCHEME_BASIC &&
        !RefusesBasicFor(settings, url) && !trust) {
        setCredentials(WINHTTP_AUTH_TARGET_SERVER, WINHTTP_AUTH_SCHEME_BASIC);
    }

    // One exchange: the request line and headers, the server's certificate checked where
    // the client has authorities of its own, the body, the reply's headers.
    const auto exchange = [&]() -> bool {
        if (!body.Rewind()) {
            return call.Fail("Not sent: the file " + body.Path() + " cannot be read");
        }
        // A body in memory goes with the request, so that WinHTTP can send it again by itself
        // in the middle of a handshake (NTLM, Negotiate). One from a file, or any body while
        // the client checks the certificate itself, is written after the request.
        const char* whole = trust ? nullptr : body.WholeInMemory();
        if (!call.Step(true, [&] {
                return WinHttpSendRequest(handle, headers.c_str(), static_cast<DWORD>(-1),
                                          const_cast<char*>(whole), whole ? body.Length() : 0, body.Length(), 0);
            })) {
            return false;
        }
        if (trust) {
            PCCERT_CONTEXT certificate = nullptr;
            DWORD size = sizeof certificate;
            if (!WinHttpQueryOption(handle, WINHTTP_OPTION_SERVER_CERT_CONTEXT, &certificate, &size) || !certificate) {
                return call.Fail("the server's certificate could not be read: " + DescribeError(GetLastError()));
            }
            const std::string untrusted = trust->Check(certificate, target->host, settings.caWithSystemStore);
            CertFreeCertificateContext(certificate);
            if (!untrusted.empty()) {
                return call.Fail(untrusted);
            }
        }
        while (!whole) {
            const char* data = nullptr;
            DWORD length = 0;
            if (!body.Next(call.Request().WriteBuffer(), data, length)) {
                return call.Fail("the file " + body.Path() + " could not be read to the end");
            }
            if (length == 0) {
                break;
            }
            if (!call.Step(true, [&] { return WinHttpWriteData(handle, data, length, nullptr); })) {
                return false;
            }
        }
        return call.Step(false, [&] { return WinHttpReceiveResponse(handle, nullptr); });
    };

    Reply reply;
    DWORD triedScheme = 0;
    DWORD triedProxyScheme = 0;
    bool refusedCleartext = false;
    const int rounds = 6;
    for (int round = 0; round < rounds; ++round) {
        if (!exchange()) {
            if (call.MustResend() && round + 1 < rounds) {
                continue;
            }
            return fail(call.Failure());
        }
        if (!ReadStatus(handle, reply)) {
            return fail(DescribeError(GetLastError()));
        }
        if (reply.statusCode == 407) {
            const DWORD scheme = ChooseProxyScheme(reply.offeredSchemes, settings);
            if (scheme == 0 || scheme == triedProxyScheme || !setCredentials(WINHTTP_AUTH_TARGET_PROXY, scheme)) {
                break;
            }
            triedProxyScheme = scheme;
            continue;
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
        if (scheme == triedScheme || !setCredentials(WINHTTP_AUTH_TARGET_SERVER, scheme)) {
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
        const std::wstring encoding = LoweredTrimmed(TextHeader(handle, WINHTTP_QUERY_CONTENT_ENCODING));
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
    std::vector<char>& chunk = call.Request().ReadBuffer();
    // Once the declared length is in, nothing more is asked for: bytes a server sends past
    // it are no part of the reply, and asking may wait for data that never comes.
    while (declared < 0 || received < static_cast<std::uint64_t>(declared)) {
        // What is there is asked for first and then read: a read of more than is there
        // may wait for the rest on the calling thread, where no cancel reaches it.
        if (!call.Step(false, [&] { return WinHttpQueryDataAvailable(handle, nullptr); })) {
            return fail(call.Failure());
        }
        DWORD available = std::min(call.Request().Bytes(), static_cast<DWORD>(chunk.size()));
        if (declared >= 0) {
            available = static_cast<DWORD>(std::min<std::uint64_t>(available, static_cast<std::uint64_t>(declared) - received));
        }
        if (available == 0) {
            break;
        }
        if (!call.Step(false, [&] { return WinHttpReadData(handle, chunk.data(), available, nullptr); })) {
            return fail(call.Failure());
        }
        const DWORD read = call.Request().Bytes();
        if (read == 0) {
            break;
        }
        received += read;
        const bool kept = inflater ? inflater->Feed(chunk.data(), read, collected) : collected.Take(chunk.data(), read);
        if (collected.IsTooLarge()) {
            // The rest is not read: the request handle closes with the call, and its socket with it.
            message.SetConnected(true);
            return RecordCutOffReply(message, collected, static_cast<int>(reply.statusCode), settings.maxReplySize);
        }
        if (!kept) {
            return fail(inflater->Error());
        }
    }
    message.SetConnected(true);
    if (declared >= 0 && received < static_cast<std::uint64_t>(declared)) {
        // WinHTTP ends the body quietly when the connection closes before its declared length.
        return fail("transfer closed with " + std::to_string(static_cast<std::uint64_t>(declared) - received) +
                    " bytes remaining to read");
    }
    if (inflater && !inflater->Finish()) {
        return fail(inflater->Error());
    }
    message.SetHttpCode(static_cast<int>(reply.statusCode));
    message.SetResponseBody(collected.TakeBody());
    m_pool.Release(std::move(connection));
    return HttpClient::SendRequest_Ok;
}

} // namespace

std::unique_ptr<HttpBackend> MakeHttpBackend(const Endpoint& endpoint)
{
    return std::unique_ptr<HttpBackend>(new WinHttpBackend(endpoint));
}

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
