/**
 * @file
 * @brief The five service facades that hand out one operation object of each kind.
 *
 * Holds BrowseService, SearchService, DataExportService, DataImportService and
 * EngineeringDataService.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/browse/AttributeDetails.h"
#include "dorsa/browse/AttributeMinMax.h"
#include "dorsa/browse/Databases.h"
#include "dorsa/browse/MetaAttributes.h"
#include "dorsa/browse/ParameterDetails.h"
#include "dorsa/browse/RecordAttributes.h"
#include "dorsa/browse/RecordLinks.h"
#include "dorsa/browse/RecordVersions.h"
#include "dorsa/browse/Subsets.h"
#include "dorsa/browse/Tables.h"
#include "dorsa/browse/Tree.h"
#include "dorsa/browse/Units.h"
#include "dorsa/export/ExportRecordData.h"
#include "dorsa/export/ExporterParameters.h"
#include "dorsa/export/Exporters.h"
#include "dorsa/export/RecordData.h"
#include "dorsa/import/AttributeImport.h"
#include "dorsa/search/CriteriaSearch.h"
#include "dorsa/search/TextSearch.h"
#include "dorsa/services/ServiceCatalogue.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

/**
 * @brief The browse service: one operation object per browse operation, all on one session.
 *
 * Its operation objects keep a plain pointer to the session: keep the session alive for as
 * long as the facade is used. GetTreeRecordsImpl belongs to no facade.
 */
class DORSA_EXPORT BrowseService final : public SmartPtrTarget_ts {
public:
    /// @brief Makes every browse operation object; each copies the session's header settings now.
    explicit BrowseService(DorsaSession* session);

    /// @brief The service namespace for interface version @p version.
    static std::string GetBrowseDefinition(const std::string& version);

    SmartPtr<GetDatabaseImpl> GetGetDatabaseImpl() const { return m_getDatabase; }
    SmartPtr<GetTablesImpl> GetGetTablesImpl() const { return m_getTables; }
    SmartPtr<GetAttributeDetailsImpl> GetGetAttributeDetailsImpl() const { return m_getAttributeDetails; }
    SmartPtr<GetAttributeMinMaxImpl> GetGetAttributeMinMaxImpl() const { return m_getAttributeMinMax; }
    SmartPtr<GetRecordAttributesImpl> GetGetRecordAttributesImpl() const { return m_getRecordAttributes; }
    SmartPtr<GetSubsetsImpl> GetGetSubsetsImpl() const { return m_getSubsets; }
    SmartPtr<GetUnitSystemsImpl> GetGetUnitSystemsImpl() const { return m_getUnitSystems; }
    SmartPtr<GetCurrenciesImpl> GetGetCurrenciesImpl() const { return m_getCurrencies; }
    SmartPtr<GetUnitConversionsImpl> GetGetUnitConversionsImpl() const { return m_getUnitConversions; }
    SmartPtr<GetUnitsImpl> GetGetUnitsImpl() const { return m_getUnits; }
    SmartPtr<GetRootNodeImpl> GetGetRootNodeImpl() const { return m_getRootNode; }
    SmartPtr<GetChildNodesImpl> GetGetChildNodesImpl() const { return m_getChildNodes; }
    SmartPtr<GetRecordLinkGroupsImpl> GetGetRecordLinkGroupsImpl() const { return m_getRecordLinkGroups; }
    SmartPtr<GetRecordVersionsImpl> GetGetRecordVersionsImpl() const { return m_getRecordVersions; }
    SmartPtr<GetLinkedRecordsImpl> GetGetLinkedRecordsImpl() const { return m_getLinkedRecords; }
    SmartPtr<GetAttributeParametersImpl> GetGetAttributeParametersImpl() const { return m_getAttributeParameters; }
    SmartPtr<GetParameterDetailsImpl> GetGetParameterDetailsImpl() const { return m_getParameterDetails; }
    SmartPtr<GetMetaAttributesImpl> GetGetMetaAttributesImpl() const { return m_getMetaAttributes; }

private:
    SmartPtr<GetDatabaseImpl> m_getDatabase;
    SmartPtr<GetTablesImpl> m_getTables;
    SmartPtr<GetAttributeDetailsImpl> m_getAttributeDetails;
    SmartPtr<GetAttributeMinMaxImpl> m_getAttributeMinMax;
    SmartPtr<GetRecordAttributesImpl> m_getRecordAttributes;
    SmartPtr<GetSubsetsImpl> m_getSubsets;
    SmartPtr<GetUnitSystemsImpl> m_getUnitSystems;
    SmartPtr<GetCurrenciesImpl> m_getCurrencies;
    SmartPtr<GetUnitConversionsImpl> m_getUnitConversions;
    SmartPtr<GetUnitsImpl> m_getUnits;
    SmartPtr<GetRootNodeImpl> m_getRootNode;
    SmartPtr<GetChildNodesImpl> m_getChildNodes;
    SmartPtr<GetRecordLinkGroupsImpl> m_getRecordLinkGroups;
    SmartPtr<GetRecordVersionsImpl> m_getRecordVersions;
    SmartPtr<GetLinkedRecordsImpl> m_getLinkedRecords;
    SmartPtr<GetAttributeParametersImpl> m_getAttributeParameters;
    SmartPtr<GetParameterDetailsImpl> m_getParameterDetails;
    SmartPtr<GetMetaAttributesImpl> m_getMetaAttributes;
};

