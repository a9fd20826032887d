/**
 * @file
 * @brief The GetAvailableExporters and ExportersForRecords families: which exporters there are
 * and which apply to records.
 *
 * Holds VersionPolicy, ExporterTransform, Exporter, ExporterPopulation, ExportersForRecord,
 * GetAvailableExportersRequest, GetAvailableExportersResponse, GetAvailableExportersImpl,
 * ExportersForRecordsRequest, ExportersForRecordsResponse and ExportersForRecordsImpl.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/pipeline/IRequest.h"
#include "dorsa/pipeline/ResponseBase.h"
#include "dorsa/references/RecordReference.h"
#include "dorsa/references/TableReference.h"
#include "dorsa/services/ServiceCatalogue.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// @brief Which versions of an exporter a listing considers.
struct DORSA_EXPORT VersionPolicy {
    enum ePolicy : int {
        None = 0, ///< not sent: the server's default applies
        IncludeAll = 1,
        LatestVersionPerName = 2,
    };

    /// @brief "IncludeAll", "LatestVersionPerName"; "" for any other value.
    static std::string Policy_ToString(ePolicy policy);
    /// @brief 0 for a text not in the table (case-sensitive).
    static ePolicy Policy_FromString(const std::string& text);
};

/// @brief One step of an exporter; an export can be stopped before it.
class DORSA_EXPORT ExporterTransform final {
public:
    enum eType : int {
        Unknown = 0,
        Standard = 1, ///< the only kind the service tells of
    };

    ExporterTransform() = default;
    explicit ExporterTransform(const XmlNode<char>* node);

    eType GetType() const { return m_type; }
    void SetType(eType type) { m_type = type; }
    std::string GetId() const { return m_id; }
    void SetId(const std::string& id) { m_id = id; }

private:
    eType m_type = Standard;
    std::string m_id;
};

/// @brief A named, versioned converter of record data into the file format of a package's model.
class DORSA_EXPORT Exporter : public SmartPtrTarget_ts, public XmlReadable<Exporter> {
public:
    Exporter() = default;
    Exporter(const Exporter&) = default;
    Exporter& operator=(const Exporter&) = default;

    /// @brief What ExportRecordData and GetExporterParameters name the exporter by.
    std::string GetKey() const { return m_key; }
    std::string GetPackage() const { return m_package; }
    std::string GetModel() const { return m_model; }
    std::string GetDescription() const { return m_description; }
    std::vector<ExporterTransform>& GetTransforms() { return m_transforms; }
    std::string GetName() const { return m_name; }
    int GetVersion() const { return m_version; }
    bool GetValidatedOk() const { return m_validatedOK; }

protected:
    friend XmlReadable<Exporter>;
    explicit Exporter(const XmlNode<char>* node);

private:
    std::string m_key;
    std::string m_package;
    std::string m_model;
    std::string m_description;
    std::vector<ExporterTransform> m_transforms;
    std::string m_name;
    int m_version = 0;
    bool m_validatedOK = false;
};

/// @brief An exporter that applies to a record, and how fully the record's data fills it.
class DORSA_EXPORT ExporterPopulation final : public Exporter, public XmlReadable<ExporterPopulation> {
public:
    enum ePopulationState : int {
        Unknown = 0,
        FullyPopulated = 1,
        PartiallyPopulated = 2,
    };

    ExporterPopulation() = default;
    ExporterPopulation(const ExporterPopulation&) = default;
    ExporterPopulation& operator=(const ExporterPopulation&) = default;
    using XmlReadable<ExporterPopulation>::CreateOne; ///< hides the base's

    ePopulationState GetPopulationState() const { return m_populationState; }
    void SetPopulationState(ePopulationState state) { m_populationState = state; }

private:
    friend XmlReadable<ExporterPopulation>;
    explicit ExporterPopulation(const XmlNode<char>* node);

    ePopulationState m_populationState = Unknown;
};

/// @brief The exporters that apply to one record.
class DORSA_EXPORT ExportersForRecord final : public SmartPtrTarget_ts, public XmlReadable<ExportersForRecord> {
public:
    ExportersForRecord() = default;

    SmartPtr<RecordReference> GetRecord() const { return m_record; }
    std::vector<SmartPtr<ExporterPopulation>>& GetExporters() { return m_exporters; }

private:
    friend XmlReadable<ExportersForRecord>;
    explicit ExportersForRecord(const XmlNode<char>* node);

    SmartPtr<RecordReference> m_record;
    std::vector<SmartPtr<ExporterPopulation>> m_exporters;
};

/// @brief Asks which exporters the server has; every field that is set narrows the list.
class DORSA_EXPORT GetAvailableExportersRequest final : public IRequest {
public:
    GetAvailableExportersRequest() = default;

    std::string GetPackage() const { return m_package; }
    void SetPackage(const std::string& package) { m_package = package; }
    std::string GetModel() const { return m_model; }
    void SetModel(const std::string& model) { m_model = model; }
    std::string GetDbKey() const { return m_dbKey; }
    void SetDbKey(const std::string& dbKey) { m_dbKey = dbKey; }
    /// @brief Whether the table is looked up in the database of the key; sent only with a table.
    bool GetMatchDb() const { return m_matchDb; }
    void SetMatchDb(bool matchDb) { m_matchDb = matchDb; }
    SmartPtr<PartialTableReference> GetTable() const { return m_table; }
    void SetTable(const SmartPtr<PartialTableReference>& table) { m_table = table; }
    VersionPolicy::ePolicy GetVersionPolicy() const { return m_versionPolicy; }
    void SetVersionPolicy(VersionPolicy::ePolicy policy) { m_versionPolicy = policy; }
    std::string GetApplicabilityTag() const { return m_applicabilityTag; }
    void SetApplicabilityTag(const std::string& tag) { m_applicabilityTag = tag; }

    /// @brief Only what is set, in the order package, model, key, table, policy, tag.
    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    std::string m_package;
    std::string m_model;
    std::string m_dbKey;
    bool m_matchDb = false;
    SmartPtr<PartialTableReference> m_table;
    VersionPolicy::ePolicy m_versionPolicy = VersionPolicy::None;
    std::string m_applicabilityTag;
};

/// @brief The exporters the server has, in reply order.
class DORSA_EXPORT GetAvailableExportersResponse final : public ResponseBase,
                                                         public XmlReadable<GetAvailableExportersResponse> {
public:
    GetAvailableExportersResponse() = default;

    std::vector<SmartPtr<Exporter>>& GetExporters() { return m_exporters; }

private:
    friend XmlReadable<GetAvailableExportersResponse>;
    explicit GetAvailableExportersResponse(const XmlNode<char>* node);

    std::vector<SmartPtr<Exporter>> m_exporters;
};

/// @brief Lists the server's exporters.
class DORSA_EXPORT GetAvailableExportersImpl final
    : public OperationImpl<Catalogue::GetAvailableExporters, GetAvailableExportersRequest,
                           GetAvailableExportersResponse> {
public:
    using OperationImpl::OperationImpl;

    void GetAvailableExporters(SmartPtr<GetAvailableExportersRequest> request, GetAvailableExportersResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

/// @brief Asks which exporters apply to given records.
class DORSA_EXPORT ExportersForRecordsRequest final : public IRequest {
public:
    ExportersForRecordsRequest() = default;

    bool GetPackageAndModelRequired() const { return m_packageAndModelRequired; }
    void SetPackageAndModelRequired(bool required) { m_packageAndModelRequired = required; }
    bool GetSpecificAttributeExportersOnly() const { return m_specificAttributeExportersOnly; }
    void SetSpecificAttributeExportersOnly(bool only) { m_specificAttributeExportersOnly = only; }
    std::string GetPackage() const { return m_package; }
    void SetPackage(const std::string& package) { m_package = package; }
    std::string GetModel() const { return m_model; }
    void SetModel(const std::string& model) { m_model = model; }
    VersionPolicy::ePolicy GetVersionPolicy() const { return m_versionPolicy; }
    void SetVersionPolicy(VersionPolicy::ePolicy policy) { m_versionPolicy = policy; }
    std::string GetApplicabilityTag() const { return m_applicabilityTag; }
    void SetApplicabilityTag(const std::string& tag) { m_applicabilityTag = tag; }
    std::vector<SmartPtr<RecordReference>>& AccessRecords() { return m_records; }
    void SetRecords(const std::vector<SmartPtr<RecordReference>>& records) { m_records = records; }
    void AddRecord(const SmartPtr<RecordReference>& record) { m_records.push_back(record); }

    /// @brief The two flags as "1"/"0" (always), what is set of the rest, then the records (always).
    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    bool m_packageAndModelRequired = false;
    bool m_specificAttributeExportersOnly = false;
    std::string m_package;
    std::string m_model;
    VersionPolicy::ePolicy m_versionPolicy = VersionPolicy::None;
    std::string m_applicabilityTag;
    std::vector<SmartPtr<RecordReference>> m_records;
};

/// @brief The exporters of each record asked for; empty when the reply has no "records".
class DORSA_EXPORT ExportersForRecordsResponse final : public ResponseBase,
                                                       public XmlReadable<ExportersForRecordsResponse> {
public:
    ExportersForRecordsResponse() = default;

    std::vector<SmartPtr<ExportersForRecord>>& GetRecords() { return m_records; }

private:
    friend XmlReadable<ExportersForRecordsResponse>;
    explicit ExportersForRecordsResponse(const XmlNode<char>* node);

    std::vector<SmartPtr<ExportersForRecord>> m_records;
};

/// @brief Tells which exporters apply to records.
class DORSA_EXPORT ExportersForRecordsImpl final
    : public OperationImpl<Catalogue::ExportersForRecords, ExportersForRecordsRequest, ExportersForRecordsResponse> {
public:
    using OperationImpl::OperationImpl;

    void GetExportersForRecords(SmartPtr<ExportersForRecordsRequest> request, ExportersForRecordsResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

} // namespace zvrtkDorsaServiceLayer
