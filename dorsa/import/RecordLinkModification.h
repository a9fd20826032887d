/**
 * @file
 * @brief The ModifyRecordLinks family: adding and removing links between records.
 *
 * Holds RecordLinkCheckModes, LinkPoint, TargettedSourceRecord, NotatedTargetRecord,
 * NotatedTargettedSourceRecord, RecordLinkModification,
 * RecordLinkModificationWithSimpleSourceRecords, UnlinkAllRecords, LinkAllCombinations,
 * UnlinkRecords, LinkRecords, RecordLinkModifications, ModifyRecordLinksRequest,
 * NamedTargettedSourceRecord, RecordLinkChanges, ModifyRecordLinksResponse and
 * ModifyRecordLinksImpl.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/import/AttributeImport.h"
#include "dorsa/pipeline/IRequest.h"
#include "dorsa/pipeline/ResponseBase.h"
#include "dorsa/references/NamedEntities.h"
#include "dorsa/references/RecordLinkGroupReference.h"
#include "dorsa/references/RecordReference.h"
#include "dorsa/services/ServiceCatalogue.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// @brief Which links the server looks at when it checks a change.
struct DORSA_EXPORT RecordLinkCheckModes {
    enum eRecordLinkCheckMode : int {
        CheckOnlyForwardLinks = 0,
        CheckForwardAndReverseLinks = 1,
    };
    /// "CheckForwardAndReverseLinks" for 1, "CheckOnlyForwardLinks" for any other value.
    static std::string RecordLinkCheckMode_ToString(const eRecordLinkCheckMode& mode);
    /// 1 for exactly "CheckForwardAndReverseLinks", 0 for any other text.
    static eRecordLinkCheckMode RecordLinkCheckMode_FromString(const std::string& text);
};

/// @brief One end of a link: a record.
class DORSA_EXPORT LinkPoint : public SmartPtrTarget_ts {
public:
    LinkPoint() = default;
    ~LinkPoint() override = default;

    SmartPtr<RecordReference> GetRecord() const { return m_record; }
    void SetRecord(const SmartPtr<RecordReference>& record) { m_record = record; }

    /// The record reference's content, straight into `element`; nothing without a record.
    virtual void CreateXMLNode(XmlNode<char>* element) const;

protected:
    /// "dat:record", always, filled with the record when set.
    void WriteRecordElement(XmlNode<char>* element, XmlDocument<char>* document) const;

private:
    SmartPtr<RecordReference> m_record;
};

/// @brief A source record with the target records of its links.
class DORSA_EXPORT TargettedSourceRecord final : public LinkPoint {
public:
    std::vector<SmartPtr<RecordReference>>& AccessRecords() { return m_targets; }
    void AddRecord(const SmartPtr<RecordReference>& target) { m_targets.push_back(target); }

    /// "dat:record", then "dat:targetRecords" with one "dat:targetRecord" per target.
    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    std::vector<SmartPtr<RecordReference>> m_targets;
};

/// @brief A link target with the notes of the link each way.
class DORSA_EXPORT NotatedTargetRecord final : public LinkPoint {
public:
    std::string GetNotes() const { return m_notes; }
    void SetNotes(const std::string& notes) { m_notes = notes; }
    std::string GetReverseNotes() const { return m_reverseNotes; }
    void SetReverseNotes(const std::string& notes) { m_reverseNotes = notes; }

    /// "dat:record", then "dat:notes" and "dat:reverseNotes", both also when empty.
    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    std::string m_notes;
    std::string m_reverseNotes;
};

/// @brief A source record with the annotated targets of its links.
class DORSA_EXPORT NotatedTargettedSourceRecord final : public LinkPoint {
public:
    std::vector<SmartPtr<NotatedTargetRecord>>& AccessRecords() { return m_targets; }
    void AddRecord(const SmartPtr<NotatedTargetRecord>& target) { m_targets.push_back(target); }

    /// "dat:record", then "dat:targetRecords" with one "dat:targetRecord" per target.
    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    std::vector<SmartPtr<NotatedTargetRecord>> m_targets;
};

/// @brief One kind of change to the links of a group.
class DORSA_EXPORT RecordLinkModification : public SmartPtrTarget_ts {
public:
    ~RecordLinkModification() override = default;

    /// Fills the element "dat:" + GetNodeName() that the modification list made for it.
    virtual void CreateXMLNode(XmlNode<char>* element) const = 0;
    virtual std::string GetNodeName() const = 0;
};

/// @brief A change that names its source records by reference only.
class DORSA_EXPORT RecordLinkModificationWithSimpleSourceRecords : public RecordLinkModification {
public:
    std::vector<SmartPtr<RecordReference>>& AccessSourceRecords() { return m_sources; }
    void AddSourceRecord(SmartPtr<RecordReference> source) { m_sources.push_back(source); }

    /// "dat:sourceRecords" (always), one "dat:sourceRecord" per source.
    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    std::vector<SmartPtr<RecordReference>> m_sources;
};

/// @brief Removes every link of each source record in the group.
class DORSA_EXPORT UnlinkAllRecords final : public RecordLinkModificationWithSimpleSourceRecords {
public:
    std::string GetNodeName() const override { return "unlinkAllRecords"; }
};

/// @brief Links every source record with every target record.
class DORSA_EXPORT LinkAllCombinations final : public RecordLinkModificationWithSimpleSourceRecords {
public:
    std::vector<SmartPtr<RecordReference>>& AccessTargetRecords() { return m_targets; }
    void AddTargetRecord(SmartPtr<RecordReference> target) { m_targets.push_back(target); }

    /// The source records, then "dat:targetRecords" (always), one "dat:targetRecord" per target.
    void CreateXMLNode(XmlNode<char>* element) const override;
    std::string GetNodeName() const override { return "linkAllCombinations"; }

private:
    std::vector<SmartPtr<RecordReference>> m_targets;
};

/// @brief Removes chosen links.
class DORSA_EXPORT UnlinkRecords final : public RecordLinkModification {
public:
    std::vector<SmartPtr<TargettedSourceRecord>>& AccessSourceRecords() { return m_sources; }
    void AddSourceRecord(SmartPtr<TargettedSourceRecord> source) { m_sources.push_back(source); }

    /// "dat:sourceRecords" (always), one "dat:sourceRecord" per source, each filled by it.
    void CreateXMLNode(XmlNode<char>* element) const override;
    std::string GetNodeName() const override { return "unlinkRecords"; }

private:
    std::vector<SmartPtr<TargettedSourceRecord>> m_sources;
};

/// @brief Adds chosen links, with notes.
class DORSA_EXPORT LinkRecords final : public RecordLinkModification {
public:
    std::vector<SmartPtr<NotatedTargettedSourceRecord>>& AccessSourceRecords() { return m_sources; }
    void AddSourceRecord(SmartPtr<NotatedTargettedSourceRecord> source) { m_sources.push_back(source); }

    /// "dat:sourceRecords" (always), one "dat:sourceRecord" per source, each filled by it.
    void CreateXMLNode(XmlNode<char>* element) const override;
    std::string GetNodeName() const override { return "linkRecords"; }

private:
    std::vector<SmartPtr<NotatedTargettedSourceRecord>> m_sources;
};

/// @brief The changes of one request, kept apart by kind. They are always sent in the order
/// unlink-all, unlink, link, link-all, whatever order they were added in.
class DORSA_EXPORT RecordLinkModifications final : public SmartPtrTarget_ts {
public:
    RecordLinkModifications() = default;
    RecordLinkModifications(const RecordLinkModifications&) = default;
    RecordLinkModifications& operator=(const RecordLinkModifications&) = default;

    std::vector<SmartPtr<UnlinkAllRecords>>& AccessUnlinkAllRecords() { return m_unlinkAll; }
    void AddUnlinkAllRecords(const SmartPtr<UnlinkAllRecords>& change) { m_unlinkAll.push_back(change); }
    std::vector<SmartPtr<UnlinkRecords>>& AccessUnlinkRecords() { return m_unlink; }
    void AddUnlinkRecords(const SmartPtr<UnlinkRecords>& change) { m_unlink.push_back(change); }
    std::vector<SmartPtr<LinkRecords>>& AccessLinkRecords() { return m_link; }
    void AddLinkRecords(const SmartPtr<LinkRecords>& change) { m_link.push_back(change); }
    std::vector<SmartPtr<LinkAllCombinations>>& AccessLinkAllCombinations() { return m_linkAll; }
    void AddLinkAllCombinations(const SmartPtr<LinkAllCombinations>& change) { m_linkAll.push_back(change); }

    void CreateXMLNode(XmlNode<char>* element) const;

private:
    std::vector<SmartPtr<UnlinkAllRecords>> m_unlinkAll;
    std::vector<SmartPtr<UnlinkRecords>> m_unlink;
    std::vector<SmartPtr<LinkRecords>> m_link;
    std::vector<SmartPtr<LinkAllCombinations>> m_linkAll;
};

/// @brief Changes the links of one record link group. A new request logs and continues on
/// errors and checks forward links only.
class DORSA_EXPORT ModifyRecordLinksRequest final : public IRequest {
public:
    ModifyRecordLinksRequest() = default;
    ModifyRecordLinksRequest(const ModifyRecordLinksRequest&) = default;
    ModifyRecordLinksRequest& operator=(const ModifyRecordLinksRequest&) = default;

    SmartPtr<RecordLinkGroupReference> GetRecordLinkGroupReference() const { return m_group; }
    void SetRecordLinkGroupReference(const SmartPtr<RecordLinkGroupReference>& group) { m_group = group; }
    std::string GetImportErrorMode() const;
    /// An unknown text stores "LogAndContinueWherePossible".
    void SetImportErrorMode(const std::string& mode);
    std::string GetRecordLinkCheckMode() const;
    /// An unknown text stores "CheckOnlyForwardLinks".
    void SetRecordLinkCheckMode(const std::string& mode);
    SmartPtr<RecordLinkModifications> GetRecordLinkModifications() const { return m_modifications; }
    void SetRecordLinkModifications(const SmartPtr<RecordLinkModifications>& modifications)
    {
        m_modifications = modifications;
    }

    /// The group, the two modes and the modifications, all four always.
    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    SmartPtr<RecordLinkGroupReference> m_group;
    ImportErrorModes::eImportErrorMode m_errorMode = ImportErrorModes::LogAndContinueWherePossible;
    RecordLinkCheckModes::eRecordLinkCheckMode m_checkMode = RecordLinkCheckModes::CheckOnlyForwardLinks;
    SmartPtr<RecordLinkModifications> m_modifications;
};

/// @brief A source record with the target records of the links made or removed.
class DORSA_EXPORT NamedTargettedSourceRecord final : public SmartPtrTarget_ts,
                                                      public XmlReadable<NamedTargettedSourceRecord> {
public:
    NamedTargettedSourceRecord() = default;

    SmartPtr<NamedRecord> GetRecord() const { return m_record; }
    void SetRecord(const SmartPtr<NamedRecord>& record) { m_record = record; }
    std::vector<SmartPtr<NamedRecord>>& AccessTargetRecords() { return m_targets; }
    void AddTargetRecords(const SmartPtr<NamedRecord>& target) { m_targets.push_back(target); }

private:
    friend XmlReadable<NamedTargettedSourceRecord>;
    explicit NamedTargettedSourceRecord(const XmlNode<char>* node);

    SmartPtr<NamedRecord> m_record;
    std::vector<SmartPtr<NamedRecord>> m_targets;
};

/// @brief The links the server made and removed.
class DORSA_EXPORT RecordLinkChanges final : public SmartPtrTarget_ts, public XmlReadable<RecordLinkChanges> {
public:
    RecordLinkChanges() = default;
    RecordLinkChanges(const RecordLinkChanges&) = default;
    RecordLinkChanges& operator=(const RecordLinkChanges&) = default;

    std::vector<SmartPtr<NamedTargettedSourceRecord>>& AccessLinked() { return m_linked; }
    std::vector<SmartPtr<NamedTargettedSourceRecord>>& AccessUnlinked() { return m_unlinked; }

private:
    friend XmlReadable<RecordLinkChanges>;
    explicit RecordLinkChanges(const XmlNode<char>* node);

    std::vector<SmartPtr<NamedTargettedSourceRecord>> m_linked;
    std::vector<SmartPtr<NamedTargettedSourceRecord>> m_unlinked;
};

/// @brief What a link modification changed; the response element itself holds the changes.
class DORSA_EXPORT ModifyRecordLinksResponse final : public ResponseBase,
                                                     public XmlReadable<ModifyRecordLinksResponse> {
public:
    ModifyRecordLinksResponse() = default;

    SmartPtr<RecordLinkChanges> GetRecordLinkChanges() const { return m_changes; }
    void SetRecordLinkChanges(const SmartPtr<RecordLinkChanges>& changes) { m_changes = changes; }

private:
    friend XmlReadable<ModifyRecordLinksResponse>;
    explicit ModifyRecordLinksResponse(const XmlNode<char>* node) : m_changes(RecordLinkChanges::CreateOne(node)) {}

    SmartPtr<RecordLinkChanges> m_changes;
};

/// @brief Adds and removes links between records in one request. No facade hands it out:
/// a host makes it on its session.
class DORSA_EXPORT ModifyRecordLinksImpl final
    : public OperationImpl<Catalogue::ModifyRecordLinks, ModifyRecordLinksRequest, ModifyRecordLinksResponse> {
public:
    using OperationImpl::OperationImpl;

    void ModifyRecordLinks(SmartPtr<ModifyRecordLinksRequest> request, ModifyRecordLinksResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

} // namespace zvrtkDorsaServiceLayer
