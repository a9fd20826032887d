#pragma once

#include "dorsa/xml/XmlDom.h"

#include <string>

namespace zvrtkDorsaServiceLayer {
namespace detail {

// Appends the XML declaration and "soapenv:Envelope" with its four standard namespace
// declarations to `document`; returns the envelope.
XmlNode<char>* BuildSoapEnvelope(XmlDocument<char>* document, const std::string& baseTypesUri);

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
