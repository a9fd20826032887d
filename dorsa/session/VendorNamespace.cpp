#include "dorsa/session/VendorNamespace.h"

namespace zvrtkDorsaServiceLayer {

const char* const VendorNamespaceRoot = DORSA_VENDOR_NAMESPACE_ROOT;

} // namespace zvrtkDorsaServiceLayer
