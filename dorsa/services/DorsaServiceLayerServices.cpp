#include "dorsa/services/DorsaServiceLayerServices.h"

namespace zvrtkDorsaServiceLayer {

SmartPtr<DorsaServiceLayerServices> DorsaServiceLayerServices::CreateOne(const std::string& url,
                                                                         SmartPtr<IDorsaSLAuthModule> auth)
{
    return new DorsaServiceLayerServices(DorsaSession::CreateOne(url, auth));
}

DorsaServiceLayerServices::DorsaServiceLayerServices(SmartPtr<DorsaSession> session) : m_session(session)
{
    DorsaSession* const plain = m_session.get();
    m_browse = new BrowseService(plain);
    m_search = new SearchService(plain);
    m_dataExport = new DataExportService(plain);
    m_dataImport = new DataImportService(plain);
    m_engineeringData = new EngineeringDataService(plain);
}

void DorsaServiceLayerServices::SetTimeouts(int resolve, int connect, int send, int receive)
{
    if (m_session) {
        m_session->SetTimeouts(resolve, connect, send, receive);
    }
}

} // namespace zvrtkDorsaServiceLayer
