#include "dorsa/services/ServiceCatalogue.h"
#include "dorsa/session/VendorNamespace.h"

namespace zvrtkDorsaServiceLayer {

std::string ServiceDescription::Namespace(const std::string& version) const
{
    return std::string(VendorNamespaceRoot) + "/" + version + "/" + name;
}

const ServiceDescription BrowseService::s_description = {"brow", "Browse", L"/Browse.svc"};
const ServiceDescription SearchService::s_description = {"sear", "Search", L"/Search.svc"};
const ServiceDescription DataExportService::s_description = {"exp", "DataExport", L"/DataExport.svc"};
const ServiceDescription DataImportService::s_description = {"dat", "DataImport", L"/DataImport.svc"};
const ServiceDescription EngineeringDataService::s_description = {"eng", "EngineeringData", L"/EngineeringData.svc"};

std::string BrowseService::GetBrowseDefinition(const std::string& version)
{
    return s_description.Namespace(version);
}

std::string SearchService::GetSearchDefinition(const std::string& version)
{
    return s_description.Namespace(version);
}

std::string DataExportService::GetDataExportDefinition(std::string version)
{
    return s_description.Namespace(version);
}

std::string DataImportService::GetDataImportDefinition(const std::string& version)
{
    return s_description.Namespace(version);
}

std::string EngineeringDataService::GetEngineeringDataDefinition(const std::string& version)
{
    return s_description.Namespace(version);
}

} // namespace zvrtkDorsaServiceLayer
