/**
 * @file
 * @brief The GetExporterParameters family: what an exporter needs to know of records.
 *
 * Holds ExporterParameter, AttributeExporterParameters, RecordExporterParameters,
 * GetExporterParametersRequest, GetExporterParametersResponse and GetExporterParametersImpl.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/browse/GraphDomain.h"
#include "dorsa/browse/UnitDetails.h"
#include "dorsa/pipeline/IRequest.h"
#include "dorsa/pipeline/ResponseBase.h"
#include "dorsa/references/NamedEntities.h"
#include "dorsa/references/RecordReference.h"
#include "dorsa/services/ServiceCatalogue.h"
#include "dorsa/values/Parameters.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// @brief A parameter as an exporter sees it: its id within the exporter and how it is used.
class DORSA_EXPORT ExporterParameter final : public ParameterInformation, public XmlReadable<ExporterParameter> {
public:
    enum eUsage : int {
        Unknown = 0,
        Free = 1,
        Fixed = 2,
        Unused = 3,
    };

    ExporterParameter() = default;
    ExporterParameter(const ExporterParameter&) = default;
    ExporterParameter& operator=(const ExporterParameter&) = default;
    using XmlReadable<ExporterParameter>::CreateOne; ///< hides the base's

    std::string GetId() const { return m_id; }
    void SetId(const std::string& id) { m_id = id; }
    eUsage GetUsage() const { return m_usage; }
    void SetUsage(eUsage usage) { m_usage = usage; }

private:
    friend XmlReadable<ExporterParameter>;
    explicit ExporterParameter(const XmlNode<char>* node);

    std::string m_id;
    eUsage m_usage = Unknown;
};

/// @brief What one exporter needs of one attribute of one record, and whether the record has it.
class DORSA_EXPORT AttributeExporterParameters final : public SmartPtrTarget_ts,
                                                       public XmlReadable<AttributeExporterParameters> {
public:
    enum eDataPresence : int {
        Unknown = 0,
        Present = 1,
        NotApplicable = 2,
        Missing = 3,
        DataIncompatibleWithConfiguration = 4,
    };

    AttributeExporterParameters() = default;
    AttributeExporterParameters(const AttributeExporterParameters&) = default;
    AttributeExporterParameters& operator=(const AttributeExporterParameters&) = default;

    SmartPtr<NamedAttribute> GetAttribute() const { return m_attribute; }
    void SetAttribute(const SmartPtr<NamedAttribute>& attribute) { m_attribute = attribute; }
    std::vector<SmartPtr<ExporterParameter>>& AccessParameters() { return m_parameters; }
    void SetParameters(const std::vector<SmartPtr<ExporterParameter>>& parameters) { m_parameters = parameters; }
    void AddParameter(const SmartPtr<ExporterParameter>& parameter) { m_parameters.push_back(parameter); }
    std::vector<SmartPtr<GraphDomain>>& AccessGraphDomains() { return m_graphDomains; }
    void SetGraphDomains(const std::vector<SmartPtr<GraphDomain>>& domains) { m_graphDomains = domains; }
    void AddGraphDomain(const SmartPtr<GraphDomain>& domain) { m_graphDomains.push_back(domain); }
    eDataPresence GetDataPresence() const { return m_dataPresence; }
    void SetDataPresence(eDataPresence presence) { m_dataPresence = presence; }

private:
    friend XmlReadable<AttributeExporterParameters>;
    explicit AttributeExporterParameters(const XmlNode<char>* node);

    SmartPtr<NamedAttribute> m_attribute;
    std::vector<SmartPtr<ExporterParameter>> m_parameters;
    std::vector<SmartPtr<GraphDomain>> m_graphDomains;
    eDataPresence m_dataPresence = Unknown;
};

/// @brief The exporter parameters of one record, per attribute.
class DORSA_EXPORT RecordExporterParameters final : public SmartPtrTarget_ts,
                                                    public XmlReadable<RecordExporterParameters> {
public:
    RecordExporterParameters() = default;
    RecordExporterParameters(const RecordExporterParameters&) = default;
    RecordExporterParameters& operator=(const RecordExporterParameters&) = default;

    SmartPtr<RecordReference> GetRecord() const { return m_record; }
    std::vector<SmartPtr<AttributeExporterParameters>>& AccessAttributes() { return m_attributes; }

private:
    friend XmlReadable<RecordExporterParameters>;
    explicit RecordExporterParameters(const XmlNode<char>* node);

    SmartPtr<RecordReference> m_record;
    std::vector<SmartPtr<AttributeExporterParameters>> m_attributes;
};

/// @brief Asks what one exporter needs of given records.
class DORSA_EXPORT GetExporterParametersRequest final : public IRequest {
public:
    GetExporterParametersRequest() = default;

    std::vector<SmartPtr<RecordReference>>& AccessRecords() { return m_records; }
    void SetRecords(const std::vector<SmartPtr<RecordReference>>& records) { m_records = records; }
    void AddRecord(const SmartPtr<RecordReference>& record) { m_records.push_back(record); }
    std::string GetExporterKey() const { return m_exporterKey; }
    void SetExporterKey(const std::string& key) { m_exporterKey = key; }
    SmartPtr<UnitConversionContext> GetUnitConversionContext() const { return m_unitConversionContext; }
    void SetUnitConversionContext(const SmartPtr<UnitConversionContext>& context) { m_unitConversionContext = context; }
    bool GetPopulateGUIDs() const { return m_populateGUIDs; }
    void SetPopulateGUIDs(bool populate) { m_populateGUIDs = populate; }

    /// @brief Records, "eng:ExporterKey", the context when set, "eng:populateGUIDs" as "1"/"0".
    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    std::vector<SmartPtr<RecordReference>> m_records;
    std::string m_exporterKey;
    SmartPtr<UnitConversionContext> m_unitConversionContext;
    bool m_populateGUIDs = false;
};

/// @brief The exporter parameters of each record asked for; empty when the reply has no "Records".
class DORSA_EXPORT GetExporterParametersResponse final : public ResponseBase,
                                                         public XmlReadable<GetExporterParametersResponse> {
public:
    GetExporterParametersResponse() = default;

    std::vector<SmartPtr<RecordExporterParameters>>& GetRecords() { return m_records; }

private:
    friend XmlReadable<GetExporterParametersResponse>;
    explicit GetExporterParametersResponse(const XmlNode<char>* node);

    std::vector<SmartPtr<RecordExporterParameters>> m_records;
};

/// @brief Fetches what an exporter needs of records.
class DORSA_EXPORT GetExporterParametersImpl final
    : public OperationImpl<Catalogue::GetExporterParameters, GetExporterParametersRequest,
                           GetExporterParametersResponse> {
public:
    using OperationImpl::OperationImpl;

    void GetExporterParameters(SmartPtr<GetExporterParametersRequest> request, GetExporterParametersResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

} // namespace zvrtkDorsaServiceLayer
