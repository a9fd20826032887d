#include "dorsa/services/ServiceFacades.h"

namespace zvrtkDorsaServiceLayer {

BrowseService::BrowseService(DorsaSession* session)
{
    m_getDatabase = new GetDatabaseImpl(session);
    m_getTables = new GetTablesImpl(session);
    m_getAttributeDetails = new GetAttributeDetailsImpl(session);
    m_getRecordAttributes = new GetRecordAttributesImpl(session);
    m_getSubsets = new GetSubsetsImpl(session);
    m_getUnitSystems = new GetUnitSystemsImpl(session);
    m_getAttributeMinMax = new GetAttributeMinMaxImpl(session);
    m_getCurrencies = new GetCurrenciesImpl(session);
    m_getUnitConversions = new GetUnitConversionsImpl(session);
    m_getUnits = new GetUnitsImpl(session);
    m_getRootNode = new GetRootNodeImpl(session);
    m_getChildNodes = new GetChildNodesImpl(session);
    m_getRecordLinkGroups = new GetRecordLinkGroupsImpl(session);
    m_getRecordVersions = new GetRecordVersionsImpl(session);
    m_getLinkedRecords = new GetLinkedRecordsImpl(session);
    m_getAttributeParameters = new GetAttributeParametersImpl(session);
    m_getParameterDetails = new GetParameterDetailsImpl(session);
    m_getMetaAttributes = new GetMetaAttributesImpl(session);
}

std::string BrowseService::GetBrowseDefinition(const std::string& version)
{
    return Services::Browse.Namespace(version);
}

SearchService::SearchService(DorsaSession* session)
{
    m_simpleTextSearch = new SimpleTextSearchImpl(session);
    m_criteriaSearch = new CriteriaSearchImpl(session);
    m_recordNameSearch = new RecordNameSearchImpl(session);
}

std::string SearchService::GetSearchDefinition(const std::string& version)
{
    return Services::Search.Namespace(version);
}

DataExportService::DataExportService(DorsaSession* session)
{
    m_getRecordAttributesByRef = new GetRecordAttributesByRefImpl(session);
}

std::string DataExportService::GetDataExportDefinition(std::string version)
{
    return Services::DataExport.Namespace(version);
}

DataImportService::DataImportService(DorsaSession* session)
{
    m_setRecordAttributes = new SetRecordAttributesImpl(session);
    m_getUploadAddresses = new GetUploadAddressesImpl(session);
}

std::string DataImportService::GetDataImportDefinition(const std::string& version)
{
    return Services::DataImport.Namespace(version);
}

EngineeringDataService::EngineeringDataService(DorsaSession* session)
{
    m_getAvailableExporters = new GetAvailableExportersImpl(session);
    m_exportRecordData = new ExportRecordDataImpl(session);
    m_getExporterParameters = new GetExporterParametersImpl(session);
    m_exportersForRecords = new ExportersForRecordsImpl(session);
}

std::string EngineeringDataService::GetEngineeringDataDefinition(const std::string& version)
{
    return Services::EngineeringData.Namespace(version);
}

} // namespace zvrtkDorsaServiceLayer
