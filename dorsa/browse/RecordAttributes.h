/**
 * @file
 * @brief The GetRecordAttributes family: which attributes records have data for.
 *
 * Holds RecordAttribute, GetRecordAttributesRequest, GetRecordAttributesResponse and
 * GetRecordAttributesImpl.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/browse/AttributeDetails.h"
#include "dorsa/browse/ParameterDetails.h"
#include "dorsa/pipeline/IRequest.h"
#include "dorsa/pipeline/ResponseBase.h"
#include "dorsa/references/RecordReference.h"
#include "dorsa/services/ServiceCatalogue.h"
#include "dorsa/xml/XmlReadable.h"

#include <vector>

namespace zvrtkDorsaServiceLayer {

/// @brief One attribute of one record and what is known of its data, without the value.
class DORSA_EXPORT RecordAttribute final : public SmartPtrTarget_ts, public XmlReadable<RecordAttribute> {
public:
    RecordAttribute() = default;
    RecordAttribute(const RecordAttribute&) = default;
    RecordAttribute& operator=(const RecordAttribute&) = default;

    SmartPtr<RecordReference> GetRecordReference() const { return m_record; }
    void SetRecordReference(const SmartPtr<RecordReference>& record) { m_record = record; }
    SmartPtr<NamedAttribute> GetAttribute() const { return m_attribute; }
    void SetAttribute(const SmartPtr<NamedAttribute>& attribute) { m_attribute = attribute; }
    bool GetHasData() const { return m_hasData; }
    void SetHasData(const bool& hasData) { m_hasData = hasData; }
    SmartPtr<RevisionInfo> GetDataRevisionInfo() const { return m_dataRevisionInfo; }
    int GetDataCreatedRecordVersion() const { return m_dataCreatedRecordVersion; }
    int GetDataRetiredRecordVersion() const { return m_dataRetiredRecordVersion; }
    int GetDataVersionNumber() const { return m_dataVersionNumber; }
    std::vector<SmartPtr<ParameterDetail>>& GetParameterDetails() { return m_parameterDetails; }

private:
    friend XmlReadable<RecordAttribute>;
    explicit RecordAttribute(const XmlNode<char>* node);

    SmartPtr<RecordReference> m_record = new RecordReference;
    SmartPtr<NamedAttribute> m_attribute = new AttributeDetail;
    bool m_hasData = false;
    SmartPtr<RevisionInfo> m_dataRevisionInfo;
    int m_dataCreatedRecordVersion = 0;
    int m_dataRetiredRecordVersion = 0;
    int m_dataVersionNumber = 0;
    std::vector<SmartPtr<ParameterDetail>> m_parameterDetails;
};

/// @brief Asks which attributes given records have; the four flags widen what is told.
class DORSA_EXPORT GetRecordAttributesRequest final : public IRequest {
public:
    static SmartPtr<GetRecordAttributesRequest> CreateOne() { return new GetRecordAttributesRequest; }

    std::vector<SmartPtr<RecordReference>>& AccessRecordReferences() { return m_recordReferences; }
    void SetRecordReferences(const std::vector<SmartPtr<RecordReference>>& records) { m_recordReferences = records; }
    void AddRecordReference(const SmartPtr<RecordReference>& record) { m_recordReferences.push_back(record); }
    void SetIncludeMeta(bool include) { m_includeMeta = include; }
    void SetIncludeEmpty(bool include) { m_includeEmpty = include; }
    void SetIncludeParamDetails(bool include) { m_includeParamDetails = include; }
    void SetIncludeFullAttributeDetail(bool include) { m_includeFullAttributeDetail = include; }

    /// @brief The record list (always), then each flag that is set as "1".
    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    std::vector<SmartPtr<RecordReference>> m_recordReferences;
    bool m_includeMeta = false;
    bool m_includeEmpty = false;
    bool m_includeParamDetails = false;
    bool m_includeFullAttributeDetail = false;
};

/// @brief The attributes of the records asked for; empty when the reply has no "recordAttributes".
class DORSA_EXPORT GetRecordAttributesResponse final : public ResponseBase,
                                                       public XmlReadable<GetRecordAttributesResponse> {
public:
    GetRecordAttributesResponse() = default;

    std::vector<SmartPtr<RecordAttribute>>& AccessRecordAttributes() { return m_recordAttributes; }
    void AddRecordAttribute(const SmartPtr<RecordAttribute>& attribute) { m_recordAttributes.push_back(attribute); }

private:
    friend XmlReadable<GetRecordAttributesResponse>;
    explicit GetRecordAttributesResponse(const XmlNode<char>* node);

    std::vector<SmartPtr<RecordAttribute>> m_recordAttributes;
};

/// @brief Tells which attributes records have.
class DORSA_EXPORT GetRecordAttributesImpl final
    : public OperationImpl<Catalogue::GetRecordAttributes, GetRecordAttributesRequest, GetRecordAttributesResponse> {
public:
    using OperationImpl::OperationImpl;

    void RequestRecordAttributes(SmartPtr<GetRecordAttributesRequest> request, GetRecordAttributesResponse* response)
    {
        ExecuteRequest(request, response);
    }
    /// @brief The same for a new request holding @p records, every flag false.
    void RequestRecordAttributes(const std::vector<SmartPtr<RecordReference>>& records,
                                 GetRecordAttributesResponse* response);
};

} // namespace zvrtkDorsaServiceLayer
