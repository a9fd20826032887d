#include "dorsa/platform/HttpClient.h"
#include "dorsa/platform/HttpTransferPrivate.h"
#include "dorsa/platform/WideText.h"

#include <algorithm>
#include <mutex>

namespace zvrtkDorsaServiceLayer {

namespace {

long ClampToLong(long long value)
{
    return static_cast<long>(std::clamp<long long>(value, 0, 0x7fffffffLL));
}

} // namespace

struct HttpClient::State {
    explicit State(const detail::Endpoint& where) : endpoint(where), backend(detail::MakeHttpBackend(where)) {}

    detail::Endpoint endpoint;
    mutable std::mutex mutex; // guards the settings pointer
    std::shared_ptr<const detail::TransferSettings> settings = std::make_shared<detail::TransferSettings>();
    std::unique_ptr<detail::HttpBackend> backend;

    std::shared_ptr<const detail::TransferSettings> Snapshot() const
    {
        std::lock_guard<std::mutex> lock(mutex);
        return settings;
    }

    template <class Change>
    void Update(Change change)
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto changed = std::make_shared<detail::TransferSettings>(*settings);
        change(*changed);
        settings = std::move(changed);
    }

    // A new identity: connections authenticated as the old one must not be reused.
    void ChangeIdentity(detail::Logon logon, std::string user, std::string password)
    {
        Update([&](detail::TransferSettings& changed) {
            changed.logon = logon;
            changed.user = std::move(user);
            changed.latin1Password = detail::Latin1BeyondAscii(password);
            changed.password = std::move(password);
            ++changed.generation;
        });
        backend->ForgetConnections();
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
    : m_state(new State(detail::Endpoint{WideToUtf8(url), WideToUtf8(proxy), WideToUtf8(proxyBypass),
                                         ignoreCertificateErrors}))
{
}

HttpClient::~HttpClient() = default;

void HttpClient::SetTimeouts(int resolve, int connect, int send, int receive)
{
    m_state->Update([&](detail::TransferSettings& changed) {
        changed.connectTimeoutMs = ClampToLong(static_cast<long long>(resolve) + connect);
        changed.sendStallMs = std::max(ClampToLong(send), 1L);
        changed.receiveStallMs = std::max(ClampToLong(receive), 1L);
    });
}

void HttpClient::ApplyCredentials(const std::wstring& user, const std::wstring& password)
{
    m_state->ChangeIdentity(detail::Logon::Password, WideToUtf8(user), WideToUtf8(password));
}

void HttpClient::SetAutologonPolicy(bool enable, bool /*allowOnAllHosts*/)
{
    m_state->ChangeIdentity(enable ? detail::Logon::CurrentUser : detail::Logon::None, std::string(), std::string());
}

void HttpClient::SetCallDeadline(int milliseconds)
{
    m_state->Update([&](detail::TransferSettings& changed) { changed.callDeadlineMs = ClampToLong(milliseconds); });
}

int HttpClient::GetCallDeadline() const
{
    return static_cast<int>(m_state->Snapshot()->callDeadlineMs);
}

void HttpClient::SetRefuseCleartextCredentials(bool refuse)
{
    m_state->Update([&](detail::TransferSettings& changed) { changed.refuseCleartextCredentials = refuse; });
}

void HttpClient::SetMaxReplySize(std::size_t bytes)
{
    m_state->Update([&](detail::TransferSettings& changed) { changed.maxReplySize = bytes; });
}

std::size_t HttpClient::GetMaxReplySize() const
{
    return m_state->Snapshot()->maxReplySize;
}

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
    for (const HttpMessage::Header& header : message->GetRequestHeaders()) {
        const std::string unsafe = detail::UnsafeHeader(header);
        if (!unsafe.empty()) {
            message->SetTransportError("Not sent: " + unsafe);
            return SendRequest_Failed;
        }
    }
    if (verb != eHttpVerb_Post && verb != eHttpVerb_Get) {
        message->SetTransportError("unsupported HTTP verb");
        return SendRequest_Failed;
    }
    const std::shared_ptr<const detail::TransferSettings> settings = m_state->Snapshot();
    return m_state->backend->Send(m_state->endpoint.baseUrl + WideToUtf8(path), verb, *message, *settings);
}

} // namespace zvrtkDorsaServiceLayer
