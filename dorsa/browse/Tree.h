/**
 * @file
 * @brief The GetRootNode, GetChildNodes and GetTreeRecords families: walking a table's record tree.
 *
 * Holds TreeRecord, GetRootNode, GetChildNodes, GetTreeRecordsRequest, GetRootNodeResponse,
 * TreeRecordsResponse, GetChildNodesResponse, GetTreeRecordsResponse, GetRootNodeImpl,
 * GetChildNodesImpl and GetTreeRecordsImpl.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/pipeline/IRequest.h"
#include "dorsa/pipeline/ResponseBase.h"
#include "dorsa/references/NamedEntities.h"
#include "dorsa/references/RecordFilter.h"
#include "dorsa/references/RecordReference.h"
#include "dorsa/references/TableReference.h"
#include "dorsa/services/ServiceCatalogue.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// @brief A folder or record of a table's record tree, with the children the server sent.
class DORSA_EXPORT TreeRecord final : public NamedRecord {
public:
    TreeRecord() = default;
    /// Releases the subtree without recursing, however deep it is.
    ~TreeRecord() override;

    /// @brief The record and every record below it, read without recursing, so that a tree
    /// as deep as the parser admits is read on a small thread stack. Null for a null element.
    static SmartPtr<TreeRecord> CreateOne(const XmlNode<char>* node);

    std::vector<SmartPtr<TreeRecord>>& AccessChildren() { return m_children; }
    void AddChild(const SmartPtr<TreeRecord>& child) { m_children.push_back(child); }
    int GetParentRecordHistoryIdentity() const { return m_parentRecordHistoryIdentity; }
    void SetParentRecordHistoryIdentity(int identity) { m_parentRecordHistoryIdentity = identity; }
    std::string GetColor() const { return m_color; }
    std::string GetType() const { return m_type; }
    bool IsTypeAvailable() const { return !m_type.empty(); }
    /// Never read from a reply: set by a host that knows it.
    bool GetHasChildren() const { return m_hasChildren; }
    void SetHasChildren(bool hasChildren) { m_hasChildren = hasChildren; }

private:
    /// Reads the record's own fields; CreateOne reads its children.
    explicit TreeRecord(const XmlNode<char>* node);

    std::vector<SmartPtr<TreeRecord>> m_children;
    int m_parentRecordHistoryIdentity = 0;
    std::string m_color = "Black";
    std::string m_type;
    bool m_hasChildren = false;
};

/// @brief Asks for the root of a table's record tree.
class DORSA_EXPORT GetRootNode final : public IRequest {
public:
    GetRootNode() = default;

    SmartPtr<TableReference> GetTable() const { return m_table; }
    void SetTable(const SmartPtr<TableReference>& table) { m_table = table; }

    /// @brief "brow:table", always; empty without a table.
    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    SmartPtr<TableReference> m_table;
};

/// @brief Asks for the children of a record, or for the tree below it to a depth.
class DORSA_EXPORT GetChildNodes final : public IRequest {
public:
    GetChildNodes() = default;

    SmartPtr<RecordReference> GetParent() const { return m_parent; }
    void SetParent(const SmartPtr<RecordReference>& parent) { m_parent = parent; }
    SmartPtr<RecordFilter> GetRecordFilter() const { return m_recordFilter; }
    void SetRecordFilter(const SmartPtr<RecordFilter>& filter) { m_recordFilter = filter; }
    bool GetRecurse() const { return m_recurse; }
    void SetRecurse(bool recurse) { m_recurse = recurse; }
    int GetRecurseMaxDepth() const { return m_recurseMaxDepth; }
    void SetRecurseMaxDepth(int depth) { m_recurseMaxDepth = depth; }
    bool GetPopulateGUIDs() const { return m_populateGUIDs; }
    void SetPopulateGUIDs(bool populate) { m_populateGUIDs = populate; }

    /// @brief The parent and the filter when set, then the three flags, always.
    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    SmartPtr<RecordReference> m_parent;
    SmartPtr<RecordFilter> m_recordFilter;
    bool m_recurse = false;
    int m_recurseMaxDepth = 0;
    bool m_populateGUIDs = false;
};

/// @brief Asks for the tree entries of given records.
class DORSA_EXPORT GetTreeRecordsRequest final : public IRequest {
public:
    GetTreeRecordsRequest() = default;

    std::vector<SmartPtr<RecordReference>>& AccessRecords() { return m_records; }
    void AddRecord(const SmartPtr<RecordReference>& record) { m_records.push_back(record); }

    /// @brief "zbt:recordReferences", always.
    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    std::vector<SmartPtr<RecordReference>> m_records;
};

/// @brief The root of a table's tree; null when the reply has no "rootNode".
class DORSA_EXPORT GetRootNodeResponse final : public ResponseBase, public XmlReadable<GetRootNodeResponse> {
public:
    GetRootNodeResponse() = default;

    SmartPtr<TreeRecord> GetRootNode() const { return m_rootNode; }
    void SetRootNode(const SmartPtr<TreeRecord>& rootNode) { m_rootNode = rootNode; }

private:
    friend XmlReadable<GetRootNodeResponse>;
    explicit GetRootNodeResponse(const XmlNode<char>* node);

    SmartPtr<TreeRecord> m_rootNode;
};

/// @brief Tree records in "treeRecords", the answer of GetChildNodes and GetTreeRecords.
/// Empty when the reply has no "treeRecords".
class DORSA_EXPORT TreeRecordsResponse : public ResponseBase {
public:
    std::vector<SmartPtr<TreeRecord>>& AccessTreeRecords() { return m_treeRecords; }
    void AddTreeRecord(const SmartPtr<TreeRecord>& record) { m_treeRecords.push_back(record); }

protected:
    TreeRecordsResponse() = default;
    explicit TreeRecordsResponse(const XmlNode<char>* node);

private:
    std::vector<SmartPtr<TreeRecord>> m_treeRecords;
};

/// @brief The children of a record, nested when asked for recursively.
class DORSA_EXPORT GetChildNodesResponse final : public TreeRecordsResponse,
                                                 public XmlReadable<GetChildNodesResponse> {
public:
    GetChildNodesResponse() = default;

private:
    friend XmlReadable<GetChildNodesResponse>;
    explicit GetChildNodesResponse(const XmlNode<char>* node) : TreeRecordsResponse(node) {}
};

/// @brief The tree entries of the records asked for.
class DORSA_EXPORT GetTreeRecordsResponse final : public TreeRecordsResponse,
                                                  public XmlReadable<GetTreeRecordsResponse> {
public:
    GetTreeRecordsResponse() = default;

private:
    friend XmlReadable<GetTreeRecordsResponse>;
    explicit GetTreeRecordsResponse(const XmlNode<char>* node) : TreeRecordsResponse(node) {}
};

/// @brief Fetches the root of a table's record tree.
class DORSA_EXPORT GetRootNodeImpl final
    : public OperationImpl<Catalogue::GetRootNode, GetRootNode, GetRootNodeResponse> {
public:
    using OperationImpl::OperationImpl;

    void RequestRootNode(SmartPtr<GetRootNode> request, GetRootNodeResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

/// @brief Fetches the children of a record.
class DORSA_EXPORT GetChildNodesImpl final
    : public OperationImpl<Catalogue::GetChildNodes, GetChildNodes, GetChildNodesResponse> {
public:
    using OperationImpl::OperationImpl;

    void RequestChildNodes(SmartPtr<GetChildNodes> request, GetChildNodesResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

/// @brief Fetches the tree entries of records.
class DORSA_EXPORT GetTreeRecordsImpl final
    : public OperationImpl<Catalogue::GetTreeRecords, GetTreeRecordsRequest, GetTreeRecordsResponse> {
public:
    using OperationImpl::OperationImpl;

    void RequestTreeNodes(SmartPtr<GetTreeRecordsRequest> request, GetTreeRecordsResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

} // namespace zvrtkDorsaServiceLayer
