#include "dorsa/platform/HttpClient.h"
#include "dorsa/platform/CurlHandlesPrivate.h"
#include "dorsa/platform/WideText.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <mutex>

namespace zvrtkDorsaServiceLayer {

namespace {

using Clock = std::chrono::steady_clock;

struct TransferSettings {
    long connectTimeoutMs = 0;
    long sendStallMs = 0;
    long receiveStallMs = 0;
    long httpAuth = CURLAUTH_NONE;
    std::string user;
    std::string password;
    // The password in Latin-1, for NTLM; empty when it is plain ASCII or has no such form.
    std::string latin1Password;
    std::size_t maxReplySize = HttpClient::s_defaultMaxReplySize;
    long callDeadlineMs = HttpClient::s_defaultCallDeadlineMs;
    bool refuseCleartextCredentials = false;
    unsigned generation = 0;
};

struct ReplySink {
    SmartPtr<HttpMessageBuffer> body = new HttpMessageBuffer;
    std::size_t maxSize = 0;
    bool tooLarge = false;
    CURL* handle = nullptr;
    bool sized = false;
};

// Room for the whole body at once when the reply says how long it is, so it is never
// copied while it grows. A length past the limit reserves nothing: the reply is cut
// off at the limit anyway, and a lying length must not make the client allocate.
void ReserveForDeclaredLength(ReplySink& sink)
{
    sink.sized = true;
    curl_off_t declared = -1;
    if (curl_easy_getinfo(sink.handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &declared) == CURLE_OK && declared > 0 &&
        static_cast<std::size_t>(declared) <= sink.maxSize) {
        sink.body->Reserve(static_cast<std::size_t>(declared));
    }
}

// Makes room for `needed` bytes. Capacities are the limit + 1 halved a whole number of
// times, so the last step lands on the limit exactly: growing never holds more than
// 1.5 times the limit, where doubling past it could hold three times.
void GrowFor(ReplySink& sink, std::size_t needed)
{
    if (needed <= sink.body->GetCapacity()) {
        return;
    }
    std::size_t capacity = sink.maxSize + 1;
    while (capacity / 2 >= needed && capacity / 2 >= 2 * sink.body->GetCapacity()) {
        capacity /= 2;
    }
    sink.body->Regrow(std::max(capacity, needed));
}

// Keeps at most maxSize + 1 bytes, so a reader can tell that the limit was passed.
size_t CollectReply(char* data, size_t size, size_t count, void* userData)
{
    auto* sink = static_cast<ReplySink*>(userData);
    if (!sink->sized) {
        ReserveForDeclaredLength(*sink);
    }
    const size_t length = size * count;
    const size_t room = sink->maxSize - sink->body->GetLength();
    const size_t taken = std::min(length, room + 1);
    GrowFor(*sink, sink->body->GetLength() + taken);
    sink->body->Append(data, taken);
    if (taken == length) {
        return length;
    }
    sink->tooLarge = true;
    return 0; // makes libcurl stop the transfer
}

// Ends a transfer on which no byte has moved for longer than the limit of its
// direction. The clock starts once the connection is ready, so a slow connect is
// judged by the connect timeout alone.
struct StallGuard {
    long sendLimitMs = 0;
    long receiveLimitMs = 0;
    long deadlineMs = 0; // 0: none
    Clock::time_point started = Clock::now();
    bool connected = false;
    curl_off_t uploaded = 0;
    curl_off_t downloaded = 0;
    Clock::time_point lastMove;
    std::string reason; // set when the guard ended the transfer
};

int OnRequestReady(void* userData, char*, char*, int, int)
{
    auto* guard = static_cast<StallGuard*>(userData);
    guard->connected = true;
    guard->lastMove = Clock::now();
    return CURL_PREREQFUNC_OK;
}

int OnProgress(void* userData, curl_off_t, curl_off_t downloaded, curl_off_t uploadTotal, curl_off_t uploaded)
{
    auto* guard = static_cast<StallGuard*>(userData);
    const Clock::time_point now = Clock::now();
    if (guard->deadlineMs > 0 && now - guard->started > std::chrono::milliseconds(guard->deadlineMs)) {
        guard->reason = "Timed out: the call passed its deadline of " + std::to_string(guard->deadlineMs) + " ms";
        return 1;
    }
    if (!guard->connected || uploaded != guard->uploaded || downloaded != guard->downloaded) {
        guard->uploaded = uploaded;
        guard->downloaded = downloaded;
        guard->lastMove = now;
        return 0;
    }
    const bool sending = uploaded < uploadTotal;
    const long limitMs = sending ? guard->sendLimitMs : guard->receiveLimitMs;
    if (now - guard->lastMove <= std::chrono::milliseconds(limitMs)) {
        return 0;
    }
    guard->reason = "Timed out: no data " + std::string(sending ? "sent" : "received") + " for " +
                    std::to_string(limitMs) + " ms";
    return 1; // makes libcurl abort the transfer
}

bool IsPlainHttp(const std::string& url)
{
    static const char s_scheme[] = "http://";
    return url.size() >= sizeof s_scheme - 1 &&
           std::equal(s_scheme, s_scheme + sizeof s_scheme - 1, url.begin(),
                      [](char expected, char c) { return expected == std::tolower(static_cast<unsigned char>(c)); });
}

// The mechanism libcurl itself picks among those offered, strongest first.
unsigned long StrongestMechanism(unsigned long offered)
{
    for (const unsigned long mechanism : {CURLAUTH_NEGOTIATE, CURLAUTH_NTLM, CURLAUTH_DIGEST, CURLAUTH_BASIC}) {
        if (offered & mechanism) {
            return mechanism;
        }
    }
    return CURLAUTH_NONE;
}

// Why a header cannot be sent, or "" when it can: a CR or LF in a value would let it
// write a header of its own, so no control character goes on the wire at all.
std::string UnsafeHeader(const HttpMessage::Header& header)
{
    const auto isControl = [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; };
    const auto isNameBreaker = [&](char c) { return isControl(c) || c == ':' || c == ' '; };
    const std::string& name = header.first;
    if (name.empty() || std::any_of(name.begin(), name.end(), isNameBreaker)) {
        return "the header name \"" + name + "\" is not a valid name";
    }
    if (std::any_of(header.second.begin(), header.second.end(), isControl)) {
        return "the value of header " + name + " holds a control character";
    }
    return std::string();
}

// The Latin-1 bytes of a UTF-8 text that goes beyond ASCII but not beyond U+00FF;
// empty otherwise.
std::string Latin1BeyondAscii(const std::string& utf8)
{
    std::string latin1;
    bool beyondAscii = false;
    for (std::size_t at = 0; at < utf8.size(); ++at) {
        const unsigned char lead = static_cast<unsigned char>(utf8[at]);
        if (lead < 0x80) {
            latin1 += static_cast<char>(lead);
            continue;
        }
        const unsigned char next = at + 1 < utf8.size() ? static_cast<unsigned char>(utf8[at + 1]) : 0;
        if ((lead != 0xC2 && lead != 0xC3) || (next & 0xC0) != 0x80) {
            return std::string();
        }
        latin1 += static_cast<char>(((lead & 0x03) << 6) | (next & 0x3F));
        beyondAscii = true;
        ++at;
    }
    return beyondAscii ? latin1 : std::string();
}

long ClampToLong(long long value)
{
    return static_cast<long>(std::clamp<long long>(value, 0, 0x7fffffffLL));
}

} // namespace

struct HttpClient::State {
    std::string baseUrl;
    std::string proxy;
    std::string proxyBypass;
    bool ignoreCertificateErrors = false;
    mutable std::mutex mutex; // guards the settings pointer
    // Never changed in place: a change replaces it, so a call keeps the settings it
    // started with by holding on to the pointer.
    std::shared_ptr<const TransferSettings> settings = std::make_shared<TransferSettings>();
    detail::CurlHandlePool pool;

