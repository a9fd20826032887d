#pragma once

#include "dorsa/DorsaExport.h"

namespace zvrtkDorsaServiceLayer {

/// Root of every namespace URI the service uses: an absolute URI without a trailing
/// slash. Chosen when the library is built.
DORSA_EXPORT extern const char* const VendorNamespaceRoot;

} // namespace zvrtkDorsaServiceLayer
