#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/services/ServiceFacades.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

/**
 * @brief A session on one service URL and the five facades over it, in one object.
 *
 * The facades and their operation objects live as long as this object; the session is
 * released last. Settings the operation objects copy when they are made (logger,
 * application name, act-as-read-user) must be on the session before the facades exist:
 * make a session of your own, set them, and make facades on it, or use GetSession() and
 * set them on operation objects made afterwards.
 */
class DORSA_EXPORT DorsaServiceLayerServices final : public SmartPtrTarget_ts {
public:
    /// @brief A session on @p url (no logger) and every facade over it.
    static SmartPtr<DorsaServiceLayerServices> CreateOne(const std::string& url, SmartPtr<IDorsaSLAuthModule> auth);

    SmartPtr<BrowseService> GetBrowseService() const { return m_browse; }
    SmartPtr<SearchService> GetSearchService() const { return m_search; }
    SmartPtr<DataExportService> GetDataExportService() const { return m_dataExport; }
    SmartPtr<DataImportService> GetDataImportService() const { return m_dataImport; }
    SmartPtr<EngineeringDataService> GetEngineeringDataService() const { return m_engineeringData; }

    /// @brief The session the facades share.
    SmartPtr<DorsaSession> GetSession() const { return m_session; }

    /// @brief As DorsaSession::SetTimeouts, on the shared session.
    void SetTimeouts(int resolve, int connect, int send, int receive);

private:
    explicit DorsaServiceLayerServices(SmartPtr<DorsaSession> session);

    /// Declared in release order reversed: members go from the last, so the session goes last.
    SmartPtr<DorsaSession> m_session;
    SmartPtr<BrowseService> m_browse;
    SmartPtr<SearchService> m_search;
    SmartPtr<DataExportService> m_dataExport;
    SmartPtr<DataImportService> m_dataImport;
    SmartPtr<EngineeringDataService> m_engineeringData;
};

} // namespace zvrtkDorsaServiceLayer
