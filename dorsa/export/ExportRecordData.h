/**
 * @file
 * @brief The ExportRecordData family: records exported as text by an exporter.
 *
 * Holds UnittedParameterValue, ExportRecordDataRequest, ExportRecordDataResponse and
 * ExportRecordDataImpl.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/browse/UnitDetails.h"
#include "dorsa/pipeline/IRequest.h"
#include "dorsa/pipeline/ResponseBase.h"
#include "dorsa/references/AttributeReference.h"
#include "dorsa/references/RecordFilter.h"
#include "dorsa/references/RecordReference.h"
#include "dorsa/services/ServiceCatalogue.h"
#include "dorsa/values/Parameters.h"
#include "dorsa/xml/XmlReadable.h"

#include <memory>
#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// @brief A parameter value handed to an exporter, with the unit it is given in.
class DORSA_EXPORT UnittedParameterValue final {
public:
    UnittedParameterValue() = default;
    UnittedParameterValue(const SmartPtr<ParameterReferenceAndValue>& value, const std::string& unitSymbol)
        : m_value(value), m_unitSymbol(unitSymbol)
    {
    }

    SmartPtr<ParameterReferenceAndValue> GetParameterValue() const { return m_value; }
    void SetParameterValue(const SmartPtr<ParameterReferenceAndValue>& value) { m_value = value; }
    /// @brief Empty when the value has no unit.
    std::string GetUnitSymbol() const { return m_unitSymbol; }
    void SetUnitSymbol(const std::string& unitSymbol) { m_unitSymbol = unitSymbol; }

    /// @brief The parameter and value, then "zbt:UnitSymbol" when there is a unit; nothing
    /// at all without a value.
    void CreateXMLNode(XmlNode<char>* element) const;

private:
    SmartPtr<ParameterReferenceAndValue> m_value;
    std::string m_unitSymbol;
};

/// @brief Runs one exporter over records and attributes.
class DORSA_EXPORT ExportRecordDataRequest final : public IRequest {
public:
    ExportRecordDataRequest() = default;
    ExportRecordDataRequest(const ExportRecordDataRequest&) = default;
    ExportRecordDataRequest& operator=(const ExportRecordDataRequest&) = default;

    std::vector<SmartPtr<RecordReference>>& AccessRecords() { return m_records; }
    void SetRecords(const std::vector<SmartPtr<RecordReference>>& records) { m_records = records; }
    void AddRecord(const SmartPtr<RecordReference>& record) { m_records.push_back(record); }
    /// @brief None: every attribute the exporter takes.
    std::vector<SmartPtr<AttributeReference>>& AccessAttributes() { return m_attributes; }
    void SetAttributes(const std::vector<SmartPtr<AttributeReference>>& attributes) { m_attributes = attributes; }
    void AddAttribute(const SmartPtr<AttributeReference>& attribute) { m_attributes.push_back(attribute); }
    std::string GetExporterKey() const { return m_exporterKey; }
    void SetExporterKey(const std::string& key) { m_exporterKey = key; }
    SmartPtr<UnitConversionContext> GetUnitConversionContext() const { return m_unitConversionContext; }
    void SetUnitConversionContext(const SmartPtr<UnitConversionContext>& context)
    {
        m_unitConversionContext = context;
    }
    SmartPtr<RecordFilter> GetFilter() const { return m_filter; }
    void SetFilter(const SmartPtr<RecordFilter>& filter) { m_filter = filter; }
    std::vector<UnittedParameterValue>& AccessParameterValues() { return m_parameterValues; }
    void SetParameterValues(const std::vector<UnittedParameterValue>& values) { m_parameterValues = values; }
    void AddParameterValue(const UnittedParameterValue& value) { m_parameterValues.push_back(value); }
    /// @brief Sent when 1 or more; 0 leaves the number of figures to the exporter.
    int GetSigFigs() const { return m_sigFigs; }
    void SetSigFigs(int sigFigs) { m_sigFigs = sigFigs; }

    /// The export may stop before a transform, named by position or by id, never both.
    /// @brief -1: no stop by position.
    int GetStopBeforeIndex() const { return m_stopBeforeIndex; }
    /// @brief An index of 0 or more clears the stop-before id.
    void SetStopBeforeIndex(int index);
    std::string GetStopBeforeId() const { return m_stopBeforeId; }
    /// @brief A non-empty id clears the stop-before index.
    void SetStopBeforeId(const std::string& id);

    /// @brief Records (always), attributes when there are any, "eng:exporterKey" (always),
    /// context, filter, parameter values, stop-before.
    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    void WriteParameterValues(XmlNode<char>* element, XmlDocument<char>* document) const;
    void WriteStopBefore(XmlNode<char>* element, XmlDocument<char>* document) const;

    std::vector<SmartPtr<RecordReference>> m_records;
    std::vector<SmartPtr<AttributeReference>> m_attributes;
    std::string m_exporterKey;
    SmartPtr<UnitConversionContext> m_unitConversionContext;
    SmartPtr<RecordFilter> m_filter;
    std::vector<UnittedParameterValue> m_parameterValues;
    int m_sigFigs = 0;
    int m_stopBeforeIndex = -1;
    std::string m_stopBeforeId;
};

/// @brief The exported text, exactly as the server sent it.
///
/// Export texts can be large. The text is copied once, from the reply into a buffer that
/// copies of the response share: the pipeline's assignment into the caller's response
/// takes the buffer, not another copy of the text.
class DORSA_EXPORT ExportRecordDataResponse final : public ResponseBase, public XmlReadable<ExportRecordDataResponse> {
public:
    ExportRecordDataResponse() = default;

    const std::string& GetText() const;

private:
    friend XmlReadable<ExportRecordDataResponse>;
    explicit ExportRecordDataResponse(const XmlNode<char>* node);

    std::shared_ptr<const std::string> m_text;
};

/// @brief Exports record data through one of the server's exporters.
class DORSA_EXPORT ExportRecordDataImpl final
    : public OperationImpl<Catalogue::ExportRecordData, ExportRecordDataRequest, ExportRecordDataResponse> {
public:
    using OperationImpl::OperationImpl;

    void ExportRecordData(SmartPtr<ExportRecordDataRequest> request, ExportRecordDataResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

} // namespace zvrtkDorsaServiceLayer
