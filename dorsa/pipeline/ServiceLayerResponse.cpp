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

// The text of `node` and of every element inside it, in document order.
void AppendText(const XmlNode<char>& node, std::string& text)
{
    if (!node.first_node()) {
        text.append(node.value(), node.value_size());
        return;
    }
    for (const XmlNode<char>* child = node.first_node(); child; child = child->next_sibling()) {
        if (child->type() == rapidxml::node_data || child->type() == rapidxml::node_cdata) {
            text.append(child->value(), child->value_size());
        } else if (child->type() == rapidxml::node_element) {
            AppendText(*child, text);
        }
    }
}

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
        // Read as written, where the text lies: parsing never writes into it.
        detail::ParsedXml reply;
        if (reply.ParseInPlace(m_responseMessage.data(), m_responseMessage.size(), detail::ParseMode::AsWritten)) {
            const XmlNode<char>* fault = detail::FindSoapFault(reply.Document());
            if (const XmlNode<char>* faultString = fault ? fault->first_node("faultstring") : nullptr) {
                m_errorMessage.assign(faultString->value(), faultString->value_size());
            }
        }
    }
    return m_errorMessage;
}

std::string ServiceLayerResponse::GetFaultCode()
{
    ReadFault();
    return m_faultCode;
}

std::string ServiceLayerResponse::GetFaultDetail()
{
    ReadFault();
    return m_faultDetail;
}

void ServiceLayerResponse::ReadFault()
{
    // As for the fault string: a 200 reply is no fault, whatever it holds.
    if (m_faultRead || m_responseCode == 200 || m_responseMessage.empty()) {
        return;
    }
    m_faultRead = true;
    detail::ParsedXml reply;
    if (!reply.ParseInPlace(m_responseMessage.data(), m_responseMessage.size(), detail::ParseMode::Translated)) {
        return;
    }
    const XmlNode<char>* fault = detail::FindSoapFault(reply.Document());
    if (!fault) {
        return;
    }
    if (const XmlNode<char>* code = fault->first_node("faultcode")) {
        m_faultCode.assign(code->value(), code->value_size());
    }
    if (const XmlNode<char>* faultDetail = fault->first_node("detail")) {
        AppendText(*faultDetail, m_faultDetail);
    }
}

} // namespace zvrtkDorsaServiceLayer
