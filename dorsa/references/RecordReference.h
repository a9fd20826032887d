#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/references/DorsaEntityReference.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

/**
 * @brief A record of a database, as requests name it and replies return it.
 *
 * A record is named by its database key (SetDBKey) and at least one of: its record
 * history identity (the number that stays the same across the record's versions), its
 * record GUID (one version) or its record history GUID. Searches and tree walks hand out
 * filled references (SearchResult::GetRecordReference, TreeRecord), which can be passed
 * straight to the data-export and import operations. Only the fields that are set are
 * written.
 */
class DORSA_EXPORT RecordReference : public DorsaEntityReference, public XmlReadable<RecordReference> {
public:
    RecordReference() = default;
    RecordReference(const RecordReference& other) = default;
    RecordReference& operator=(const RecordReference& other) = default;

    /// The record history identity; 0 when not set.
    int GetIdentity() const { return m_identity; }
    void SetIdentity(int identity) { m_identity = identity; }
    std::string GetRecordGUID() const { return m_recordGUID; }
    void SetRecordGUID(const std::string& guid) { m_recordGUID = guid; }
    std::string GetHistoryGUID() const { return m_historyGUID; }
    void SetHistoryGUID(const std::string& guid) { m_historyGUID = guid; }

    /// Key, then identity, record GUID and history GUID when set.
    void CreateXMLNode(XmlNode<char>* parent) const;

protected:
    friend XmlReadable<RecordReference>;
    explicit RecordReference(const XmlNode<char>* node);

private:
    std::string m_recordGUID;
    std::string m_historyGUID;
    int m_identity = 0;
};

} // namespace zvrtkDorsaServiceLayer
