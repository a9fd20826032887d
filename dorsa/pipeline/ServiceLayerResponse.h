#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/platform/SmartPtr.h"

#include <string>
#include <utility>

namespace zvrtkDorsaServiceLayer {

/// @brief How a call ended, as the pipeline judged it.
struct CallOutcomes {
    enum eCallOutcome : int {
        NotCalled = 0,        // no call has recorded an outcome here yet
        Success = 1,          // a well-formed reply with a 2xx status
        TransportFailure = 2, // no complete reply: not connected, or the exchange broke or timed out
        HttpFailure = 3,      // a reply with a failure status that is not a SOAP fault, whatever its body
        SoapFault = 4,        // the server answered with a SOAP fault
        UnreadableReply = 5,  // a 2xx reply that is not well-formed XML or passed a size or nesting limit
    };
    DORSA_EXPORT static std::string eCallOutcome_ToString(eCallOutcome outcome);
};

/**
 * @brief The outcome of one call, attached to its response object.
 *
 * Holds the reply text, the request text and the HTTP code (500 when no reply arrived),
 * the kind of outcome and, for a transport failure, the transport's reason.
 * GetErrorMessage reads the SOAP fault string out of a failed reply on first demand.
 */
class DORSA_EXPORT ServiceLayerResponse final : public SmartPtrTarget_ts {
public:
    ServiceLayerResponse() = default;
    ServiceLayerResponse(std::string responseMessage, int responseCode);
    ServiceLayerResponse& operator=(const ServiceLayerResponse& other) = default;

    /// @brief The reply as re-printed after parsing, or as received when it could not be parsed.
    const std::string& GetResponseMessage() const { return m_responseMessage; }
    const std::string& GetRequestMessage() const { return m_requestMessage; }
    void SetRequestMessage(std::string text) { m_requestMessage = std::move(text); }
    int GetResponseCode() const { return m_responseCode; }

    /// @brief How the call ended.
    CallOutcomes::eCallOutcome GetOutcome() const { return m_outcome; }
    /// @brief True when the call ended with a readable 2xx reply.
    bool IsSuccess() const { return m_outcome == CallOutcomes::Success; }
    /// @brief Why the transport failed (its own words); empty unless the outcome is TransportFailure.
    const std::string& GetTransportError() const { return m_transportError; }
    /// @brief Whether a connection to the server was made; false when connecting itself failed.
    bool ReachedServer() const { return m_reachedServer; }
    void SetOutcome(CallOutcomes::eCallOutcome outcome, std::string transportError = std::string(),
                    bool reachedServer = true);

    /**
     * @brief The "faultstring" of a SOAP 1.1 fault reply, as written (entity references kept).
     * Empty for a 200 reply, a reply that is not a fault, or one that is not XML.
     * The result is cached.
     */
    std::string GetErrorMessage();

    /// @brief The "faultcode" of a SOAP 1.1 fault reply as written (e.g. "s:Server"); empty
    /// when the reply is not a fault.
    std::string GetFaultCode();

    /// @brief The text of the fault's "detail" element: its own text and that of every
    /// element inside it, in document order, entity references resolved; empty when
    /// the fault has no detail or the reply is not a fault.
    std::string GetFaultDetail();

private:
    void ReadFault();

    std::string m_responseMessage;
    std::string m_requestMessage;
    int m_responseCode = 0;
    std::string m_errorMessage;
    std::string m_faultCode;
    std::string m_faultDetail;
    bool m_faultRead = false;
    CallOutcomes::eCallOutcome m_outcome = CallOutcomes::NotCalled;
    std::string m_transportError;
    bool m_reachedServer = false;
};

} // namespace zvrtkDorsaServiceLayer
