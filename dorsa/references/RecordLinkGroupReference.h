/**
 * @file
 * @brief References to record link groups and their kinds.
 *
 * Holds RecordLinkGroupTypes and RecordLinkGroupReference.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/references/DorsaEntityReference.h"
#include "dorsa/references/TableReference.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

/// The kinds of record link group and their wire names.
struct DORSA_EXPORT RecordLinkGroupTypes {
    enum eRecordLinkGroupType : int {
        Unknown = 0,
        Static = 1,
        Dynamic = 2,
        CrossDatabase = 3,
    };
    /// "static", "dynamic", "crossDatabase"; "Unknown" for any other value.
    static std::string RecordLinkGroupType_ToString(eRecordLinkGroupType type);
    /// 0 for a text not in the table (case-sensitive).
    static eRecordLinkGroupType RecordLinkGroupType_FromString(const std::string& text);
};

/// A record link group, by identity (with its type) or by name within a table. A new
/// reference already holds an empty table that the caller may fill in place.
class DORSA_EXPORT RecordLinkGroupReference : public DorsaEntityReference,
                                              public XmlReadable<RecordLinkGroupReference> {
public:
    RecordLinkGroupReference() = default;

    int GetRecordLinkGroupIdentity() const { return m_identity; }
    void SetRecordLinkGroupIdentity(int identity) { m_identity = identity; }
    std::string GetName() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }
    SmartPtr<PartialTableReference> GetPartialTableReference() const { return m_partialTable; }
    void SetPartialTableReference(const SmartPtr<PartialTableReference>& table) { m_partialTable = table; }
    bool GetStandard() const { return m_standard; }
    void SetStandard(bool standard) { m_standard = standard; }
    /// The type as text.
    std::string GetRecordLinkGroupType() const;
    void SetRecordLinkGroupType(const std::string& type);

    void CreateXMLNode(XmlNode<char>* parent) const;

protected:
    friend XmlReadable<RecordLinkGroupReference>;
    explicit RecordLinkGroupReference(const XmlNode<char>* node);

private:
    std::string m_name;
    int m_identity = 0;
    RecordLinkGroupTypes::eRecordLinkGroupType m_type = RecordLinkGroupTypes::Unknown;
    SmartPtr<PartialTableReference> m_partialTable = new PartialTableReference;
    bool m_standard = false;
};

} // namespace zvrtkDorsaServiceLayer