    std::shared_ptr<const TransferSettings> Snapshot() const
    {
        std::lock_guard<std::mutex> lock(mutex);
        return settings;
    }

    template <class Change>
    void Update(Change change)
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto changed = std::make_shared<TransferSettings>(*settings);
        change(*changed);
        settings = std::move(changed);
    }

    // A new identity: connections authenticated as the old one must not be reused.
    void ChangeIdentity(long httpAuth, std::string user, std::string password)
    {
        Update([&](TransferSettings& changed) {
            changed.httpAuth = httpAuth;
            changed.user = std::move(user);
            changed.latin1Password = Latin1BeyondAscii(password);
            changed.password = std::move(password);
            ++changed.generation;
        });
        pool.Clear();
    }
};

SmartPtr<HttpClient> HttpClient::CreateOneFromURL(ILogging* /*logging*/, const std::wstring& url,
                                                  const std::wstring& proxy, const std::wstring& proxyBypass,
                                                  bool ignoreCertificateErrors)
{
    return new HttpClient(url, proxy, proxyBypass, ignoreCertificateErrors);
}

HttpClient::HttpClient(const std::wstring& url, const std::wstring& proxy, const std::wstring& proxyBypass,
                       bool ignoreCertificateErrors)
    : m_state(new State)
{
    m_state->baseUrl = WideToUtf8(url);
    m_state->proxy = WideToUtf8(proxy);
    m_state->proxyBypass = WideToUtf8(proxyBypass);
    m_state->ignoreCertificateErrors = ignoreCertificateErrors;
}

