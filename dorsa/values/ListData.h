/**
 * @file
 * @brief List attribute values: an ordered list of values.
 *
 * Holds ListItem and ListDataType.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/values/DataValue.h"

#include <vector>

namespace zvrtkDorsaServiceLayer {

/// One entry of a list value: a value (may be null) and the record history it came from.
struct DORSA_EXPORT ListItem {
    /// Element names an item's value arrives under; filled at start-up.
    static ContainedDataValueFactory* s_factory;
    /// A second call before StaticShutdown does nothing.
    static void StaticInit();
    static void StaticShutdown();

    SmartPtr<IDataValue> value;
    int sourceRecordHistoryId = 0;
};

/// An ordered list of values. Read only: it writes nothing for import.
class DORSA_EXPORT ListDataType final : public RegisteredDataType<ListDataType> {
public:
    static constexpr const char* s_nodeName = "ListDataValue";
    static constexpr const char* s_typeCode = AttributeTypes::LIST_TYPE_STRING;

    ListDataType() = default;

    std::vector<ListItem>& GetItems() { return m_items; }
    void PushItem(const ListItem& item) { m_items.push_back(item); }

    void CreateXMLNode(XmlNode<char>* node) const override;

private:
    friend class RegisteredDataType<ListDataType>;
    explicit ListDataType(const XmlNode<char>* node);

    std::vector<ListItem> m_items;
};

} // namespace zvrtkDorsaServiceLayer
