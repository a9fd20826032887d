// The libcurl back end of HttpClient.

#include "dorsa/platform/CurlHandlesPrivate.h"
#include "dorsa/platform/HttpTransferPrivate.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>

namespace zvrtkDorsaServiceLayer {
namespace detail {

namespace {

struct ReplySink {
    explicit ReplySink(std::size_t maxSize, CURL* handle) : reply(maxSize), handle(handle) {}

    ReplyCollector reply;
    CURL* handle;
    bool sized = false;
};

// The body of a PUT: the message's request body, or its body file read as it goes out.
// Rewound when libcurl sends it again (an authentication handshake).
class RequestSource final {
public:
    // False, with the reason, when the file cannot be opened or sized.
    bool Open(const HttpMessage& message, std::string& error)
    {
        const std::string& path = message.GetRequestBodyFile();
        if (path.empty()) {
            m_body = message.AccessRequestBody();
            m_size = static_cast<curl_off_t>(m_body->GetLength());
            return true;
        }
        m_file.reset(std::fopen(path.c_str(), "rb"));
        if (!m_file || fseeko(m_file.get(), 0, SEEK_END) != 0 || (m_size = ftello(m_file.get())) < 0 ||
            fseeko(m_file.get(), 0, SEEK_SET) != 0) {
            error = "Not sent: the file " + path + " cannot be read";
            return false;
        }
        m_path = path;
        return true;
    }

    curl_off_t Size() const { return m_size; }
    const std::string& ReadError() const { return m_readError; }

    static size_t Read(char* buffer, size_t size, size_t count, void* userData)
    {
        auto* source = static_cast<RequestSource*>(userData);
        const size_t room = size * count;
        if (!source->m_file && !source->m_body) {
            return 0; // not a PUT: nothing to send this way
        }
        if (!source->m_file) {
            const size_t taken = std::min(room, source->m_body->GetLength() - source->m_offset);
            std::copy_n(source->m_body->GetData() + source->m_offset, taken, buffer);
            source->m_offset += taken;
            return taken;
        }
        const size_t read = std::fread(buffer, 1, room, source->m_file.get());
        if (read == 0 && std::ferror(source->m_file.get())) {
            source->m_readError = "the file " + source->m_path + " could not be read to its end";
            return CURL_READFUNC_ABORT;
        }
        return read;
    }