HttpClient::~HttpClient() = default;

void HttpClient::SetTimeouts(int resolve, int connect, int send, int receive)
{
    m_state->Update([&](TransferSettings& changed) {
        changed.connectTimeoutMs = ClampToLong(static_cast<long long>(resolve) + connect);
        changed.sendStallMs = std::max(ClampToLong(send), 1L);
        changed.receiveStallMs = std::max(ClampToLong(receive), 1L);
    });
}

void HttpClient::ApplyCredentials(const std::wstring& user, const std::wstring& password)
{
    m_state->ChangeIdentity(CURLAUTH_BASIC | CURLAUTH_DIGEST | CURLAUTH_NTLM, WideToUtf8(user), WideToUtf8(password));
}

void HttpClient::SetAutologonPolicy(bool enable, bool /*allowOnAllHosts*/)
{
    m_state->ChangeIdentity(enable ? CURLAUTH_NEGOTIATE : CURLAUTH_NONE, std::string(), std::string());
}

void HttpClient::SetCallDeadline(int milliseconds)
{
    m_state->Update([&](TransferSettings& changed) { changed.callDeadlineMs = ClampToLong(milliseconds); });
}

int HttpClient::GetCallDeadline() const
{
    return static_cast<int>(m_state->Snapshot()->callDeadlineMs);
}

void HttpClient::SetRefuseCleartextCredentials(bool refuse)
{
    m_state->Update([&](TransferSettings& changed) { changed.refuseCleartextCredentials = refuse; });
}

void HttpClient::SetMaxReplySize(std::size_t bytes)
{
    m_state->Update([&](TransferSettings& changed) { changed.maxReplySize = bytes; });
}

std::size_t HttpClient::GetMaxReplySize() const
{
    return m_state->Snapshot()->maxReplySize;
}

