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

    /// @brief A client for @p url; @p proxy (with hosts to reach directly in @p proxyBypass) may be empty.
    static SmartPtr<HttpClient> CreateOneFromURL(ILogging* logging, const std::wstring& url, const std::wstring& proxy,
                                                 const std::wstring& proxyBypass, bool ignoreCertificateErrors);
    ~HttpClient() override;

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
     * @brief Send @p message to base URL + @p path with @p verb.
     * Fills the message's reply body, HTTP code and status. On a transport failure the
     * message has no reply body and GetTransportError() tells why.
     */
    SendRequestResult SendRequest(const std::wstring& path, eHttpVerb verb, SmartPtr<HttpMessage> message);

    struct State;

private:
    HttpClient(const std::wstring& url, const std::wstring& proxy, const std::wstring& proxyBypass,
               bool ignoreCertificateErrors);

    std::unique_ptr<State> m_state;
};

} // namespace zvrtkDorsaServiceLayer
