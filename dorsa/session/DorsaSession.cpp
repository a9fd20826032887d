#include "dorsa/session/DorsaSession.h"
#include "dorsa/platform/Time.h"
#include "dorsa/platform/WideText.h"
#include "dorsa/session/VendorNamespace.h"

namespace zvrtkDorsaServiceLayer {

SmartPtr<DorsaSession> DorsaSession::CreateOne(const std::string& url, SmartPtr<IDorsaSLAuthModule> auth)
{
    return CreateOneWithLogger(url, auth, nullptr);
}

SmartPtr<DorsaSession> DorsaSession::CreateOneWithLogger(const std::string& url, SmartPtr<IDorsaSLAuthModule> auth,
                                                         ILogger* logger)
{
    return new DorsaSession(url, auth, logger);
}

DorsaSession::DorsaSession(const std::string& url, SmartPtr<IDorsaSLAuthModule> auth, ILogger* logger)
    : m_url(Utf8ToWide(url)), m_authModule(auth), m_logger(logger)
{
    m_interfaceVersion = "16/01";
    CreateHttpClientPtr();
    Time::StaticInit();
}

DorsaSession::~DorsaSession()
{
    Time::StaticShutdown();
}

void DorsaSession::CreateHttpClientPtr()
{
    if (m_httpClient) {
        return;
    }
    m_httpClient = HttpClient::CreateOneFromURL(nullptr, m_url, m_proxy, m_proxyBypass, m_certificateChecksOff);
    if (m_authModule) {
        m_authModule->ApplyAuthentication(m_httpClient);
    }
    // Set after the module: a module cannot change them.
    m_httpClient->SetTimeouts(10000, 600000, 300000, 300000);
}

void DorsaSession::RemakeHttpClient()
{
    SmartPtr<HttpClient> remade =
        HttpClient::CreateOneFromURL(nullptr, m_url, m_proxy, m_proxyBypass, m_certificateChecksOff);
    if (m_httpClient) {
        remade->CopySettingsFrom(*m_httpClient);
    }
    m_httpClient = remade;
}

void DorsaSession::SetCertificateAuthorities(const std::string& caFile, const std::string& caFolder,
                                             bool withSystemStore)
{
    m_httpClient->SetCertificateAuthorities(Utf8ToWide(caFile), Utf8ToWide(caFolder), withSystemStore);
}

void DorsaSession::SetClientCertificate(const std::string& certificateFile, const std::string& keyFile,
                                        const std::string& keyPassword)
{
    m_httpClient->SetClientCertificate(Utf8ToWide(certificateFile), Utf8ToWide(keyFile), Utf8ToWide(keyPassword));
}

void DorsaSession::SetProxy(const std::string& proxy, const std::string& bypass)
{
    m_proxy = Utf8ToWide(proxy);
    m_proxyBypass = Utf8ToWide(bypass);
    RemakeHttpClient();
}

void DorsaSession::SetProxyCredentials(const std::string& user, const std::string& password)
{
    m_httpClient->SetProxyCredentials(Utf8ToWide(user), Utf8ToWide(password));
}

void DorsaSession::SetCertificateChecksOffForTestsOnly(bool off)
{
    m_certificateChecksOff = off;
    RemakeHttpClient();
}

void DorsaSession::CancelCallsInProgress()
{
    // A client replaced by SetProxy may still carry calls: those are the setter's race.
    if (SmartPtr<HttpClient> client = m_httpClient) {
        client->CancelCallsInProgress();
    }
}

void DorsaSession::ApplyAuthenticationModule(SmartPtr<IDorsaSLAuthModule> auth)
{
    if (auth == m_authModule) {
        return;
    }
    m_authModule = auth;
    if (m_httpClient && auth) {
        auth->ApplyAuthentication(m_httpClient);
    }
}

void DorsaSession::SetTimeouts(int resolve, int connect, int send, int receive)
{
    if (m_httpClient) {
        m_httpClient->SetTimeouts(resolve, connect, send, receive);
    }
}

void DorsaSession::SetCallDeadline(int milliseconds)
{
    if (m_httpClient) {
        m_httpClient->SetCallDeadline(milliseconds);
    }
}

int DorsaSession::GetCallDeadline() const
{
    return m_httpClient ? m_httpClient->GetCallDeadline() : HttpClient::s_defaultCallDeadlineMs;
}

void DorsaSession::SetRefuseCleartextCredentials(bool refuse)
{
    if (m_httpClient) {
        m_httpClient->SetRefuseCleartextCredentials(refuse);
    }
}

void DorsaSession::SetMaxReplySize(std::size_t bytes)
{
    if (m_httpClient) {
        m_httpClient->SetMaxReplySize(bytes);
    }
}

std::size_t DorsaSession::GetMaxReplySize() const
{
    return m_httpClient ? m_httpClient->GetMaxReplySize() : HttpClient::s_defaultMaxReplySize;
}

std::string DorsaSession::GetZelvraBaseTypeDefinition() const
{
    return std::string(VendorNamespaceRoot) + "/" + GetInterfaceVersion() + "/ZelvraBaseTypes";
}

void DorsaSession::FillRequestHeaders(SmartPtr<HttpMessage>& message, const std::string& soapAction) const
{
    message->SetRequestVerb(eHttpVerb_Post);
    message->AddRequestHeader("Accept", eHttpMimeType_ToString(eHttpMimeType_TextXml));
    message->AddRequestHeader("Connection", "keep-alive");
    message->AddRequestHeader("Content-Type", "text/xml;charset=UTF-8");
    message->AddRequestHeader("SOAPAction", soapAction);
}

bool DorsaSession::ConnectionIsValid(eHttpStatusCode* status)
{
    if (!m_httpClient) {
        return false;
    }
    SmartPtr<HttpMessage> message = HttpMessage::CreateOne();
    if (m_httpClient->SendRequest(L"/", eHttpVerb_Get, message) != HttpClient::SendRequest_Ok) {
        if (status) {
            *status = eHttpStatus_NotSent;
        }
        return false;
    }
    if (status) {
        *status = message->GetStatus();
    }
    return message->GetStatus() == eHttpStatus_Success;
}

} // namespace zvrtkDorsaServiceLayer
