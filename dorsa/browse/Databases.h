/**
 * @file
 * @brief The GetDatabases family: the databases the server offers.
 *
 * Holds GetDatabasesResponse and GetDatabaseImpl.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/pipeline/IRequest.h"
#include "dorsa/pipeline/ResponseBase.h"
#include "dorsa/references/DorsaEntityReference.h"
#include "dorsa/services/ServiceCatalogue.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// @brief The databases the server offers.
class DORSA_EXPORT GetDatabasesResponse final : public ResponseBase, public XmlReadable<GetDatabasesResponse> {
public:
    GetDatabasesResponse() = default;

    std::vector<SmartPtr<DorsaDatabase>>& AccessDatabases() { return m_databases; }
    void AddDatabase(const SmartPtr<DorsaDatabase>& database) { m_databases.push_back(database); }

private:
    friend XmlReadable<GetDatabasesResponse>;
    explicit GetDatabasesResponse(const XmlNode<char>* node);

    std::vector<SmartPtr<DorsaDatabase>> m_databases;
};

/// @brief Lists the server's databases; sends no request object.
class DORSA_EXPORT GetDatabaseImpl final
    : public OperationImpl<Catalogue::GetDatabases, EmptyRequest, GetDatabasesResponse> {
public:
    using OperationImpl::OperationImpl;

    void GetDatabases(GetDatabasesResponse* response) { ExecuteRequest(response); }
};

} // namespace zvrtkDorsaServiceLayer
