#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/platform/HttpMessage.h"
#include "dorsa/platform/SmartPtr.h"

#include <cstddef>
#include <memory>
#include <string>

namespace zvrtkDorsaServiceLayer {

// Logging sink of the HTTP client; the library passes none.
class ILogging;

/**
 * @brief HTTP/1.1 client bound to one base URL.
 *
 * Connections are kept alive and reused. SendRequest may run on several threads at
 * once: each concurrent call borrows its own connection handle from a small pool.
 * Settings (timeouts, credentials, reply limit) are read at the start of every call.
 */
class DORSA_EXPORT HttpClient final : public SmartPtrTarget_ts {
public:
    enum SendRequestResult : int {
        SendRequest_Ok = 0,          // the exchange took place; the message holds the reply
        SendRequest_Failed = 1,      // no complete reply: see HttpMessage::GetTransportError
        SendRequest_ReplyTooLarge = 2, // the reply passed the maximum size and was cut off
    };

    static constexpr std::size_t s_defaultMaxReplySize = std::size_t(256) * 1024 * 1024;
    static constexpr int s_defaultCallDeadlineMs = 30 * 60 * 1000;
    // What is kept of a reply refused for its size: enough to see what it was.
    static constexpr std::size_t s_keptPrefixOfRefusedReply = 64 * 1024;

    // The proxy value that sends every call directly, whatever the environment says.
    static constexpr const wchar_t* s_noProxy = L"none";
    // Why a call ended when CancelCallsInProgress stopped it.
    static constexpr const char* s_cancelledReason = "cancelled";

    /**
     * @brief A client for @p url.
     * @param proxy empty: the environment decides (libcurl reads http_proxy, https_proxy,
     *        all_proxy and no_proxy; WinHTTP uses the system's proxy settings); s_noProxy:
     *        every call goes directly; otherwise the proxy's URL, e.g. "http://proxy:3128"
     *        (https calls tunnel through it with CONNECT).
     * @param proxyBypass with a proxy URL: comma-separated host names (a leading "." or
     *        none matches the domain's hosts too) and IP addresses reached directly.
     * @param ignoreCertificateErrors for tests only: the server's certificate chain and
     *        host name are not checked, so anyone on the path can read and change the calls.
     */
    static SmartPtr<HttpClient> CreateOneFromURL(ILogging* logging, const std::wstring& url, const std::wstring& proxy,
                                                 const std::wstring& proxyBypass, bool ignoreCertificateErrors);
    ~HttpClient() override;

    /// @brief Takes every setting (timeouts, logons, TLS files, limits) of @p other, e.g.
    /// for a client made anew for another proxy. The endpoint of this client stays.
    void CopySettingsFrom(const HttpClient& other);

    /**
     * @brief Timeouts in milliseconds.
     *
     * Connecting (name resolution included) may take @p resolve + @p connect.
     * Once connected, the call is abandoned when no byte has moved for @p send
     * milliseconds while the request is going out, or for @p receive milliseconds while
     * waiting for and reading the reply (at least 1 ms each; checked about once a
     * second, so a stall ends within a second after its limit). A call that keeps moving
     * bytes has no overall limit: a server that accepts the connection and never answers
     * ends the call after @p receive.
     */
    void SetTimeouts(int resolve, int connect, int send, int receive);

    /**
     * @brief Log on with a user name and password (Basic, Digest or NTLM, as the server offers).
     * A name of the form DOMAIN\\user is passed on as it is. Connections opened under an
     * earlier identity are not reused afterwards.
     */
    void ApplyCredentials(const std::wstring& user, const std::wstring& password);

    /**
     * @brief Log on as the current user with Negotiate (Kerberos), when @p enable is true.
     * Checking the server's mutual-authentication token in its reply is libcurl's part,
     * and libcurl does not verify it: the server is not proven to be who it claims.
     */
    void SetAutologonPolicy(bool enable, bool allowOnAllHosts);

    /// @brief The longest a whole call may take (ms, connecting included); 0 for no limit.
    void SetCallDeadline(int milliseconds);
    int GetCallDeadline() const;

    /// @brief Never send a password readable (Basic) over plain http when @p refuse is true.
    void SetRefuseCleartextCredentials(bool refuse);

    /// @brief Replies longer than this many bytes are cut off and reported; the message
    /// then keeps only their first s_keptPrefixOfRefusedReply bytes.
    void SetMaxReplySize(std::size_t bytes);
    std::size_t GetMaxReplySize() const;

    /**
     * @brief Certificate authorities that https servers' certificates may chain to.
     * @param caFile a PEM file of one or more CA certificates; empty for none.
     * @param caFolder a folder of PEM CA certificates; empty for none. On libcurl
     *        (OpenSSL) the folder must be hashed as `openssl rehash` leaves it; on WinHTTP
     *        every *.pem, *.crt and *.cer file in it is read.
     * @param withSystemStore true: trusted beside the system's store (the default
     *        store alone when both paths are empty); false: instead of it.
     * An unreadable file or folder makes every https call fail saying which.
     */
    void SetCertificateAuthorities(const std::wstring& caFile, const std::wstring& caFolder, bool withSystemStore);

    /**
     * @brief Presents a client certificate to servers that ask for one.
     * @param certificateFile PEM certificate (may hold the key too); empty: none.
     * @param keyFile PEM private key; empty when it is in @p certificateFile.
     * @param keyPassword the key's pass phrase; empty for an unencrypted key.
     * A key that does not open (wrong pass phrase, not a key) fails the call, saying so.
     */
    void SetClientCertificate(const std::wstring& certificateFile, const std::wstring& keyFile,
                              const std::wstring& keyPassword);

    /**
     * @brief Logs on to the proxy with this user and password: Basic, or NTLM when the
     * proxy offers it (and the back end has it). Empty @p user: no proxy logon.
     */
    void SetProxyCredentials(const std::wstring& user, const std::wstring& password);

    /**
     * @brief Ends every call in progress on this client, from any thread.
     * Each ends promptly as a transport failure whose reason is s_cancelledReason; the
     * client stays usable, and calls started after this returns run as usual.
     */
    void CancelCallsInProgress();

    /**
     * @brief Send @p message to @p address, an absolute URL, with @p verb (PUT for
     * uploads). The address must have the scheme, host and port of the base URL, so the
     * client's credentials never go to another server; otherwise nothing is sent.
     */
    SendRequestResult SendRequestToAddress(const std::wstring& address, eHttpVerb verb, SmartPtr<HttpMessage> message);

    /**
     * @brief Send @p message to base URL + @p path with @p verb.
     * Fills the message's reply body, HTTP code and status. On a transport failure the
     * message has no reply body and GetTransportError() tells why. GET, POST and PUT;
     * a PUT sends the message's body file when it has one (see HttpMessage::SetRequestBodyFile),
     * else its request body.
     */
    SendRequestResult SendRequest(const std::wstring& path, eHttpVerb verb, SmartPtr<HttpMessage> message);

    struct State;

private:
    HttpClient(const std::wstring& url, const std::wstring& proxy, const std::wstring& proxyBypass,
               bool ignoreCertificateErrors);
    SendRequestResult Send(const std::string& url, eHttpVerb verb, SmartPtr<HttpMessage> message);

    std::unique_ptr<State> m_state;
};

} // namespace zvrtkDorsaServiceLayer
