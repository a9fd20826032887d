#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/platform/SmartPtr.h"
#include "dorsa/xml/XmlDom.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

/// Who created and last changed something, and when (dates as the server writes them).
class DORSA_EXPORT RevisionInfo final : public SmartPtrTarget_ts, public XmlReadable<RevisionInfo> {
public:
    RevisionInfo() = default;

    std::string GetModified() const { return m_modified; }
    std::string GetModifiedUser() const { return m_modifiedUser; }
    std::string GetCreated() const { return m_created; }
    std::string GetCreatedUser() const { return m_createdUser; }
    int GetUpdateCount() const { return m_updateCount; }

private:
    friend XmlReadable<RevisionInfo>;
    explicit RevisionInfo(const XmlNode<char>* node);

    std::string m_modified;
    std::string m_modifiedUser;
    std::string m_created;
    std::string m_createdUser;
    int m_updateCount = 0;
};

} // namespace zvrtkDorsaServiceLayer
