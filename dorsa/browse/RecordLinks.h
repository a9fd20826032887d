/**
 * @file
 * @brief The GetRecordLinkGroups and GetLinkedRecords families: link groups and the records linked through them.
 *
 * Holds RecordLinkGroupDetail, SourceRecord, GetRecordLinkGroups, GetLinkedRecordsRequest,
 * GetRecordLinkGroupsResponse, GetLinkedRecordsResponse, GetRecordLinkGroupsImpl and
 * GetLinkedRecordsImpl.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/pipeline/IRequest.h"
#include "dorsa/pipeline/ResponseBase.h"
#include "dorsa/references/RecordFilter.h"
#include "dorsa/references/RecordLinkGroupReference.h"
#include "dorsa/references/RecordReference.h"
#include "dorsa/references/TableReference.h"
#include "dorsa/services/ServiceCatalogue.h"
#include "dorsa/values/LinkedRecords.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// @brief One record link group as the server describes it: its two directions and tables.
class DORSA_EXPORT RecordLinkGroupDetail final : public SmartPtrTarget_ts, public XmlReadable<RecordLinkGroupDetail> {
public:
    RecordLinkGroupDetail() = default;

    /// The type as the server sent it ("static", "dynamic", ...), unchecked.
    std::string GetLinkGroupType() const { return m_linkGroupType; }
    SmartPtr<RecordLinkGroupReference> GetReference() const { return m_reference; }
    SmartPtr<RecordLinkGroupReference> GetReverseReference() const { return m_reverseReference; }
    std::string GetReverseName() const { return m_reverseName; }
    SmartPtr<TableReference> GetFromTable() const { return m_fromTable; }
    SmartPtr<TableReference> GetToTable() const { return m_toTable; }
    std::string GetName() const { return m_name; }
    std::vector<std::string>& AccessStandardNames() { return m_standardNames; }

private:
    friend XmlReadable<RecordLinkGroupDetail>;
    explicit RecordLinkGroupDetail(const XmlNode<char>* node);

    std::string m_linkGroupType;
    SmartPtr<RecordLinkGroupReference> m_reference;
    SmartPtr<RecordLinkGroupReference> m_reverseReference;
    std::string m_reverseName;
    SmartPtr<TableReference> m_fromTable;
    SmartPtr<TableReference> m_toTable;
    std::string m_name;
    std::vector<std::string> m_standardNames;
};

/// @brief A source record and the records linked to it, group by group.
class DORSA_EXPORT SourceRecord final : public SmartPtrTarget_ts, public XmlReadable<SourceRecord> {
public:
    SourceRecord() = default;

    SmartPtr<RecordReference> GetRecord() const { return m_record; }
    /// Its items are RecordLinkGroup objects; null when the reply sent none.
    SmartPtr<LinkedRecordsDataType> GetRecordLinkGroups() const { return m_recordLinkGroups; }

private:
    friend XmlReadable<SourceRecord>;
    explicit SourceRecord(const XmlNode<char>* node);

    SmartPtr<RecordReference> m_record;
    SmartPtr<LinkedRecordsDataType> m_recordLinkGroups;
};

/// @brief Asks for the link groups of a database, or for the description of given ones.
class DORSA_EXPORT GetRecordLinkGroups final : public IRequest {
public:
    GetRecordLinkGroups() = default;

    std::string GetDBKey() const { return m_dbKey; }
    void SetDBKey(const std::string& dbKey) { m_dbKey = dbKey; }
    bool GetStandardNamesOnly() const { return m_standardNamesOnly; }
    void SetStandardNamesOnly(bool only) { m_standardNamesOnly = only; }
    std::vector<SmartPtr<RecordLinkGroupReference>>& AccessRecordLinkGroups() { return m_recordLinkGroups; }
    void SetRecordLinkGroups(const std::vector<SmartPtr<RecordLinkGroupReference>>& groups)
    {
        m_recordLinkGroups = groups;
    }
    void AddRecordLinkGroup(const SmartPtr<RecordLinkGroupReference>& group) { m_recordLinkGroups.push_back(group); }

    /// @brief The groups when there are any, then "brow:database" when a key is set.
    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    std::string m_dbKey;
    bool m_standardNamesOnly = false;
    std::vector<SmartPtr<RecordLinkGroupReference>> m_recordLinkGroups;
};

/// @brief Asks for the records linked to given records, in all or in given link groups.
class DORSA_EXPORT GetLinkedRecordsRequest final : public IRequest {
public:
    GetLinkedRecordsRequest() = default;

    std::vector<SmartPtr<RecordLinkGroupReference>>& AccessRecordLinkGroups() { return m_recordLinkGroups; }
    void SetRecordLinkGroups(const std::vector<SmartPtr<RecordLinkGroupReference>>& groups)
    {
        m_recordLinkGroups = groups;
    }
    void AddRecordLinkGroup(const SmartPtr<RecordLinkGroupReference>& group) { m_recordLinkGroups.push_back(group); }
    std::vector<SmartPtr<RecordReference>>& AccessRecordReferences() { return m_recordReferences; }
    void SetRecordReferences(const std::vector<SmartPtr<RecordReference>>& records) { m_recordReferences = records; }
    void AddRecordReference(const SmartPtr<RecordReference>& record) { m_recordReferences.push_back(record); }
    bool GetPopulateGUIDs() const { return m_populateGUIDs; }
    void SetPopulateGUIDs(bool populate) { m_populateGUIDs = populate; }
    SmartPtr<RecordFilter> GetRecordFilter() const { return m_recordFilter; }
    void SetRecordFilter(const SmartPtr<RecordFilter>& filter) { m_recordFilter = filter; }

    /// @brief Both lists (always), the populate flag as "1" or "0", then the filter when set.
    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    std::vector<SmartPtr<RecordLinkGroupReference>> m_recordLinkGroups;
    std::vector<SmartPtr<RecordReference>> m_recordReferences;
    bool m_populateGUIDs = false;
    SmartPtr<RecordFilter> m_recordFilter;
};

/// @brief The link groups asked for; empty when the reply has no "recordLinkGroupDetails".
class DORSA_EXPORT GetRecordLinkGroupsResponse final : public ResponseBase,
                                                       public XmlReadable<GetRecordLinkGroupsResponse> {
public:
    GetRecordLinkGroupsResponse() = default;

    std::vector<SmartPtr<RecordLinkGroupDetail>>& AccessRecordLinkGroups() { return m_recordLinkGroups; }

private:
    friend XmlReadable<GetRecordLinkGroupsResponse>;
    explicit GetRecordLinkGroupsResponse(const XmlNode<char>* node);

    std::vector<SmartPtr<RecordLinkGroupDetail>> m_recordLinkGroups;
};

/// @brief The source records asked for with their links; empty when the reply has no "sourceRecords".
class DORSA_EXPORT GetLinkedRecordsResponse final : public ResponseBase,
                                                    public XmlReadable<GetLinkedRecordsResponse> {
public:
    GetLinkedRecordsResponse() = default;

    std::vector<SmartPtr<SourceRecord>>& GetSourceRecords() { return m_sourceRecords; }

private:
    friend XmlReadable<GetLinkedRecordsResponse>;
    explicit GetLinkedRecordsResponse(const XmlNode<char>* node);

    std::vector<SmartPtr<SourceRecord>> m_sourceRecords;
};

/// @brief Lists or describes record link groups.
class DORSA_EXPORT GetRecordLinkGroupsImpl final
    : public OperationImpl<Catalogue::GetRecordLinkGroups, GetRecordLinkGroups, GetRecordLinkGroupsResponse> {
public:
    using OperationImpl::OperationImpl;

    void GetRecordLinkGroups(SmartPtr<zvrtkDorsaServiceLayer::GetRecordLinkGroups> request,
                             GetRecordLinkGroupsResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

/// @brief Fetches the records linked to records.
class DORSA_EXPORT GetLinkedRecordsImpl final
    : public OperationImpl<Catalogue::GetLinkedRecords, GetLinkedRecordsRequest, GetLinkedRecordsResponse> {
public:
    using OperationImpl::OperationImpl;

    void GetLinkedRecords(SmartPtr<GetLinkedRecordsRequest> request, GetLinkedRecordsResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

} // namespace zvrtkDorsaServiceLayer
