#pragma once

#include "dorsa/DorsaExport.h"

#include <cstddef>
#include <stdexcept>
#include <string>

namespace zvrtkDorsaServiceLayer {

/// Raised by XmlErrorHandler to end a parse. The pipeline catches it; it never
/// reaches a host.
class DORSA_EXPORT XmlParseError final : public std::runtime_error {
public:
    XmlParseError(const char* what, const void* where) : std::runtime_error(what), m_where(where) {}
    /// Position in the parsed text where the parser stopped (may be null).
    const void* Where() const { return m_where; }

private:
    const void* m_where;
};

/// Called by the DOM on a parse error or exhausted pool; never returns to the parser.
[[noreturn]] DORSA_EXPORT void XmlErrorHandler(const char* what, void* where);

} // namespace zvrtkDorsaServiceLayer
