#include "dorsa/browse/Tree.h"
#include "dorsa/xml/XmlBinding.h"

#include <utility>

namespace zvrtkDorsaServiceLayer {

TreeRecord::TreeRecord(const XmlNode<char>* node) : NamedRecord(node)
{
    ReadInt(node, m_parentRecordHistoryIdentity, "parentRecordHistoryIdentity");
    ReadAttribute(node, m_color, "color");
    // By local name: an "xsi:type" standing before "type" is the one taken.
    ReadAttribute(node, m_type, "type");
}

TreeRecord::~TreeRecord()
{
    // A child that only this subtree holds gives up its own children first, so that
    // no destructor below this one has children left to release.
    std::vector<SmartPtr<TreeRecord>> releasing = std::move(m_children);
    while (!releasing.empty()) {
        SmartPtr<TreeRecord> child = std::move(releasing.back());
        releasing.pop_back();
        if (child && child->GetReferenceCount() == 1) {
            for (SmartPtr<TreeRecord>& grandchild : child->m_children) {
                releasing.push_back(std::move(grandchild));
            }
            child->m_children.clear();
        }
    }
}

SmartPtr<TreeRecord> TreeRecord::CreateOne(const XmlNode<char>* node)
{
    if (!node) {
        return nullptr;
    }
    SmartPtr<TreeRecord> top = new TreeRecord(node);
    // Records read whose "children" are still to be read, with their elements.
    std::vector<std::pair<TreeRecord*, const XmlNode<char>*>> unread{{top.get(), node}};
    while (!unread.empty()) {
        const auto [record, element] = unread.back();
        unread.pop_back();
        const XmlNode<char>* children = FindChildElement("children", element);
        for (const XmlNode<char>* child = FindChildElement("treeRecord", children); child;
             child = FindNextSiblingElement("treeRecord", child)) {
            record->m_children.push_back(new TreeRecord(child));
            unread.emplace_back(record->m_children.back().get(), child);
        }
    }
    return top;
}

void GetRootNode::CreateXMLNode(XmlNode<char>* element) const
{
    WriteObjectOrEmpty(element, GetOwnerDocument(element), "brow:table", m_table);
}

void GetChildNodes::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteObject(element, document, "brow:parent", m_parent);
    WriteObject(element, document, "brow:recordFilter", m_recordFilter);
    WriteText(element, document, "brow:recurse", BoolToString(m_recurse));
    WriteInt(element, document, "brow:recurseMaxDepth", m_recurseMaxDepth);
    WriteText(element, document, "brow:populateGUIDs", BoolToString(m_populateGUIDs));
}

void GetTreeRecordsRequest::CreateXMLNode(XmlNode<char>* element) const
{
    WriteReferenceList(element, GetOwnerDocument(element), "zbt:recordReferences", "zbt:record", m_records);
}

GetRootNodeResponse::GetRootNodeResponse(const XmlNode<char>* node)
{
    ReadObject(node, "rootNode", m_rootNode);
}

TreeRecordsResponse::TreeRecordsResponse(const XmlNode<char>* node)
{
    ReadObjectList(node, "treeRecords", "treeRecord", m_treeRecords);
}

} // namespace zvrtkDorsaServiceLayer