namespace {

// Basic over plain http hands the password to whoever answers: a session that refuses
// that leaves Basic out there.
bool RefusesBasicFor(const TransferSettings& settings, const std::string& url)
{
    return settings.refuseCleartextCredentials && IsPlainHttp(url);
}

unsigned long AllowedAuth(const detail::PooledHandle& pooled, const TransferSettings& settings, const std::string& url)
{
    unsigned long allowed = pooled.acceptedAuth != CURLAUTH_NONE ? pooled.acceptedAuth
                                                                 : static_cast<unsigned long>(settings.httpAuth);
    if (RefusesBasicFor(settings, url)) {
        allowed &= ~CURLAUTH_BASIC;
    }
    // Until a server is known to want NTLM, a password beyond ASCII is not offered to it:
    // libcurl's NTLM answer from the UTF-8 bytes can only fail, and counts as a failed
    // logon on the server. RetriesNtlmInLatin1 answers with the Latin-1 form instead.
    if (!pooled.ntlmLatin1 && !settings.latin1Password.empty()) {
        allowed &= ~CURLAUTH_NTLM;
    }
    return allowed;
}

// Sets every option of one transfer; false (with the reason in `error`) when libcurl refuses one.
// The options that never change are set once, on the handle's first call.
bool ConfigureTransfer(detail::PooledHandle& pooled, const std::string& url, eHttpVerb verb, const HttpMessage& message,
                       const TransferSettings& settings, const HttpClient::State& client, ReplySink& sink,
                       StallGuard& guard, std::string& error)
{
    CURL* handle = pooled.handle.get();
    const auto set = [&](CURLoption option, auto value) {
        const CURLcode code = curl_easy_setopt(handle, option, value);
        if (code != CURLE_OK && error.empty()) {
            error = curl_easy_strerror(code);
        }
    };
    if (!pooled.fixedOptionsSet) {
        // Only the web service's own schemes; a redirect is handed back as the reply it is,
        // so neither the body nor a credential ever goes anywhere but the session's URL.
        set(CURLOPT_PROTOCOLS_STR, "http,https");
        set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        set(CURLOPT_FOLLOWLOCATION, 0L);
        set(CURLOPT_UNRESTRICTED_AUTH, 0L);
        // NTLM and Negotiate need one connection for the whole handshake, which HTTP/2 does not give.
        set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
        set(CURLOPT_NOSIGNAL, 1L);
        set(CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
        set(CURLOPT_WRITEFUNCTION, &CollectReply);
        set(CURLOPT_TIMEOUT_MS, 0L);
        set(CURLOPT_PREREQFUNCTION, &OnRequestReady);
        set(CURLOPT_XFERINFOFUNCTION, &OnProgress);
        set(CURLOPT_NOPROGRESS, 0L);
        if (!client.proxy.empty()) {
            set(CURLOPT_PROXY, client.proxy.c_str());
            set(CURLOPT_NOPROXY, client.proxyBypass.c_str());
        }
        if (client.ignoreCertificateErrors) {
            set(CURLOPT_SSL_VERIFYPEER, 0L);
            set(CURLOPT_SSL_VERIFYHOST, 0L);
        }
        pooled.fixedOptionsSet = error.empty();
    }
    set(CURLOPT_URL, url.c_str());
    set(CURLOPT_HTTPHEADER, pooled.headers.get());
    set(CURLOPT_WRITEDATA, static_cast<void*>(&sink));
    set(CURLOPT_CONNECTTIMEOUT_MS, settings.connectTimeoutMs);
    guard.sendLimitMs = settings.sendStallMs;
    guard.receiveLimitMs = settings.receiveStallMs;
    guard.deadlineMs = settings.callDeadlineMs;
    set(CURLOPT_PREREQDATA, static_cast<void*>(&guard));
    set(CURLOPT_XFERINFODATA, static_cast<void*>(&guard));
    if (settings.httpAuth != CURLAUTH_NONE) {
        set(CURLOPT_HTTPAUTH, AllowedAuth(pooled, settings, url));
        set(CURLOPT_USERNAME, settings.user.c_str());
        set(CURLOPT_PASSWORD, pooled.ntlmLatin1 ? settings.latin1Password.c_str() : settings.password.c_str());
    }
    const SmartPtr<HttpMessageBuffer> body = message.AccessRequestBody();
    if (verb == eHttpVerb_Post) {
        set(CURLOPT_POST, 1L);
        set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body->GetLength()));
        set(CURLOPT_POSTFIELDS, body->GetData());
    } else if (verb == eHttpVerb_Get) {
        set(CURLOPT_HTTPGET, 1L);
    } else {
        error = "unsupported HTTP verb";
    }
    return error.empty();
}

