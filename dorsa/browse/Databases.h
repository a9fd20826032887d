#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/pipeline/IRequest.h"
#include "dorsa/pipeline/ResponseBase.h"
#include "dorsa/references/DorsaEntityReference.h"
#include "dorsa/services/ServiceCatalogue.h"

#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// @brief The databases the server offers.
class DORSA_EXPORT GetDatabasesResponse final : public ResponseBase {
public:
    GetDatabasesResponse() = default;
    static SmartPtr<GetDatabasesResponse> CreateOne(const XmlNode<char>* node);

    std::vector<SmartPtr<DorsaDatabase>>& AccessDatabases() { return m_databases; }
    void AddDatabase(const SmartPtr<DorsaDatabase>& database) { m_databases.push_back(database); }

private:
    explicit GetDatabasesResponse(const XmlNode<char>* node);

    std::vector<SmartPtr<DorsaDatabase>> m_databases;
};

/// @brief Lists the server's databases; sends no request object.
class DORSA_EXPORT GetDatabaseImpl final
    : public OperationImpl<GetDatabaseImpl, BrowseService, EmptyRequest, GetDatabasesResponse> {
public:
    using OperationImpl::OperationImpl;
    static const std::wstring s_service;
    static const std::string s_soapAction;

    void GetDatabases(GetDatabasesResponse* response) { ExecuteRequest(response); }
};

} // namespace zvrtkDorsaServiceLayer
