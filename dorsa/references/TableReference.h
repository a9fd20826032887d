/**
 * @file
 * @brief References to tables, with or without their database.
 *
 * Holds PartialTableReference, TableReference and DorsaTableReference.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/platform/SmartPtr.h"
#include "dorsa/xml/XmlDom.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

/**
 * @brief A table named by identity, GUID and/or name, without its database key.
 *
 * Where a request already names the database (a search's or an attribute's database key),
 * a table is given this way: `PartialTableReference::CreateOneFromTableName("...")` is the
 * usual form, the identity or GUID are exact alternatives. Only the fields that are set are
 * written; TableReference adds the database key.
 */
class DORSA_EXPORT PartialTableReference : public SmartPtrTarget_ts, public XmlReadable<PartialTableReference> {
public:
    PartialTableReference() = default;
    static SmartPtr<PartialTableReference> CreateOneFromTableID(int tableID);
    static SmartPtr<PartialTableReference> CreateOneFromTableGUID(const std::string& tableGUID);
    static SmartPtr<PartialTableReference> CreateOneFromTableName(const std::string& tableName);

    int GetTableID() const { return m_tableID; }
    void SetTableID(int id) { m_tableID = id; }
    std::string GetTableGUID() const { return m_tableGUID; }
    void SetTableGUID(const std::string& guid) { m_tableGUID = guid; }
    std::string GetTableName() const { return m_tableName; }
    void SetTableName(const std::string& name) { m_tableName = name; }

    /// Writes each field that is set: identity, GUID, name.
    void CreateXMLNode(XmlNode<char>* parent) const;

protected:
    friend XmlReadable<PartialTableReference>;
    explicit PartialTableReference(const XmlNode<char>* node);

private:
    int m_tableID = 0;
    std::string m_tableGUID;
    std::string m_tableName;
};

/// A table within a database.
class DORSA_EXPORT TableReference : public PartialTableReference, public XmlReadable<TableReference> {
public:
    TableReference() = default;
    using XmlReadable<TableReference>::CreateOne;

    std::string GetDBKey() const { return m_dbKey; }
    void SetDBKey(const std::string& dbKey) { m_dbKey = dbKey; }

    void CreateXMLNode(XmlNode<char>* parent) const;

protected:
    friend XmlReadable<TableReference>;
    explicit TableReference(const XmlNode<char>* node);

private:
    std::string m_dbKey;
};

/// The same content as TableReference, under the name some replies use.
class DORSA_EXPORT DorsaTableReference final : public TableReference, public XmlReadable<DorsaTableReference> {
public:
    DorsaTableReference() = default;
    using XmlReadable<DorsaTableReference>::CreateOne;

private:
    friend XmlReadable<DorsaTableReference>;
    explicit DorsaTableReference(const XmlNode<char>* node) : TableReference(node) {}
};

} // namespace zvrtkDorsaServiceLayer
