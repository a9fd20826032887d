#pragma once

#include "dorsa/xml/XmlDom.h"

#include <string>

namespace zvrtkDorsaServiceLayer {
namespace detail {

// Appends the XML declaration and "soapenv:Envelope" with its four standard namespace
// declarations to `document`; returns the envelope.
XmlNode<char>* BuildSoapEnvelope(XmlDocument<char>* document, const std::string& baseTypesUri);

// The "s:Fault" inside "s:Envelope"/"s:Body" of a reply, matched by full name as the
// service writes it; null when the reply is no fault.
const XmlNode<char>* FindSoapFault(const XmlNode<char>& reply);

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
