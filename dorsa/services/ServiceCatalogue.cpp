#include "dorsa/services/ServiceCatalogue.h"
#include "dorsa/session/VendorNamespace.h"

namespace zvrtkDorsaServiceLayer {

std::string ServiceDescription::Namespace(const std::string& version) const
{
    return std::string(VendorNamespaceRoot) + "/" + version + "/" + name;
}

namespace Services {
const ServiceDescription Browse = {"brow", "Browse", L"/Browse.svc"};
const ServiceDescription Search = {"sear", "Search", L"/Search.svc"};
const ServiceDescription DataExport = {"exp", "DataExport", L"/DataExport.svc"};
const ServiceDescription DataImport = {"dat", "DataImport", L"/DataImport.svc"};
const ServiceDescription EngineeringData = {"eng", "EngineeringData", L"/EngineeringData.svc"};
} // namespace Services

} // namespace zvrtkDorsaServiceLayer
