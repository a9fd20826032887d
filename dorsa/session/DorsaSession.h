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

    /**
     * @brief Certificate authorities that the server's certificate may chain to (UTF-8 paths).
     * @param caFile a PEM file of one or more CA certificates; empty for none.
     * @param caFolder a folder of PEM CA certificates (hashed with `openssl rehash` for the
     *        libcurl build; any *.pem, *.crt, *.cer on Windows); empty for none.
     * @param withSystemStore true (the default): trusted beside the system's store; false:
     *        only these are trusted. The environment (SSL_CERT_FILE, CURL_CA_BUNDLE) is not read.
     * A certificate that chains to none of them fails the call as a transport failure
     * whose reason names the certificate problem.
     */
    void SetCertificateAuthorities(const std::string& caFile, const std::string& caFolder = std::string(),
                                   bool withSystemStore = true);

    /**
     * @brief Presents a client certificate to a server that asks for one (UTF-8 paths, PEM).
     * @param keyFile empty when the key is in @p certificateFile.
     * @param keyPassword the key's pass phrase; empty for an unencrypted key. A wrong one
     *        fails every call with a reason that says the key could not be opened.
     * An empty @p certificateFile presents none. The Windows build takes an RSA key (PKCS#1,
     * PKCS#8, or PKCS#8 encrypted with PBES2 as OpenSSL writes it) and holds it in memory only.
     */
    void SetClientCertificate(const std::string& certificateFile, const std::string& keyFile = std::string(),
                              const std::string& keyPassword = std::string());

    /**
     * @brief Sends calls through a proxy. By default (@p proxy empty) the environment
     * decides: on Linux http_proxy, https_proxy, all_proxy and no_proxy (upper case too,
     * but never HTTP_PROXY); on Windows the system's proxy settings.
     * @param proxy "none": always directly, whatever the environment says; otherwise the
     *        proxy's URL, e.g. "http://proxy.example:3128" (https calls tunnel through it).
     * @param bypass with a proxy URL: comma-separated hosts reached directly ("example.org"
     *        matches its subdomains too).
     * The HTTP client is made anew for it, with every other setting carried over; calls
     * in progress finish on the old one.
     */
    void SetProxy(const std::string& proxy, const std::string& bypass = std::string());

    /// @brief Logs on to the proxy: Basic, or NTLM when the proxy offers it. Empty @p user: none.
    /// A proxy that refuses them fails the call with HTTP code 407 as an HTTP failure.
    void SetProxyCredentials(const std::string& user, const std::string& password);

    /**
     * @brief FOR TESTS ONLY: when @p off is true the server's certificate chain and host
     * name are not checked, so anyone between here and the server can read and change
     * every call. The HTTP client is made anew for it, settings carried over. Never expose
     * this to users; the dorsa tool has no switch for it.
     */
    void SetCertificateChecksOffForTestsOnly(bool off);

    /**
     * @brief Ends every call in progress on this session, from any thread (a GUI's Cancel
     * button): each returns promptly with a TransportFailure outcome whose transport error
     * is "cancelled". Calls started after this returns run as usual, so the session stays
     * usable; to stop a batch, a host also stops issuing its calls.
     */
    void CancelCallsInProgress();

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
    // Makes the client anew for the current endpoint, carrying every setting over.
    void RemakeHttpClient();

    std::string m_interfaceVersion;
    std::wstring m_url;
    SmartPtr<HttpClient> m_httpClient;
    SmartPtr<IDorsaSLAuthModule> m_authModule;
    ILogger* m_logger = nullptr;
    HeaderVals::eOptionalBool m_actAsReadUser = HeaderVals::eNotSet;
    std::string m_applicationName;
    std::wstring m_proxy;
    std::wstring m_proxyBypass;
    bool m_certificateChecksOff = false;
};

} // namespace zvrtkDorsaServiceLayer