    static int Seek(void* userData, curl_off_t offset, int origin)
    {
        auto* source = static_cast<RequestSource*>(userData);
        if (origin != SEEK_SET || offset < 0 || offset > source->m_size) {
            return CURL_SEEKFUNC_CANTSEEK;
        }
        if (!source->m_file) {
            source->m_offset = static_cast<std::size_t>(offset);
            return CURL_SEEKFUNC_OK;
        }
        return fseeko(source->m_file.get(), offset, SEEK_SET) == 0 ? CURL_SEEKFUNC_OK : CURL_SEEKFUNC_FAIL;
    }

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    SmartPtr<HttpMessageBuffer> m_body;
    std::size_t m_offset = 0;
    std::unique_ptr<std::FILE, FileCloser> m_file;
    std::string m_path;
    curl_off_t m_size = 0;
    std::string m_readError;
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

// The text of a file, or nothing when it cannot be read.
std::optional<std::string> FileText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    if (!file) {
        return std::nullopt;
    }
    return text.str();
}

// Sets the certificate authorities. libcurl reads a CA file and a hashed folder; the
// system's store is its built-in pair, so "beside the system store" keeps the half of
// the pair the caller does not replace, and joins the two bundles when both would be files.
void SetCertificateAuthorities(const TransferSettings& settings, const std::function<void(CURLoption, const char*)>& set,
                               CURL* handle, std::string& error)
{
    const curl_version_info_data* version = curl_version_info(CURLVERSION_NOW);
    const char* systemFile = version->cainfo;
    const char* systemFolder = version->capath;
    const char* file = settings.caFile.empty() ? nullptr : settings.caFile.c_str();
    const char* folder = settings.caFolder.empty() ? nullptr : settings.caFolder.c_str();
    if (file && !FileText(settings.caFile)) {
        error = "the certificate authority file " + settings.caFile + " cannot be read";
        return;
    }
    if (!settings.caWithSystemStore || (!file && !folder)) {
        set(CURLOPT_CAINFO, settings.caWithSystemStore ? systemFile : file);
        set(CURLOPT_CAPATH, settings.caWithSystemStore ? systemFolder : folder);
        return;
    }
    if (file && !folder && systemFolder) {
        set(CURLOPT_CAINFO, file);
        set(CURLOPT_CAPATH, systemFolder);
        return;
    }
    set(CURLOPT_CAPATH, folder ? folder : systemFolder);
    if (!file) {
        set(CURLOPT_CAINFO, systemFile);
        return;
    }
    // Both bundles in one: the system's (when it has one) and the caller's.
    std::string joined = systemFile ? FileText(systemFile).value_or(std::string()) : std::string();
    joined += "\n" + *FileText(settings.caFile);
    curl_blob blob{&joined[0], joined.size(), CURL_BLOB_COPY};
    const CURLcode code = curl_easy_setopt(handle, CURLOPT_CAINFO_BLOB, &blob);
    if (code != CURLE_OK && error.empty()) {
        error = curl_easy_strerror(code);
    }
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
                       RequestSource& source, std::string& error)
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
        set(CURLOPT_READFUNCTION, &RequestSource::Read);
        set(CURLOPT_SEEKFUNCTION, &RequestSource::Seek);
        // Environment: no option, so libcurl reads http_proxy, https_proxy, all_proxy and no_proxy.
        if (endpoint.proxyMode == ProxyMode::Direct) {
            set(CURLOPT_PROXY, "");
        } else if (endpoint.proxyMode == ProxyMode::Url) {
            set(CURLOPT_PROXY, endpoint.proxy.c_str());
            set(CURLOPT_NOPROXY, endpoint.proxyBypass.c_str());
        }
        if (endpoint.ignoreCertificateErrors) {
            set(CURLOPT_SSL_VERIFYPEER, 0L);
            set(CURLOPT_SSL_VERIFYHOST, 0L);
        }
        // What follows belongs to the settings generation the handle was made under.
        if (!settings.proxyUser.empty()) {
            const bool ntlm = (curl_version_info(CURLVERSION_NOW)->features & CURL_VERSION_NTLM) != 0;
            set(CURLOPT_PROXYAUTH, CURLAUTH_BASIC | (ntlm ? CURLAUTH_NTLM : 0));
            set(CURLOPT_PROXYUSERNAME, settings.proxyUser.c_str());
            set(CURLOPT_PROXYPASSWORD, settings.proxyPassword.c_str());
        }
        if (!settings.caFile.empty() || !settings.caFolder.empty() || !settings.caWithSystemStore) {
            SetCertificateAuthorities(
                settings, [&](CURLoption option, const char* value) { set(option, value); }, handle, error);
        }
        if (!settings.clientCertificateFile.empty()) {
            set(CURLOPT_SSLCERT, settings.clientCertificateFile.c_str());
            set(CURLOPT_SSLCERTTYPE, "PEM");
            set(CURLOPT_SSLKEY, settings.clientKeyFile.empty() ? settings.clientCertificateFile.c_str()
                                                               : settings.clientKeyFile.c_str());
            set(CURLOPT_SSLKEYTYPE, "PEM");
            set(CURLOPT_KEYPASSWD, settings.clientKeyPassword.c_str());
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
    // Set on every call, so that the handle never keeps a pointer to an earlier call's source.
    set(CURLOPT_READDATA, static_cast<void*>(&source));
    set(CURLOPT_SEEKDATA, static_cast<void*>(&source));
    if (verb == eHttpVerb_Put) {
        set(CURLOPT_UPLOAD, 1L);
        set(CURLOPT_INFILESIZE_LARGE, source.Size());
        return error.empty();
    }
    set(CURLOPT_UPLOAD, 0L);
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

// Runs the configured transfer in the handle's multi handle, whose wait a cancel wakes.
// A cancelled transfer is removed mid-way, which closes its connection.
CURLcode RunTransfer(PooledHandle& pooled, CancelScope& cancel, bool& cancelled)
{
    CURLM* const multi = pooled.multi.get();
    CURL* const handle = pooled.handle.get();
    if (curl_multi_add_handle(multi, handle) != CURLM_OK) {
        return CURLE_OUT_OF_MEMORY;
    }
    cancel.Arm([multi] { curl_multi_wakeup(multi); });
    CURLcode result = CURLE_OK;
    for (;;) {
        if (cancel.IsCancelled()) {
            cancelled = true;
            break;
        }
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_OUT_OF_MEMORY;
            break;
        }
        if (running == 0) {
            int left = 0;
            const CURLMsg* done = curl_multi_info_read(multi, &left);
            result = done && done->msg == CURLMSG_DONE ? done->data.result : CURLE_RECV_ERROR;
            break;
        }
        // The progress function runs at least once a second, so stall limits and the
        // deadline are judged as often; a cancel wakes the wait at once.
        if (curl_multi_poll(multi, nullptr, 0, 1000, nullptr) != CURLM_OK) {
            result = CURLE_RECV_ERROR;
            break;
        }
    }
    // Disarmed before the multi handle can go back to the pool and serve another call.
    cancel.Arm(nullptr);
    curl_multi_remove_handle(multi, handle);
    return result;
}

Transfer Perform(PooledHandle& pooled, const std::string& url, eHttpVerb verb, const HttpMessage& message,
                 const TransferSettings& settings, const Endpoint& endpoint, ReplySink& sink, StallGuard& guard,
                 RequestSource& source, CancelScope& cancel, bool& cancelled)
{
    Transfer transfer;
    transfer.configured =
        ConfigureTransfer(pooled, url, verb, message, settings, endpoint, sink, guard, source, transfer.setupError);
    if (!transfer.configured) {
        return transfer;
    }
    transfer.performed = RunTransfer(pooled, cancel, cancelled);
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

// libcurl's words for a failure, with what it leaves unsaid about certificates.
std::string TransportReason(CURLcode code, const char* errorBuffer, const TransferSettings& settings)
{
    const std::string said = errorBuffer[0] != '\0' ? errorBuffer : curl_easy_strerror(code);
    if (code == CURLE_SSL_CERTPROBLEM) {
        return ClientCertificateFailure(settings, said);
    }
    if (code == CURLE_PEER_FAILED_VERIFICATION && said.find("certificate") == std::string::npos) {
        return "server certificate refused: " + said;
    }
    return said;
}

class CurlBackend final : public HttpBackend {
public:
    explicit CurlBackend(const Endpoint& endpoint) : m_endpoint(endpoint) {}

    HttpClient::SendRequestResult Send(const std::string& url, eHttpVerb verb, HttpMessage& message,
                                       const TransferSettings& settings, CancelScope& cancel) override;
    void ForgetConnections() override { m_pool.Clear(); }

private:
    Endpoint m_endpoint;
    CurlHandlePool m_pool;
};

HttpClient::SendRequestResult CurlBackend::Send(const std::string& url, eHttpVerb verb, HttpMessage& message,
                                                const TransferSettings& settings, CancelScope& cancel)
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
    if (!handle || !pooled.multi) {
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

    RequestSource source;
    std::string sourceError;
    if (verb == eHttpVerb_Put && !source.Open(message, sourceError)) {
        curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, nullptr);
        m_pool.Release(std::move(pooled));
        return fail(sourceError);
    }
    std::optional<ReplySink> sink;
    std::optional<StallGuard> guard;
    bool cancelled = false;
    const auto perform = [&] {
        sink.emplace(settings.maxReplySize, handle);
        guard.emplace(settings);
        return Perform(pooled, url, verb, message, settings, m_endpoint, *sink, *guard, source, cancel, cancelled);
    };
    Transfer transfer = perform();
    if (!cancelled && RetriesNtlmInLatin1(transfer, pooled, settings)) {
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
    if (cancelled) {
        sink.reset(); // a large reply cut short is freed now, not when the caller lets go
        return fail(HttpClient::s_cancelledReason);
    }
    if (sink->reply.IsTooLarge()) {
        return RecordCutOffReply(message, sink->reply, static_cast<int>(transfer.httpCode), settings.maxReplySize);
    }
    if (!guard->Reason().empty()) {
        return fail(guard->Reason());
    }
    if (!source.ReadError().empty()) {
        return fail(source.ReadError());
    }
    if (transfer.performed != CURLE_OK) {
        return fail(TransportReason(transfer.performed, errorBuffer, settings));
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
