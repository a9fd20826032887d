#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/platform/HttpClient.h"
#include "dorsa/platform/HttpMessage.h"
#include "dorsa/platform/SmartPtr.h"
#include "dorsa/session/AuthModules.h"
#include "dorsa/session/HeaderVals.h"
#include "dorsa/session/ILogger.h"

#include <cstddef>
#include <string>

namespace zvrtkDorsaServiceLayer {

/**
 * @brief A connection to one service: base URL, HTTP client, authentication and the
 * settings that go into every request.
 *
 * Operation objects and facades keep a plain pointer to the session, so it must
 * outlive them. Setters must not race with calls in progress.
 */
class DORSA_EXPORT DorsaSession final : public SmartPtrTarget_ts {
public:
    /// @brief A session on @p url (UTF-8) logging on with @p auth; logs nothing.
    static SmartPtr<DorsaSession> CreateOne(const std::string& url, SmartPtr<IDorsaSLAuthModule> auth);
    /// @brief As CreateOne, logging through @p logger (not owned; may be null).
    static SmartPtr<DorsaSession> CreateOneWithLogger(const std::string& url, SmartPtr<IDorsaSLAuthModule> auth,
                                                      ILogger* logger);
    ~DorsaSession() override;

    std::wstring GetUrl() const { return m_url; }
    SmartPtr<HttpClient> HttpClientPtr() const { return m_httpClient; }

    /// @brief Log on with @p auth from now on; the module already held is not applied again.
    void ApplyAuthenticationModule(SmartPtr<IDorsaSLAuthModule> auth);

    /// @brief Resolve, connect, send and receive timeouts in milliseconds (see HttpClient::SetTimeouts).
    void SetTimeouts(int resolve, int connect, int send, int receive);

    /**
     * @brief The longest a whole call may take, in milliseconds, connecting included;
     * 0 means no limit. The stall limits of SetTimeouts end a call on which no byte
     * moves; this one also ends a reply that trickles in for ever. Default 30 minutes,
     * which no honest reply within the size limit needs. A call that passes it ends as
     * a transport failure saying so.
     */
    void SetCallDeadline(int milliseconds);
    int GetCallDeadline() const;

    /**
     * @brief When true, a password is never sent readable over plain http: a server that
     * asks for Basic there gets no credentials and the call ends as a transport failure
     * saying why. Digest, NTLM and Negotiate still answer. Default false.
     */
    void SetRefuseCleartextCredentials(bool refuse);

    /// @brief Replies longer than this are refused and recorded as failures (default 256 MiB).
    /// Of a refused reply, only its first HttpClient::s_keptPrefixOfRefusedReply bytes are kept.
    void SetMaxReplySize(std::size_t bytes);
    std::size_t GetMaxReplySize() const;

    ILogger* GetLogger() const { return m_logger; }
    /// @brief Takes effect with the next call of any operation.
    void SetLogger(ILogger* logger) { m_logger = logger; }

    std::string GetApplicationName() const { return m_applicationName; }
    /// @brief Sent in the "X-Zelvra-ApplicationName" header, and in the SOAP header of operations made afterwards.
    void SetApplicationName(const std::string& name) { m_applicationName = name; }

    HeaderVals::eOptionalBool GetActAsReadUser() const { return m_actAsReadUser; }
    /// @brief Read by operations when they are made.
    void SetActAsReadUser(HeaderVals::eOptionalBool value) { m_actAsReadUser = value; }

    std::string GetInterfaceVersion() const { return m_interfaceVersion; }
    /// @brief Namespace URI of the shared base types.
    std::string GetZelvraBaseTypeDefinition() const;

    /// @brief Verb and the four standard headers of an operation request.
    void FillRequestHeaders(SmartPtr<HttpMessage>& message, const std::string& soapAction) const;

    /**
     * @brief Whether the server answers a GET of the base URL with a 2xx status.
     * @param status receives the message status, 0 when nothing arrived (may be null).
     */
    bool ConnectionIsValid(eHttpStatusCode* status);

private:
    DorsaSession(const std::string& url, SmartPtr<IDorsaSLAuthModule> auth, ILogger* logger);
    void CreateHttpClientPtr();

    std::string m_interfaceVersion;
    std::wstring m_url;
    SmartPtr<HttpClient> m_httpClient;
    SmartPtr<IDorsaSLAuthModule> m_authModule;
    ILogger* m_logger = nullptr;
    HeaderVals::eOptionalBool m_actAsReadUser = HeaderVals::eNotSet;
    std::string m_applicationName;
};

} // namespace zvrtkDorsaServiceLayer
