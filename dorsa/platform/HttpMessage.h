/**
 * @file
 * @brief One HTTP request/reply pair and its bodies.
 *
 * Holds Buffer and HttpMessage.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/platform/SmartPtr.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// Request method of an HTTP message.
enum eHttpVerb : int {
    eHttpVerb_Unknown = 0,
    eHttpVerb_Head = 3,
    eHttpVerb_Get = 4,
    eHttpVerb_Put = 5,
    eHttpVerb_Post = 6,
};

/// Outcome of an exchange, judged from the reply's status line.
enum eHttpStatusCode : int {
    eHttpStatus_NotSent = 0,      ///< no reply arrived (not sent, or the transport failed)
    eHttpStatus_Informational = 1,
    eHttpStatus_Redirect = 2,
    eHttpStatus_ClientError = 3,
    eHttpStatus_Success = 4,      ///< a reply with a 2xx status
    eHttpStatus_ServerError = 5,
};

enum eHttpMimeType : int {
    eHttpMimeType_Unknown = 0,
    eHttpMimeType_TextPlain = 1,
    eHttpMimeType_TextXml = 2,
    eHttpMimeType_OctetStream = 3,
};

DORSA_EXPORT std::string eHttpMimeType_ToString(eHttpMimeType type);
DORSA_EXPORT eHttpStatusCode HttpStatusCodeFromNumber(int code);

/// Tag of buffers whose memory needs no wiping when released.
struct InsecureBuffer {};

/// A body: bytes with a data pointer and a length. Complete() marks a filled
/// request body as final.
template <class Policy>
class Buffer : public SmartPtrTarget_ts {
public:
    void SetMessage(const char* data, std::size_t length) { m_bytes.assign(data, data + length); }
    void Append(const char* data, std::size_t length) { m_bytes.append(data, length); }
    void Reserve(std::size_t length) { m_bytes.reserve(length); }
    std::size_t GetCapacity() const { return m_bytes.capacity(); }
    /// Moves the bytes into storage of exactly `capacity` bytes (reserve may round up).
    void Regrow(std::size_t capacity)
    {
        std::string grown;
        grown.reserve(capacity);
        grown.append(m_bytes);
        m_bytes.swap(grown);
    }
    void Complete() { m_complete = true; }

    /// The bytes, always followed by a '\0', so they can be parsed where they lie.
    const char* GetData() const { return m_bytes.data(); }
    /// Hands the bytes over, leaving the buffer empty.
    std::string TakeBytes() { return std::move(m_bytes); }
    std::size_t GetLength() const { return m_bytes.size(); }
    bool IsComplete() const { return m_complete; }

private:
    std::string m_bytes;
    bool m_complete = false;
};

class DORSA_EXPORT HttpMessageBuffer final : public Buffer<InsecureBuffer> {};

/// One request/reply pair: what to send, and what came back.
class DORSA_EXPORT HttpMessage final : public SmartPtrTarget_ts {
public:
    using Header = std::pair<std::string, std::string>;

    static SmartPtr<HttpMessage> CreateOne();

    void SetRequestVerb(int verb) { m_verb = static_cast<eHttpVerb>(verb); }
    eHttpVerb GetRequestVerb() const { return m_verb; }
    void AddRequestHeader(const std::string& name, const std::string& value) { m_requestHeaders.emplace_back(name, value); }
    const std::vector<Header>& GetRequestHeaders() const { return m_requestHeaders; }

    SmartPtr<HttpMessageBuffer> AccessRequestBody() const { return m_requestBody; }
    // A file (UTF-8 path) whose bytes are the body of a PUT, read as they go out rather
    // than loaded whole; empty: the request body is sent. A file that cannot be opened or
    // read fails the call.
    void SetRequestBodyFile(const std::string& path) { m_requestBodyFile = path; }
    const std::string& GetRequestBodyFile() const { return m_requestBodyFile; }
    /// Null until a reply body arrives.
    SmartPtr<HttpMessageBuffer> AccessResponseBody() const { return m_responseBody; }
    void SetResponseBody(SmartPtr<HttpMessageBuffer> body) { m_responseBody = std::move(body); }

    eHttpStatusCode GetStatus() const { return m_status; }
    int GetHttpCode() const { return m_httpCode; }
    void SetHttpCode(int code);

    /// Seconds spent sending this message; the caller accumulates it.
    float GetSendTime() const { return m_sendSeconds; }
    void AddSendTime(float seconds) { m_sendSeconds += seconds; }

    /// Why the last send failed (the transport's own words); empty after success.
    const std::string& GetTransportError() const { return m_transportError; }
    void SetTransportError(const std::string& text) { m_transportError = text; }
    /// Whether the reply passed the size limit and was cut off; the body then holds its start.
    bool WasReplyCutOff() const { return m_replyCutOff; }
    void SetReplyCutOff(bool cutOff) { m_replyCutOff = cutOff; }
    /// Whether the last send got as far as a connection to the server.
    bool WasConnected() const { return m_connected; }
    void SetConnected(bool connected) { m_connected = connected; }

private:
    HttpMessage() = default;

    eHttpVerb m_verb = eHttpVerb_Unknown;
    std::vector<Header> m_requestHeaders;
    SmartPtr<HttpMessageBuffer> m_requestBody = new HttpMessageBuffer;
    std::string m_requestBodyFile;
    SmartPtr<HttpMessageBuffer> m_responseBody;
    eHttpStatusCode m_status = eHttpStatus_NotSent;
    int m_httpCode = 0;
    float m_sendSeconds = 0.0f;
    std::string m_transportError;
    bool m_connected = false;
    bool m_replyCutOff = false;
};

} // namespace zvrtkDorsaServiceLayer
