#include "dorsa/pipeline/ServiceLayerResponse.h"
#include "dorsa/pipeline/SoapEnvelopePrivate.h"
#include "dorsa/xml/EnumTable.h"
#include "dorsa/xml/XmlTextPrivate.h"

#include <utility>

namespace zvrtkDorsaServiceLayer {

namespace {

const EnumName<CallOutcomes::eCallOutcome> s_outcomeNames[] = {
    {CallOutcomes::NotCalled, "NotCalled"},
    {CallOutcomes::Success, "Success"},
    {CallOutcomes::TransportFailure, "TransportFailure"},
    {CallOutcomes::HttpFailure, "HttpFailure"},
    {CallOutcomes::SoapFault, "SoapFault"},
    {CallOutcomes::UnreadableReply, "UnreadableReply"},
};

} // namespace

std::string CallOutcomes::eCallOutcome_ToString(eCallOutcome outcome)
{
    return EnumToString(s_outcomeNames, outcome, "NotCalled");
}

ServiceLayerResponse::ServiceLayerResponse(std::string responseMessage, int responseCode)
    : m_responseMessage(std::move(responseMessage)), m_responseCode(responseCode)
{
}

void ServiceLayerResponse::SetOutcome(CallOutcomes::eCallOutcome outcome, std::string transportError, bool reachedServer)
{
    m_outcome = outcome;
    m_transportError = std::move(transportError);
    m_reachedServer = reachedServer;
}

std::string ServiceLayerResponse::GetErrorMessage()
{
    if (m_responseCode != 200 && m_errorMessage.empty() && !m_responseMessage.empty()) {
        // Read as written, where the text lies: a non-destructive parse never writes into it.
        detail::ParsedXml reply;
        if (reply.ParseInPlace(&m_responseMessage[0], m_responseMessage.size(), detail::ParseMode::NonDestructive)) {
            const XmlNode<char>* fault = detail::FindSoapFault(reply.Document());
            if (const XmlNode<char>* faultString = fault ? fault->first_node("faultstring") : nullptr) {
                m_errorMessage.assign(faultString->value(), faultString->value_size());
            }
        }
    }
    return m_errorMessage;
}

} // namespace zvrtkDorsaServiceLayer
