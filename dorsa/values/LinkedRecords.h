/**
 * @file
 * @brief Linked-records attribute values: the records linked to a record.
 *
 * Holds RecordLinkGroup and LinkedRecordsDataType.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/browse/TableFilters.h"
#include "dorsa/references/NamedEntities.h"
#include "dorsa/values/DataValue.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// The records linked to a record through one link group.
class DORSA_EXPORT RecordLinkGroup final : public SmartPtrTarget_ts, public XmlReadable<RecordLinkGroup> {
public:
    RecordLinkGroup() = default;

    std::string GetName() const { return m_name; }
    std::vector<SmartPtr<NamedRecord>> GetLinkedRecords() const { return m_linkedRecords; }
    std::vector<TableFilters::eTablesFilter> GetTableFilters() const { return m_tableFilters; }
    std::vector<std::string> GetStandardNames() const { return m_standardNames; }

private:
    friend XmlReadable<RecordLinkGroup>;
    explicit RecordLinkGroup(const XmlNode<char>* node);

    std::string m_name;
    std::vector<SmartPtr<NamedRecord>> m_linkedRecords;
    std::vector<TableFilters::eTablesFilter> m_tableFilters;
    std::vector<std::string> m_standardNames;
};

/// The link groups of a record. Read only: it writes nothing for import.
class DORSA_EXPORT LinkedRecordsDataType final : public RegisteredDataType<LinkedRecordsDataType> {
public:
    static constexpr const char* s_nodeName = "LinkedRecordsDataValue";
    static constexpr const char* s_typeCode = AttributeTypes::LINK_TYPE_STRING;

    /// Initialize leaves this type out: a host that reads linked records calls StaticInit,
    /// and StaticShutdown when done, itself. Like Initialize, StaticInit must run before
    /// other threads use the library. A second StaticInit before StaticShutdown does nothing.
    using RegisteredDataType::StaticInit;
    using RegisteredDataType::StaticShutdown;

    LinkedRecordsDataType() = default;

    std::vector<SmartPtr<RecordLinkGroup>>& AccessRecordLinkGroups() { return m_groups; }
    void SetRecordLinkGroups(const std::vector<SmartPtr<RecordLinkGroup>>& groups) { m_groups = groups; }

    void CreateXMLNode(XmlNode<char>* node) const override;

private:
    friend class RegisteredDataType<LinkedRecordsDataType>;
    explicit LinkedRecordsDataType(const XmlNode<char>* node);

    std::vector<SmartPtr<RecordLinkGroup>> m_groups;
};

} // namespace zvrtkDorsaServiceLayer
