#include "dorsa/references/TableReference.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

PartialTableReference::PartialTableReference(const XmlNode<char>* node)
{
    ReadInt(node, m_tableID, "tableIdentity");
    ReadText(node, m_tableName, "tableName");
    ReadText(node, m_tableGUID, "tableGUID");
}

SmartPtr<PartialTableReference> PartialTableReference::CreateOneFromTableID(int tableID)
{
    SmartPtr<PartialTableReference> table = new PartialTableReference;
    table->SetTableID(tableID);
    return table;
}

SmartPtr<PartialTableReference> PartialTableReference::CreateOneFromTableGUID(const std::string& tableGUID)
{
    SmartPtr<PartialTableReference> table = new PartialTableReference;
    table->SetTableGUID(tableGUID);
    return table;
}

SmartPtr<PartialTableReference> PartialTableReference::CreateOneFromTableName(const std::string& tableName)
{
    SmartPtr<PartialTableReference> table = new PartialTableReference;
    table->SetTableName(tableName);
    return table;
}

void PartialTableReference::CreateXMLNode(XmlNode<char>* parent) const
{
    XmlDocument<char>* document = GetOwnerDocument(parent);
    if (m_tableID != 0) {
        WriteInt(parent, document, "zbt:tableIdentity", m_tableID);
    }
    if (!m_tableGUID.empty()) {
        WriteText(parent, document, "zbt:tableGUID", m_tableGUID);
    }
    if (!m_tableName.empty()) {
        WriteText(parent, document, "zbt:tableName", m_tableName);
    }
}

TableReference::TableReference(const XmlNode<char>* node) : PartialTableReference(node)
{
    ReadText(node, m_dbKey, "dbKey");
}

void TableReference::CreateXMLNode(XmlNode<char>* parent) const
{
    PartialTableReference::CreateXMLNode(parent);
    WriteText(parent, GetOwnerDocument(parent), "zbt:dbKey", m_dbKey);
}

} // namespace zvrtkDorsaServiceLayer
