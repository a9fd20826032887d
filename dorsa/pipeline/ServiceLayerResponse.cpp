#include "dorsa/pipeline/ServiceLayerResponse.h"
#include "dorsa/xml/XmlTextPrivate.h"

#include <utility>

namespace zvrtkDorsaServiceLayer {

namespace {

// First child named exactly `name`, prefix included.
XmlNode<char>* FindByFullName(const XmlNode<char>* parent, const char* name)
{
    return parent ? parent->first_node(name) : nullptr;
}

} // namespace

ServiceLayerResponse::ServiceLayerResponse(std::string responseMessage, int responseCode)
    : m_responseMessage(std::move(responseMessage)), m_responseCode(responseCode)
{
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