/// @brief The search service: free text, record name and attribute criteria searches.
class DORSA_EXPORT SearchService final : public SmartPtrTarget_ts {
public:
    /// @brief Makes the three search operation objects on @p session.
    explicit SearchService(DorsaSession* session);

    /// @brief The service namespace for interface version @p version.
    static std::string GetSearchDefinition(const std::string& version);

    SmartPtr<SimpleTextSearchImpl> GetSimpleTextSearchImpl() const { return m_simpleTextSearch; }
    SmartPtr<CriteriaSearchImpl> GetCriteriaSearchImpl() const { return m_criteriaSearch; }
    SmartPtr<RecordNameSearchImpl> GetRecordNameSearchImpl() const { return m_recordNameSearch; }

private:
    SmartPtr<SimpleTextSearchImpl> m_simpleTextSearch;
    SmartPtr<CriteriaSearchImpl> m_criteriaSearch;
    SmartPtr<RecordNameSearchImpl> m_recordNameSearch;
};

/// @brief The data export service: reading the attribute values of records.
class DORSA_EXPORT DataExportService final : public SmartPtrTarget_ts {
public:
    explicit DataExportService(DorsaSession* session);

    /// @brief The service namespace for interface version @p version.
    static std::string GetDataExportDefinition(std::string version);

    SmartPtr<GetRecordAttributesByRefImpl> GetRecordAttributesByRefImplPtr() const { return m_getRecordAttributesByRef; }

private:
    SmartPtr<GetRecordAttributesByRefImpl> m_getRecordAttributesByRef;
};

/**
 * @brief The data import service: writing attribute values and asking where files go.
 *
 * ModifyRecordLinksImpl belongs to no facade.
 */
class DORSA_EXPORT DataImportService final : public SmartPtrTarget_ts {
public:
    explicit DataImportService(DorsaSession* session);

    /// @brief The service namespace for interface version @p version.
    static std::string GetDataImportDefinition(const std::string& version);

    SmartPtr<SetRecordAttributesImpl> SetRecordAttributesImplPtr() const { return m_setRecordAttributes; }
    SmartPtr<GetUploadAddressesImpl> GetUploadAddressesImplPtr() const { return m_getUploadAddresses; }

private:
    SmartPtr<SetRecordAttributesImpl> m_setRecordAttributes;
    SmartPtr<GetUploadAddressesImpl> m_getUploadAddresses;
};

/// @brief The engineering data service: exporters and the export of record data.
class DORSA_EXPORT EngineeringDataService final : public SmartPtrTarget_ts {
public:
    explicit EngineeringDataService(DorsaSession* session);

    /// @brief The service namespace for interface version @p version.
    static std::string GetEngineeringDataDefinition(const std::string& version);

    SmartPtr<GetAvailableExportersImpl> GetGetAvailableExportersImplPtr() const { return m_getAvailableExporters; }
    SmartPtr<ExportRecordDataImpl> GetExportRecordDataImpl() const { return m_exportRecordData; }
    SmartPtr<GetExporterParametersImpl> GetGetExporterParametersImpl() const { return m_getExporterParameters; }
    SmartPtr<ExportersForRecordsImpl> GetGetExportersForRecordsImpl() const { return m_exportersForRecords; }

private:
    SmartPtr<GetAvailableExportersImpl> m_getAvailableExporters;
    SmartPtr<ExportRecordDataImpl> m_exportRecordData;
    SmartPtr<GetExporterParametersImpl> m_getExporterParameters;
    SmartPtr<ExportersForRecordsImpl> m_exportersForRecords;
};

} // namespace zvrtkDorsaServiceLayer
