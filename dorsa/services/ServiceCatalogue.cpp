#include "dorsa/services/ServiceCatalogue.h"
#include "dorsa/session/VendorNamespace.h"

namespace zvrtkDorsaServiceLayer {

std::string ServiceDescription::Namespace(const std::string& version) const
{
    return std::string(VendorNamespaceRoot) + "/" + version + "/" + name;
}

} // namespace zvrtkDorsaServiceLayer
