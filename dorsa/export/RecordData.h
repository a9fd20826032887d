/**
 * @file
 * @brief The GetRecordAttributesByRef family: attribute values of records.
 *
 * Holds BinaryDataRepresentations, RecordData, GetRecordAttributesByRefRequest,
 * GetRecordAttributesByRefResponse and GetRecordAttributesByRefImpl.
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
#include "dorsa/values/AttributeValue.h"
#include "dorsa/xml/XmlReadable.h"

#include <array>
#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// @brief How file and picture data come back: inline, or as a URL to fetch them from.
struct DORSA_EXPORT BinaryDataRepresentations {
    enum eBinaryDataRepresentation : int {
        Inline = 0,
        URL = 1,
    };

    /// @brief "Inline" for Inline, "URL" for every other value.
    static std::string BinaryDataRepresentation_ToString(eBinaryDataRepresentation value);
    /// @brief Inline for exactly "Inline", URL for any other text.
    static eBinaryDataRepresentation BinaryDataRepresentation_FromString(const std::string& text);
};

/// @brief The values of one record: every value in reply order, and the pseudo attributes
/// (name, short name, dates, GUIDs ...) also by index.
class DORSA_EXPORT RecordData final : public SmartPtrTarget_ts, public XmlReadable<RecordData> {
public:
    static constexpr int s_pseudoAttributeSlots = 20;

    RecordData() = default;

    SmartPtr<RecordReference> GetRecordReference() const { return m_record; }
    std::vector<SmartPtr<AttributeValue>>& AccessAttributeValues() { return m_attributeValues; }
    /// @brief The value of a pseudo attribute, shared with the list; empty when the reply
    /// held none, and for an index outside 0 to 19 (parentRecordHistoryGUID has no slot).
    SmartPtr<AttributeValue> AccessPseudoAttribute(AttributeReference::PseudoAttrs::eDorsaPseudoAttributeReference index) const;

private:
    friend XmlReadable<RecordData>;
    explicit RecordData(const XmlNode<char>* node);

    SmartPtr<RecordReference> m_record = new RecordReference;
    std::vector<SmartPtr<AttributeValue>> m_attributeValues;
    std::array<SmartPtr<AttributeValue>, s_pseudoAttributeSlots> m_pseudoAttributes;
};

/// @brief Asks for the values of given attributes of given records.
class DORSA_EXPORT GetRecordAttributesByRefRequest final : public IRequest {
public:
    GetRecordAttributesByRefRequest() = default;

    std::vector<SmartPtr<RecordReference>>& AccessRecordReferences() { return m_recordReferences; }
    void SetRecordReferences(const std::vector<SmartPtr<RecordReference>>& records) { m_recordReferences = records; }
    void AddRecordReference(const SmartPtr<RecordReference>& record) { m_recordReferences.push_back(record); }
    std::vector<SmartPtr<AttributeReference>>& AccessAttributeReferences() { return m_attributeReferences; }
    void SetAttributeReferences(const std::vector<SmartPtr<AttributeReference>>& attributes)
    {
        m_attributeReferences = attributes;
    }
    void AddAttributeReference(const SmartPtr<AttributeReference>& attribute) { m_attributeReferences.push_back(attribute); }
    SmartPtr<UnitConversionContext> GetUnitConversionContext() const { return m_unitConversionContext; }
    void SetUnitConversionContext(const SmartPtr<UnitConversionContext>& context) { m_unitConversionContext = context; }
    SmartPtr<RecordFilter> GetRecordFilter() const { return m_recordFilter; }
    void SetRecordFilter(const SmartPtr<RecordFilter>& filter) { m_recordFilter = filter; }
    BinaryDataRepresentations::eBinaryDataRepresentation GetBinaryDataRepresentation() const
    {
        return m_binaryDataRepresentation;
    }
    void SetBinaryDataRepresentation(BinaryDataRepresentations::eBinaryDataRepresentation value)
    {
        m_binaryDataRepresentation = value;
    }
    bool GetPopulateGUIDs() const { return m_populateGUIDs; }
    void SetPopulateGUIDs(bool populate) { m_populateGUIDs = populate; }
    bool GetUseFallback() const { return m_useFallback; }
    void SetUseFallback(bool useFallback) { m_useFallback = useFallback; }

    /// @brief Attributes first, then records, whatever order they were added in.
    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    SmartPtr<UnitConversionContext> m_unitConversionContext;
    std::vector<SmartPtr<RecordReference>> m_recordReferences;
    std::vector<SmartPtr<AttributeReference>> m_attributeReferences;
    SmartPtr<RecordFilter> m_recordFilter;
    BinaryDataRepresentations::eBinaryDataRepresentation m_binaryDataRepresentation = BinaryDataRepresentations::URL;
    bool m_populateGUIDs = false;
    bool m_useFallback = false;
};

/// @brief The values of the records asked for, one RecordData per record.
class DORSA_EXPORT GetRecordAttributesByRefResponse final : public ResponseBase,
                                                            public XmlReadable<GetRecordAttributesByRefResponse> {
public:
    GetRecordAttributesByRefResponse() = default;

    std::vector<SmartPtr<RecordData>>& AccessRecordData() { return m_recordData; }
    void AddRecordData(const SmartPtr<RecordData>& data) { m_recordData.push_back(data); }

private:
    friend XmlReadable<GetRecordAttributesByRefResponse>;
    explicit GetRecordAttributesByRefResponse(const XmlNode<char>* node);

    std::vector<SmartPtr<RecordData>> m_recordData;
};

/// @brief Reads attribute values of records.
class DORSA_EXPORT GetRecordAttributesByRefImpl final
    : public OperationImpl<Catalogue::GetRecordAttributesByRef, GetRecordAttributesByRefRequest,
                           GetRecordAttributesByRefResponse> {
public:
    using OperationImpl::OperationImpl;

    void RequestRecordAttributesByRef(SmartPtr<GetRecordAttributesByRefRequest> request,
                                      GetRecordAttributesByRefResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

} // namespace zvrtkDorsaServiceLayer
