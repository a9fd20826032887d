/**
 * @file
 * @brief The base of references to things held in a database, and a database itself.
 *
 * Holds DorsaEntityReference and DorsaDatabase.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/platform/SmartPtr.h"
#include "dorsa/xml/XmlDom.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

/// Base of every reference to a thing held in a database: the database's key.
class DORSA_EXPORT DorsaEntityReference : public SmartPtrTarget_ts {
public:
    DorsaEntityReference() = default;

    std::string GetDBKey() const { return m_dbKey; }
    void SetDBKey(const std::string& dbKey) { m_dbKey = dbKey; }

    /// Writes "zbt:dbKey", also when the key is empty.
    void CreateXMLNode(XmlNode<char>* parent) const;

protected:
    explicit DorsaEntityReference(const XmlNode<char>* node);

private:
    std::string m_dbKey;
};

/// A database as the server lists it: key and volume name. Never written.
class DORSA_EXPORT DorsaDatabase final : public DorsaEntityReference, public XmlReadable<DorsaDatabase> {
public:
    DorsaDatabase() = default;

    /// The volume name.
    std::string GetName() const { return m_volumeName; }

private:
    friend XmlReadable<DorsaDatabase>;
    explicit DorsaDatabase(const XmlNode<char>* node);

    std::string m_volumeName;
};

} // namespace zvrtkDorsaServiceLayer
