/**
 * @file
 * @brief The GetRecordVersions family: the version states of records.
 *
 * Holds RecordVersionState, GetRecordVersionsRequest, GetRecordVersionsResponse and
 * GetRecordVersionsImpl.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/pipeline/IRequest.h"
#include "dorsa/pipeline/ResponseBase.h"
#include "dorsa/references/RecordReference.h"
#include "dorsa/services/ServiceCatalogue.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// @brief The version state of one version of a record.
class DORSA_EXPORT RecordVersionState final : public SmartPtrTarget_ts, public XmlReadable<RecordVersionState> {
public:
    enum eVersionState : int {
        Released = 0,
        Superseded = 1,
        Withdrawn = 2,
        Unreleased = 3,
        Unversioned = 4,
        Unrecognised = 5, ///< any other text, and no "versionState" at all
    };
    /// "Released" ... "Unversioned"; "Unknown" for Unrecognised.
    static std::string VersionState_ToString(eVersionState state);
    /// Case-sensitive; Unrecognised for any other text.
    static eVersionState VersionState_FromString(const std::string& text);

    RecordVersionState() = default;

    SmartPtr<RecordReference> GetRecord() const { return m_record; }
    eVersionState GetVersion() const { return m_version; }

private:
    friend XmlReadable<RecordVersionState>;
    explicit RecordVersionState(const XmlNode<char>* node);

    SmartPtr<RecordReference> m_record;
    eVersionState m_version = Unrecognised;
};

/// @brief Asks for the version states of records; which versions, the selector says.
class DORSA_EXPORT GetRecordVersionsRequest final : public IRequest {
public:
    enum eVersionSelector : int {
        LatestRead = 0,
        Latest = 1,
        AllReleased = 2,
        All = 3,
    };
    /// "LatestRead", "Latest", "AllReleased", "All"; "Unknown" for any other value.
    static std::string VersionSelector_ToString(eVersionSelector selector);

    GetRecordVersionsRequest() = default;
    static SmartPtr<GetRecordVersionsRequest> CreateOne() { return new GetRecordVersionsRequest; }

    eVersionSelector GetVersions() const { return m_versions; }
    void SetVersions(eVersionSelector versions) { m_versions = versions; }
    std::vector<SmartPtr<RecordReference>>& AccessRecords() { return m_records; }
    void AddRecord(const SmartPtr<RecordReference>& record) { m_records.push_back(record); }

    /// @brief "brow:versions" with the selector's text, then "zbt:recordReferences"; both always.
    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    eVersionSelector m_versions = All;
    std::vector<SmartPtr<RecordReference>> m_records;
};

/// @brief The version states asked for; empty when the reply has no "recordVersionStates".
class DORSA_EXPORT GetRecordVersionsResponse final : public ResponseBase,
                                                     public XmlReadable<GetRecordVersionsResponse> {
public:
    GetRecordVersionsResponse() = default;

    std::vector<SmartPtr<RecordVersionState>>& AccessRecordStates() { return m_recordStates; }

private:
    friend XmlReadable<GetRecordVersionsResponse>;
    explicit GetRecordVersionsResponse(const XmlNode<char>* node);

    std::vector<SmartPtr<RecordVersionState>> m_recordStates;
};

/// @brief Fetches the version states of records.
class DORSA_EXPORT GetRecordVersionsImpl final
    : public OperationImpl<Catalogue::GetRecordVersions, GetRecordVersionsRequest, GetRecordVersionsResponse> {
public:
    using OperationImpl::OperationImpl;

    void GetRecordVersions(SmartPtr<GetRecordVersionsRequest> request, GetRecordVersionsResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

} // namespace zvrtkDorsaServiceLayer
