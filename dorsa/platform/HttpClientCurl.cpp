// The libcurl back end of HttpClient.

#include "dorsa/platform/CurlHandlesPrivate.h"
#include "dorsa/platform/HttpTransferPrivate.h"

#include <algorithm>
#include <optional>

namespace zvrtkDorsaServiceLayer {
namespace detail {

namespace {

struct ReplySink {
    explicit ReplySink(std::size_t maxSize, CURL* handle) : reply(maxSize), handle(handle) {}

    ReplyCollector reply;
    CURL* handle;
    bool sized = false;
};

size_t CollectReply(char* data, size_t size, size_t count, void* userData)
{
    auto* sink = static_cast<ReplySink*>(userData);
    if (!sink->sized) {
        sink->sized = true;
        curl_off_t declared = -1;
        if (curl_easy_getinfo(sink->handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &declared) == CURLE_OK) {
            sink->reply.ReserveForDeclaredLength(declared);
        }
    }
    const size_t length = size * count;
    return sink->reply.Take(data, length) ? length : 0; // 0 makes libcurl stop the transfer
}

int OnRequestReady(void* userData, char*, char*, int, int)
{
    static_cast<StallGuard*>(userData)->OnConnected();
    return CURL_PREREQFUNC_OK;
}

int OnProgress(void* userData, curl_off_t, curl_off_t downloaded, curl_off_t uploadTotal, curl_off_t uploaded)
{
    auto* guard = static_cast<StallGuard*>(userData);
    const bool sending = uploaded < uploadTotal;
    // Non-zero makes libcurl abort the transfer.
    return guard->Check(static_cast<std::uint64_t>(uploaded), static_cast<std::uint64_t>(downloaded), sending) ? 0 : 1;
}

unsigned long LogonMechanisms(Logon logon)
{
    switch (logon) {
    case Logon::Password:
        return CURLAUTH_BASIC | CURLAUTH_DIGEST | CURLAUTH_NTLM;
    case Logon::CurrentUser:
        return CURLAUTH_NEGOTIATE;
    case Logon::None:
        break;
    }
    return CURLAUTH_NONE;
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

unsigned long AllowedAuth(const PooledHandle& pooled, const TransferSettings& settings, const std::string& url)
{
    unsigned long allowed = pooled.acceptedAuth != CURLAUTH_NONE ? pooled.acceptedAuth : LogonMechanisms(settings.logon);
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
bool ConfigureTransfer(PooledHandle& pooled, const std::string& url, eHttpVerb verb, const HttpMessage& message,
                       const TransferSettings& settings, const Endpoint& endpoint, ReplySink& sink, StallGuard& guard,
                       std::string& error)
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
        if (!endpoint.proxy.empty()) {
            set(CURLOPT_PROXY, endpoint.proxy.c_str());
            set(CURLOPT_NOPROXY, endpoint.proxyBypass.c_str());
        }
        if (endpoint.ignoreCertificateErrors) {
            set(CURLOPT_SSL_VERIFYPEER, 0L);
            set(CURLOPT_SSL_VERIFYHOST, 0L);
        }
        pooled.fixedOptionsSet = error.empty();
    }
    set(CURLOPT_URL, url.c_str());
    set(CURLOPT_HTTPHEADER, pooled.headers.get());
    set(CURLOPT_WRITEDATA, static_cast<void*>(&sink));
    set(CURLOPT_CONNECTTIMEOUT_MS, settings.connectTimeoutMs);
    set(CURLOPT_PREREQDATA, static_cast<void*>(&guard));
    set(CURLOPT_XFERINFODATA, static_cast<void*>(&guard));
    if (settings.logon != Logon::None) {
        set(CURLOPT_HTTPAUTH, AllowedAuth(pooled, settings, url));
        set(CURLOPT_USERNAME, settings.user.c_str());
        set(CURLOPT_PASSWORD, pooled.ntlmLatin1 ? settings.latin1Password.c_str() : settings.password.c_str());
    }
    const SmartPtr<HttpMessageBuffer> body = message.AccessRequestBody();
    if (verb == eHttpVerb_Post) {
        set(CURLOPT_POST, 1L);
        set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body->GetLength()));
        set(CURLOPT_POSTFIELDS, body->GetData());
    } else {
        set(CURLOPT_HTTPGET, 1L);
    }
    return error.empty();
}

// After a call that got through with one of several allowed mechanisms, the handle
// sends only that one: Basic then goes with the first request, Digest and NTLM reuse
// what they set up. A refusal with it opens the choice again.
void LearnAcceptedAuth(PooledHandle& pooled, const TransferSettings& settings, long httpCode, unsigned long offered)
{
    if (httpCode == 401) {
        pooled.acceptedAuth = CURLAUTH_NONE;
        pooled.ntlmLatin1 = false;
    } else if (httpCode >= 200 && httpCode < 300 && pooled.acceptedAuth == CURLAUTH_NONE) {
        pooled.acceptedAuth = StrongestMechanism(offered & LogonMechanisms(settings.logon));
    }
}

// What one transfer on a handle came to.
struct Transfer {
    bool configured = false;
    std::string setupError;
    CURLcode performed = CURLE_OK;
    long httpCode = 0;
    unsigned long offeredAuth = CURLAUTH_NONE;
};

Transfer Perform(PooledHandle& pooled, const std::string& url, eHttpVerb verb, const HttpMessage& message,
                 const TransferSettings& settings, const Endpoint& endpoint, ReplySink& sink, StallGuard& guard)
{
    Transfer transfer;
    transfer.configured =
        ConfigureTransfer(pooled, url, verb, message, settings, endpoint, sink, guard, transfer.setupError);
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
bool RetriesNtlmInLatin1(const Transfer& transfer, const PooledHandle& pooled, const TransferSettings& settings)
{
    return transfer.performed == CURLE_OK && transfer.httpCode == 401 && !pooled.ntlmLatin1 &&
           !settings.latin1Password.empty() && (transfer.offeredAuth & CURLAUTH_NTLM) &&
           (LogonMechanisms(settings.logon) & CURLAUTH_NTLM);
}

// Gives the handle the header list for `fields`, made anew only when they differ from
// the last call's; false when libcurl runs out of memory for it.
bool UseHeaders(PooledHandle& pooled, const std::vector<HttpMessage::Header>& fields)
{
    if (pooled.headers.get() && pooled.headerFields == fields) {
        return true;
    }
    CurlHeaderList headers;
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

class CurlBackend final : public HttpBackend {
public:
    explicit CurlBackend(const Endpoint& endpoint) : m_endpoint(endpoint) {}

    HttpClient::SendRequestResult Send(const std::string& url, eHttpVerb verb, HttpMessage& message,
                                       const TransferSettings& settings) override;
    void ForgetConnections() override { m_pool.Clear(); }

private:
    Endpoint m_endpoint;
    CurlHandlePool m_pool;
};

HttpClient::SendRequestResult CurlBackend::Send(const std::string& url, eHttpVerb verb, HttpMessage& message,
                                                const TransferSettings& settings)
{
    const auto fail = [&](const std::string& reason) {
        message.SetTransportError(reason);
        return HttpClient::SendRequest_Failed;
    };
    const CURLcode started = CurlGlobalInit();
    if (started != CURLE_OK) {
        return fail(std::string("libcurl could not start: ") + curl_easy_strerror(started));
    }
    // Handles are not reset between calls: every option that can differ is set again,
    // and what libcurl keeps (connections, Digest state) is what makes the next call cheaper.
    PooledHandle pooled = m_pool.Acquire(settings.generation);
    CURL* const handle = pooled.handle.get();
    if (!handle) {
        return fail("libcurl could not make a connection handle");
    }
    if (!UseHeaders(pooled, message.GetRequestHeaders())) {
        m_pool.Release(std::move(pooled));
        return fail("out of memory for the request headers");
    }
    char errorBuffer[CURL_ERROR_SIZE] = {};
    if (curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorBuffer) != CURLE_OK) {
        return fail("libcurl refused an error buffer");
    }

    std::optional<ReplySink> sink;
    std::optional<StallGuard> guard;
    const auto perform = [&] {
        sink.emplace(settings.maxReplySize, handle);
        guard.emplace(settings);
        return Perform(pooled, url, verb, message, settings, m_endpoint, *sink, *guard);
    };
    Transfer transfer = perform();
    if (RetriesNtlmInLatin1(transfer, pooled, settings)) {
        pooled.acceptedAuth = CURLAUTH_NTLM;
        pooled.ntlmLatin1 = true;
        transfer = perform();
    }
    LearnAcceptedAuth(pooled, settings, transfer.httpCode, transfer.offeredAuth);
    const bool refusedCleartext = transfer.httpCode == 401 && RefusesBasicFor(settings, url) &&
                                  settings.logon != Logon::None && (transfer.offeredAuth & CURLAUTH_BASIC) &&
                                  !(transfer.offeredAuth & AllowedAuth(pooled, settings, url));
    // The error buffer lives in this frame: detach it before the handle goes back to the pool.
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, nullptr);
    m_pool.Release(std::move(pooled));
    message.SetConnected(guard->IsConnected());
    if (!transfer.configured) {
        return fail(transfer.setupError);
    }
    if (sink->reply.IsTooLarge()) {
        return RecordCutOffReply(message, sink->reply, static_cast<int>(transfer.httpCode), settings.maxReplySize);
    }
    if (!guard->Reason().empty()) {
        return fail(guard->Reason());
    }
    if (transfer.performed != CURLE_OK) {
        return fail(errorBuffer[0] != '\0' ? errorBuffer : curl_easy_strerror(transfer.performed));
    }
    if (refusedCleartext) {
        return fail(s_cleartextRefusal);
    }
    message.SetHttpCode(static_cast<int>(transfer.httpCode));
    message.SetResponseBody(sink->reply.TakeBody());
    return HttpClient::SendRequest_Ok;
}

} // namespace

std::unique_ptr<HttpBackend> MakeHttpBackend(const Endpoint& endpoint)
{
    return std::unique_ptr<HttpBackend>(new CurlBackend(endpoint));
}

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
