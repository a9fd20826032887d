#include "dorsa/pipeline/SoapEnvelopePrivate.h"
#include "dorsa/session/VendorNamespace.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {
namespace detail {

namespace {
const char* const s_soapEnvelopeUri = "http://schemas.xmlsoap.org/soap/envelope/";
const char* const s_schemaInstanceUri = "http://www.w3.org/2001/XMLSchema-instance";
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

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