// After a call that got through with one of several allowed mechanisms, the handle
// sends only that one: Basic then goes with the first request, Digest and NTLM reuse
// what they set up. A refusal with it opens the choice again.
void LearnAcceptedAuth(detail::PooledHandle& pooled, long allowed, long httpCode, unsigned long offered)
{
    if (httpCode == 401) {
        pooled.acceptedAuth = CURLAUTH_NONE;
        pooled.ntlmLatin1 = false;
    } else if (httpCode >= 200 && httpCode < 300 && pooled.acceptedAuth == CURLAUTH_NONE) {
        pooled.acceptedAuth = StrongestMechanism(offered & static_cast<unsigned long>(allowed));
    }
}

} // namespace

namespace {

// What one transfer on a handle came to.
struct Transfer {
    bool configured = false;
    std::string setupError;
    CURLcode performed = CURLE_OK;
    long httpCode = 0;
    unsigned long offeredAuth = CURLAUTH_NONE;
};

Transfer Perform(detail::PooledHandle& pooled, const std::string& url, eHttpVerb verb, const HttpMessage& message,
                 const TransferSettings& settings, const HttpClient::State& client, ReplySink& sink, StallGuard& guard)
{
    Transfer transfer;
    transfer.configured = ConfigureTransfer(pooled, url, verb, message, settings, client, sink, guard, transfer.setupError);
    if (!transfer.configured) {
        return transfer;
    }
    transfer.performed = curl_easy_perform(pooled.handle.get());
    long offered = CURLAUTH_NONE;
    if (curl_easy_getinfo(pooled.handle.get(), CURLINFO_RESPONSE_CODE, &transfer.httpCode) != CURLE_OK ||
        curl_easy_getinfo(pooled.handle.get(), CURLINFO_HTTPAUTH_AVAIL, &offered) != CURLE_OK) {
        transfer.httpCode = 0;
        offered = CURLAUTH_NONE;
    }
    transfer.offeredAuth = static_cast<unsigned long>(offered);
    return transfer;
}

// libcurl widens each byte of the password to one UTF-16 unit for NTLM, which is right
// for Latin-1 bytes only: when a server that offers NTLM refused a call with a password
// beyond ASCII, the call is tried once more with NTLM and the password's Latin-1 form,
// and the handle keeps that form for NTLM afterwards.
bool RetriesNtlmInLatin1(const Transfer& transfer, const detail::PooledHandle& pooled, const TransferSettings& settings)
{
    return transfer.performed == CURLE_OK && transfer.httpCode == 401 && !pooled.ntlmLatin1 &&
           !settings.latin1Password.empty() && (transfer.offeredAuth & CURLAUTH_NTLM) &&
           (static_cast<unsigned long>(settings.httpAuth) & CURLAUTH_NTLM);
}

// Gives the handle the header list for `fields`, made anew only when they differ from
// the last call's; false when libcurl runs out of memory for it.
bool UseHeaders(detail::PooledHandle& pooled, const std::vector<HttpMessage::Header>& fields)
{
    if (pooled.headers.get() && pooled.headerFields == fields) {
        return true;
    }
    detail::CurlHeaderList headers;
    for (const HttpMessage::Header& header : fields) {
        if (!headers.Append(header.first + ": " + header.second)) {
            return false;
        }
    }
    // No "Expect: 100-continue" round trip before the body.
    if (!headers.Append("Expect:")) {
        return false;
    }
    pooled.headers = std::move(headers);
    pooled.headerFields = fields;
    return true;
}

} // namespace

