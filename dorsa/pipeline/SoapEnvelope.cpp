#include "dorsa/pipeline/SoapEnvelopePrivate.h"
#include "dorsa/session/VendorNamespace.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {
namespace detail {

namespace {
const char* const s_soapEnvelopeUri = "http://schemas.xmlsoap.org/soap/envelope/";
const char* const s_schemaInstanceUri = "http://www.w3.org/2001/XMLSchema-instance";
// First child named exactly `name`, prefix included.
const XmlNode<char>* FindByFullName(const XmlNode<char>* parent, const char* name)
{
    return parent ? parent->first_node(name) : nullptr;
}

} // namespace

XmlNode<char>* BuildSoapEnvelope(XmlDocument<char>* document, const std::string& baseTypesUri)
{
    XmlNode<char>* declaration = document->allocate_node(rapidxml::node_declaration);
    AppendAttribute(declaration, CreateTextAttribute("version", "1.0", document));
    AppendAttribute(declaration, CreateTextAttribute("encoding", "UTF-8", document));
    AppendChild(document, declaration);

    XmlNode<char>* envelope = WriteContainer(document, document, "soapenv:Envelope");
    AppendAttribute(envelope, CreateTextAttribute("xmlns:zbt", baseTypesUri, document));
    AppendAttribute(envelope, CreateTextAttribute("xmlns:soapenv", s_soapEnvelopeUri, document));
    AppendAttribute(envelope, CreateTextAttribute("xmlns:xsi", s_schemaInstanceUri, document));
    AppendAttribute(envelope, CreateTextAttribute("xmlns:header", std::string(VendorNamespaceRoot) + "/headers", document));
    return envelope;
}

const XmlNode<char>* FindSoapFault(const XmlNode<char>& reply)
{
    return FindByFullName(FindByFullName(FindByFullName(&reply, "s:Envelope"), "s:Body"), "s:Fault");
}

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
