#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/pipeline/ServiceLayerResponse.h"
#include "dorsa/platform/SmartPtr.h"
#include "dorsa/session/DorsaSession.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

/**
 * @brief The content of a file or picture attribute, PUT to an address that
 * GetUploadAddresses returned, with the session's logon, timeouts, deadline, proxy, TLS
 * settings and cancel.
 *
 * The address must be on the session's server (same scheme, host and port); another is
 * not sent to. The outcome: Success for a 2xx answer, HttpFailure with the HTTP code
 * (401, 413, ...) and the answer's text as the response message, TransportFailure with
 * the reason when nothing complete came back (a file that cannot be read included).
 * Failures are logged through the session's logger.
 */
class DORSA_EXPORT ContentUpload final {
public:
    /// @brief PUTs @p bytes, sent with "Content-Type: @p contentType" (none when empty).
    static SmartPtr<ServiceLayerResponse> PutBytes(DorsaSession& session, const std::string& address,
                                                   const std::string& bytes, const std::string& contentType);

    /// @brief PUTs the file at @p path (UTF-8), read as it goes out, never whole.
    static SmartPtr<ServiceLayerResponse> PutFile(DorsaSession& session, const std::string& address,
                                                  const std::string& path, const std::string& contentType);
};

} // namespace zvrtkDorsaServiceLayer
