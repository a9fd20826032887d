#include "dorsa/pipeline/ServiceLayerResponse.h"
#include "dorsa/xml/EnumTable.h"
#include "dorsa/xml/XmlTextPrivate.h"

#include <utility>

namespace zvrtkDorsaServiceLayer {

namespace {

// First child named exactly `name`, prefix included.
XmlNode<char>* FindByFullName(const XmlNode<char>* parent, const char* name)
{
    return parent ? parent->first_node(name) : nullptr;
}

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
        detail::ParsedXml reply;
        if (reply.Parse(m_responseMessage.data(), m_responseMessage.size(), detail::ParseMode::NonDestructive)) {
            const XmlNode<char>* envelope = FindByFullName(&reply.Document(), "s:Envelope");
            const XmlNode<char>* body = FindByFullName(envelope, "s:Body");
            const XmlNode<char>* fault = FindByFullName(body, "s:Fault");
            if (const XmlNode<char>* faultString = FindByFullName(fault, "faultstring")) {
                m_errorMessage.assign(faultString->value(), faultString->value_size());
            }
        }
    }
    return m_errorMessage;
}

} // namespace zvrtkDorsaServiceLayer
