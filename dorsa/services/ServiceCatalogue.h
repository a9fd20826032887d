#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/pipeline/Operation.h"
#include "dorsa/session/DorsaSession.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

// What the wire knows of one of the five SOAP services.
struct DORSA_EXPORT ServiceDescription {
    const char* prefix;   // bound to the service namespace in every envelope
    const char* name;     // last segment of the namespace URI
    const wchar_t* path;  // endpoint path under the session URL

    // VendorNamespaceRoot + "/" + version + "/" + name.
    std::string Namespace(const std::string& version) const;
};

class DORSA_EXPORT BrowseService {
public:
    static const ServiceDescription s_description;
    static std::string GetBrowseDefinition(const std::string& version);
};

class DORSA_EXPORT SearchService {
public:
    static const ServiceDescription s_description;
    static std::string GetSearchDefinition(const std::string& version);
};

class DORSA_EXPORT DataExportService {
public:
    static const ServiceDescription s_description;
    static std::string GetDataExportDefinition(std::string version);
};

class DORSA_EXPORT DataImportService {
public:
    static const ServiceDescription s_description;
    static std::string GetDataImportDefinition(const std::string& version);
};

class DORSA_EXPORT EngineeringDataService {
public:
    static const ServiceDescription s_description;
    static std::string GetEngineeringDataDefinition(const std::string& version);
};

/**
 * @brief The shape every operation class shares. An operation class names itself, its
 * service and its request and response types, and defines `s_service` (endpoint path)
 * and `s_soapAction` (operation name):
 *
 *     class GetTablesImpl final : public OperationImpl<GetTablesImpl, BrowseService, GetTables, GetTablesResponse>
 */
template <class Impl, class Service, class Request, class Response>
class OperationImpl : public Operation<Request, Response> {
public:
    explicit OperationImpl(DorsaSession* session)
        : Operation<Request, Response>(session, Service::s_description.Namespace(session->GetInterfaceVersion()),
                                       Service::s_description.prefix)
    {
    }

protected:
    const std::string& GetOperationName() const override { return Impl::s_soapAction; }
    const std::wstring& GetService() const override { return Impl::s_service; }
};

} // namespace zvrtkDorsaServiceLayer
