/**
 * @file
 * @brief The SetRecordAttributes and GetUploadAddresses families: writing attribute values into records.
 *
 * Holds ImportErrorModes, ImportRecordModes, ImportAttributeValue, ImportRecord,
 * SetRecordAttributesRequest, SetRecordAttributesResponse, GetUploadAddressesRequest,
 * RecordWithAttributeAddresses, GetUploadAddressesResponse, SetRecordAttributesImpl and
 * GetUploadAddressesImpl.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/pipeline/IRequest.h"
#include "dorsa/pipeline/ResponseBase.h"
#include "dorsa/references/AttributeIdentifier.h"
#include "dorsa/references/AttributeReference.h"
#include "dorsa/references/NamedEntities.h"
#include "dorsa/references/RecordReference.h"
#include "dorsa/references/SubsetReference.h"
#include "dorsa/services/ServiceCatalogue.h"
#include "dorsa/values/DataValue.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// @brief What the server does when one record of an import cannot be written.
struct DORSA_EXPORT ImportErrorModes {
    enum eImportErrorMode : int {
        FaultAndRollbackOnAnyError = 0,
        LogAndContinueWherePossible = 1,
    };
    /// "FaultAndRollbackOnAnyError" for 0, "LogAndContinueWherePossible" for any other value.
    static std::string ImportErrorMode_ToString(eImportErrorMode mode);
    /// 0 for exactly "FaultAndRollbackOnAnyError", 1 for any other text.
    static eImportErrorMode ImportErrorMode_FromString(const std::string& text);
};

/// @brief Whether an import record updates, creates or copies a record.
struct DORSA_EXPORT ImportRecordModes {
    enum eImportRecordMode : int {
        Update = 0,
        Create = 1,
        Copy = 2,
        Unrecognised = 3,
    };
    /// "update", "create" or "copy" as requests carry them; "" for any other value.
    static std::string ImportRecordMode_ToString(eImportRecordMode mode);
    /// 0 to 2 for exactly "Update", "Create" or "Copy" (capitalised); 3 for any other text.
    static eImportRecordMode ImportRecordMode_FromString(const std::string& text);
};

/// @brief One attribute value to set: the attribute and its new data.
class DORSA_EXPORT ImportAttributeValue final : public SmartPtrTarget_ts {
public:
    ImportAttributeValue() = default;
    ImportAttributeValue(const SmartPtr<IDataValue>& value, const SmartPtr<AttributeReference>& attribute)
        : m_value(value), m_attribute(attribute)
    {
    }
    ImportAttributeValue(const ImportAttributeValue&) = default;
    ImportAttributeValue& operator=(const ImportAttributeValue&) = default;

    SmartPtr<IDataValue> GetDataValue() const { return m_value; }
    void SetDataValue(SmartPtr<IDataValue> value) { m_value = value; }
    SmartPtr<AttributeReference> GetAttributeReference() const { return m_attribute; }
    void SetAttributeReference(SmartPtr<AttributeReference> attribute) { m_attribute = attribute; }

    /// "zbt:attribute" when set, then "zbt:value" holding the value in its import element when set.
    void CreateXMLNode(XmlNode<char>* element) const;

private:
    SmartPtr<IDataValue> m_value;
    SmartPtr<AttributeReference> m_attribute;
};

/// @brief One record to update, create under a parent, or copy to a new parent, with the
/// values and subsets to give it.
class DORSA_EXPORT ImportRecord final : public SmartPtrTarget_ts {
public:
    /// @brief How the record's subset list is applied; 0 sends none.
    struct UpdateSubsets {
        enum eMode : int {
            NotSent = 0,
            Append = 1,
            Replace = 2,
        };
    };

    ImportRecord() = default;
    /// @brief @p existing is the record to update, the parent to create under or the record to copy.
    ImportRecord(const SmartPtr<RecordReference>& existing, const std::string& recordName,
                 ImportRecordModes::eImportRecordMode mode, bool isFolder)
        : m_recordName(recordName), m_mode(mode), m_existing(existing), m_isFolder(isFolder)
    {
    }
    ImportRecord(const ImportRecord&) = default;
    ImportRecord& operator=(const ImportRecord&) = default;

    SmartPtr<RecordReference> GetExistingRecord() const { return m_existing; }
    void SetExistingRecord(const SmartPtr<RecordReference>& record) { m_existing = record; }
    SmartPtr<RecordReference> GetCopyDestinationParent() const { return m_copyDestinationParent; }
    /// Used by copy records only.
    void SetCopyDestinationParent(const SmartPtr<RecordReference>& parent) { m_copyDestinationParent = parent; }
    std::string GetRecordName() const { return m_recordName; }
    void SetRecordName(const std::string& name) { m_recordName = name; }
    ImportRecordModes::eImportRecordMode GetImportRecordMode() const { return m_mode; }
    void SetImportRecordMode(const ImportRecordModes::eImportRecordMode& mode) { m_mode = mode; }
    bool GetRelease() const { return m_release; }
    void SetRelease(bool release) { m_release = release; }
    bool GetIsFolder() const { return m_isFolder; }
    void SetIsFolder(bool isFolder) { m_isFolder = isFolder; }
    UpdateSubsets::eMode GetUpdateSubsetsMode() const { return m_updateSubsets; }
    void SetUpdateSubsetsMode(UpdateSubsets::eMode mode) { m_updateSubsets = mode; }
    std::vector<SmartPtr<ImportAttributeValue>>& AccessImportAttributeValues() { return m_values; }
    void AddImportAttributeValue(SmartPtr<ImportAttributeValue> value) { m_values.push_back(value); }
    std::vector<SmartPtr<SubsetReference>>& AccessSubsetReferences() { return m_subsets; }
    void AddSubsetReference(SmartPtr<SubsetReference> subset) { m_subsets.push_back(subset); }

    /// Fills the mode element (zbt:update, zbt:create or zbt:copy) the request made for it.
    void CreateXMLNode(XmlNode<char>* element) const;

private:
    std::string m_recordName;
    ImportRecordModes::eImportRecordMode m_mode = ImportRecordModes::Create;
    bool m_release = true;
    SmartPtr<RecordReference> m_existing;
    SmartPtr<RecordReference> m_copyDestinationParent;
    std::vector<SmartPtr<ImportAttributeValue>> m_values;
    UpdateSubsets::eMode m_updateSubsets = UpdateSubsets::NotSent;
    std::vector<SmartPtr<SubsetReference>> m_subsets;
    bool m_isFolder = false;
};

/// @brief A batch of import records, with what the server does on a bad one and how often it commits.
class DORSA_EXPORT SetRecordAttributesRequest final : public IRequest {
public:
    SetRecordAttributesRequest() = default;
    SetRecordAttributesRequest(const SetRecordAttributesRequest&) = default;
    SetRecordAttributesRequest& operator=(const SetRecordAttributesRequest&) = default;

    std::vector<SmartPtr<ImportRecord>>& AccessImportRecords() { return m_records; }
    void AddImportRecord(const SmartPtr<ImportRecord>& record) { m_records.push_back(record); }
    ImportErrorModes::eImportErrorMode GetImportErrorMode() const { return m_errorMode; }
    void SetImportErrorMode(const ImportErrorModes::eImportErrorMode& mode) { m_errorMode = mode; }
    int GetCommitThreshold() const { return m_commitThreshold; }
    /// Records per commit; 0 or less leaves it to the server.
    void SetCommitThreshold(int threshold) { m_commitThreshold = threshold; }

    /// The records (a record whose mode has no text is left out), the error mode, and the
    /// commit threshold when it is above 0.
    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    std::vector<SmartPtr<ImportRecord>> m_records;
    ImportErrorModes::eImportErrorMode m_errorMode = ImportErrorModes::LogAndContinueWherePossible;
    int m_commitThreshold = -1;
};

/// @brief The records the server imported; empty when the reply has no "recordsImported".
class DORSA_EXPORT SetRecordAttributesResponse final : public ResponseBase,
                                                       public XmlReadable<SetRecordAttributesResponse> {
public:
    SetRecordAttributesResponse() = default;

    std::vector<SmartPtr<NamedRecord>>& AccessRecordsImported() { return m_recordsImported; }

private:
    friend XmlReadable<SetRecordAttributesResponse>;
    explicit SetRecordAttributesResponse(const XmlNode<char>* node);

    std::vector<SmartPtr<NamedRecord>> m_recordsImported;
};

/// @brief Asks where the files of given attributes of given records are to be uploaded.
class DORSA_EXPORT GetUploadAddressesRequest final : public IRequest {
public:
    GetUploadAddressesRequest() = default;
    GetUploadAddressesRequest(const GetUploadAddressesRequest&) = default;
    GetUploadAddressesRequest& operator=(const GetUploadAddressesRequest&) = default;

    std::vector<SmartPtr<RecordReference>>& AccessRecords() { return m_records; }
    void AddRecord(const SmartPtr<RecordReference>& record) { m_records.push_back(record); }
    std::vector<SmartPtr<AttributeReference>>& AccessAttributeReferences() { return m_attributes; }
    void AddAttributeReference(const SmartPtr<AttributeReference>& attribute) { m_attributes.push_back(attribute); }

    /// "dat:records" and "dat:attributes", both always.
    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    std::vector<SmartPtr<RecordReference>> m_records;
    std::vector<SmartPtr<AttributeReference>> m_attributes;
};

/// @brief One record with the upload address of each attribute asked for.
class DORSA_EXPORT RecordWithAttributeAddresses final : public SmartPtrTarget_ts,
                                                        public XmlReadable<RecordWithAttributeAddresses> {
public:
    RecordWithAttributeAddresses() = default;
    RecordWithAttributeAddresses(const RecordWithAttributeAddresses&) = default;
    RecordWithAttributeAddresses& operator=(const RecordWithAttributeAddresses&) = default;

    SmartPtr<RecordReference> GetRecordReference() const { return m_record; }
    void SetRecordReference(const SmartPtr<RecordReference>& record) { m_record = record; }
    std::vector<SmartPtr<AttributeAddress>>& AccessAttributeAddresses() { return m_addresses; }
    void AddAttributeAddress(const SmartPtr<AttributeAddress>& address) { m_addresses.push_back(address); }

private:
    friend XmlReadable<RecordWithAttributeAddresses>;
    explicit RecordWithAttributeAddresses(const XmlNode<char>* node);

    SmartPtr<RecordReference> m_record;
    std::vector<SmartPtr<AttributeAddress>> m_addresses;
};

/// @brief The upload addresses, by record; empty when the reply has no "records".
class DORSA_EXPORT GetUploadAddressesResponse final : public ResponseBase,
                                                      public XmlReadable<GetUploadAddressesResponse> {
public:
    GetUploadAddressesResponse() = default;

    std::vector<SmartPtr<RecordWithAttributeAddresses>>& AccessRecordsWithAttributeAddresses() { return m_records; }

private:
    friend XmlReadable<GetUploadAddressesResponse>;
    explicit GetUploadAddressesResponse(const XmlNode<char>* node);

    std::vector<SmartPtr<RecordWithAttributeAddresses>> m_records;
};

/// @brief Writes attribute values into existing, new or copied records.
class DORSA_EXPORT SetRecordAttributesImpl final
    : public OperationImpl<Catalogue::SetRecordAttributes, SetRecordAttributesRequest, SetRecordAttributesResponse> {
public:
    using OperationImpl::OperationImpl;

    void SetRecordAttributes_Request(SmartPtr<SetRecordAttributesRequest> request, SetRecordAttributesResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

/// @brief Tells where file and picture content of records is to be uploaded.
class DORSA_EXPORT GetUploadAddressesImpl final
    : public OperationImpl<Catalogue::GetUploadAddresses, GetUploadAddressesRequest, GetUploadAddressesResponse> {
public:
    using OperationImpl::OperationImpl;

    void GetUploadAddresses(SmartPtr<GetUploadAddressesRequest> request, GetUploadAddressesResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

} // namespace zvrtkDorsaServiceLayer