HttpClient::SendRequestResult HttpClient::SendRequest(const std::wstring& path, eHttpVerb verb,
                                                      SmartPtr<HttpMessage> message)
{
    if (!message) {
        return SendRequest_Failed;
    }
    message->SetResponseBody(nullptr);
    message->SetHttpCode(0);
    message->SetTransportError("");
    message->SetConnected(false);
    message->SetReplyCutOff(false);
    const auto fail = [&](const std::string& reason) {
        message->SetTransportError(reason);
        return SendRequest_Failed;
    };

    const CURLcode started = detail::CurlGlobalInit();
    if (started != CURLE_OK) {
        return fail(std::string("libcurl could not start: ") + curl_easy_strerror(started));
    }
    const std::shared_ptr<const TransferSettings> snapshot = m_state->Snapshot();
    const TransferSettings& settings = *snapshot;
    for (const HttpMessage::Header& header : message->GetRequestHeaders()) {
        const std::string unsafe = UnsafeHeader(header);
        if (!unsafe.empty()) {
            return fail("Not sent: " + unsafe);
        }
    }
    // Handles are not reset between calls: every option that can differ is set again,
    // and what libcurl keeps (connections, Digest state) is what makes the next call cheaper.
    detail::PooledHandle pooled = m_state->pool.Acquire(settings.generation);
    CURL* const handle = pooled.handle.get();
    if (!handle) {
        return fail("libcurl could not make a connection handle");
    }
    if (!UseHeaders(pooled, message->GetRequestHeaders())) {
        m_state->pool.Release(std::move(pooled));
        return fail("out of memory for the request headers");
    }
    char errorBuffer[CURL_ERROR_SIZE] = {};
    if (curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorBuffer) != CURLE_OK) {
        return fail("libcurl refused an error buffer");
    }

    const std::string url = m_state->baseUrl + WideToUtf8(path);
    ReplySink sink;
    StallGuard guard;
    const auto perform = [&] {
        sink = ReplySink();
        sink.maxSize = settings.maxReplySize;
        sink.handle = handle;
        guard = StallGuard();
        return Perform(pooled, url, verb, *message, settings, *m_state, sink, guard);
    };
    Transfer transfer = perform();
    if (RetriesNtlmInLatin1(transfer, pooled, settings)) {
        pooled.acceptedAuth = CURLAUTH_NTLM;
        pooled.ntlmLatin1 = true;
        transfer = perform();
    }
    LearnAcceptedAuth(pooled, settings.httpAuth, transfer.httpCode, transfer.offeredAuth);
    const bool refusedCleartext = transfer.httpCode == 401 && RefusesBasicFor(settings, url) &&
                                  settings.httpAuth != CURLAUTH_NONE && (transfer.offeredAuth & CURLAUTH_BASIC) &&
                                  !(transfer.offeredAuth & AllowedAuth(pooled, settings, url));
    // The error buffer lives in this frame: detach it before the handle goes back to the pool.
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, nullptr);
    m_state->pool.Release(std::move(pooled));
    message->SetConnected(guard.connected);
    if (!transfer.configured) {
        return fail(transfer.setupError);
    }

    if (sink.tooLarge) {
        message->SetHttpCode(static_cast<int>(transfer.httpCode));
        // The rest is nothing anyone can use; what is kept shows what the reply was.
        SmartPtr<HttpMessageBuffer> kept = new HttpMessageBuffer;
        kept->SetMessage(sink.body->GetData(), std::min(sink.body->GetLength(), s_keptPrefixOfRefusedReply));
        sink.body = nullptr;
        message->SetResponseBody(kept);
        message->SetReplyCutOff(true);
        message->SetTransportError("reply larger than " + std::to_string(settings.maxReplySize) + " bytes");
        return SendRequest_ReplyTooLarge;
    }
    if (!guard.reason.empty()) {
        return fail(guard.reason);
    }
    if (transfer.performed != CURLE_OK) {
        return fail(errorBuffer[0] != '\0' ? errorBuffer : curl_easy_strerror(transfer.performed));
    }
    if (refusedCleartext) {
        return fail("Not sent: the server asks for the password in clear text (Basic over http), which this session refuses");
    }
    message->SetHttpCode(static_cast<int>(transfer.httpCode));
    message->SetResponseBody(sink.body);
    return SendRequest_Ok;
}

} // namespace zvrtkDorsaServiceLayer
