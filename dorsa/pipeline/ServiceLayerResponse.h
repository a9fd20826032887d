#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/platform/SmartPtr.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

/**
 * @brief The outcome of one call, attached to its response object.
 *
 * Holds the reply text, the request text and the HTTP code (500 when no reply arrived).
 * GetErrorMessage reads the SOAP fault string out of a failed reply on first demand.
 */
class DORSA_EXPORT ServiceLayerResponse final : public SmartPtrTarget_ts {
public:
    ServiceLayerResponse() = default;
    ServiceLayerResponse(std::string responseMessage, int responseCode);
    ServiceLayerResponse& operator=(const ServiceLayerResponse& other) = default;

    std::string GetResponseMessage() const { return m_responseMessage; }
    std::string GetRequestMessage() const { return m_requestMessage; }
    void SetRequestMessage(const std::string& text) { m_requestMessage = text; }
    int GetResponseCode() const { return m_responseCode; }

    /**
     * @brief The "faultstring" of a SOAP 1.1 fault reply, as written (entity references kept).
     * Empty for a 200 reply, a reply that is not a fault, or one that is not XML.
     * The result is cached.
     */
    std::string GetErrorMessage();

private:
    std::string m_responseMessage;
    std::string m_requestMessage;
    int m_responseCode = 0;
    std::string m_errorMessage;
};

} // namespace zvrtkDorsaServiceLayer
