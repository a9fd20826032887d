#include "dorsa/platform/HttpMessage.h"

#include <iterator>

namespace zvrtkDorsaServiceLayer {

std::string eHttpMimeType_ToString(eHttpMimeType type)
{
    static const char* const s_mimeTypes[] = {"", "text/plain", "text/xml", "application/octet-stream"};
    const bool known = type >= 0 && type < static_cast<int>(std::size(s_mimeTypes));
    return known ? s_mimeTypes[type] : "";
}

eHttpStatusCode HttpStatusCodeFromNumber(int code)
{
    switch (code / 100) {
    case 1:
        return eHttpStatus_Informational;
    case 2:
        return eHttpStatus_Success;
    case 3:
        return eHttpStatus_Redirect;
    case 4:
        return eHttpStatus_ClientError;
    case 5:
        return eHttpStatus_ServerError;
    default:
        return eHttpStatus_NotSent;
    }
}

SmartPtr<HttpMessage> HttpMessage::CreateOne()
{
    SmartPtr<HttpMessage> message = new HttpMessage;
    // A SOAP call sends five headers: room for them at once rather than growing thrice.
    message->m_requestHeaders.reserve(5);
    return message;
}

void HttpMessage::SetHttpCode(int code)
{
    m_httpCode = code;
    m_status = HttpStatusCodeFromNumber(code);
}

} // namespace zvrtkDorsaServiceLayer
