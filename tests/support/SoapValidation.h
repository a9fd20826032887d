#pragma once

#include <string>

namespace dorsatest {

// Parses `body` with libxml2, namespaces on, and validates it against the SOAP 1.1
// envelope schema. Returns "" for a valid envelope, else every error found.
std::string SoapEnvelopeErrors(const std::string& body);

} // namespace dorsatest
