/**
 * @file
 * @brief Tabular attribute values: columns, rows and cells.
 *
 * Holds TabularColumn, TabularDataCell, TabularDataRow and TabularDataType.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/references/RecordReference.h"
#include "dorsa/values/DataValue.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

class TabularDataType;

/// A column of a tabular value: its name and what it holds.
class DORSA_EXPORT TabularColumn final : public SmartPtrTarget_ts {
public:
    enum eColType : int {
        Local = 0,
        TargetAttribute = 1,
        TargetRecord = 2,
        TargetTabularColumn = 3,
        Unrecognised = 4,
    };

    TabularColumn() = default;
    /// A local column named `name`.
    static SmartPtr<TabularColumn> CreateOne(const std::string& name);
    static SmartPtr<TabularColumn> CreateOne(const XmlNode<char>* node);

    std::string GetName() const { return m_name; }
    eColType GetType() const { return m_type; }
    void SetType(eColType type) { m_type = type; }
    /// Exact texts; anything else is Unrecognised.
    static eColType ParseType(const std::string& text);

private:
    std::string m_name;
    eColType m_type = Local;
};

/// One cell: a value (may be null) in a column.
class DORSA_EXPORT TabularDataCell final : public SmartPtrTarget_ts {
public:
    /// Element names a cell's value arrives under; filled at start-up.
    static ContainedDataValueFactory* s_factory;
    /// A second call before StaticShutdown does nothing.
    static void StaticInit();
    static void StaticShutdown();
    static void RegisterTypes();

    /// Always a cell, also for a null value.
    static SmartPtr<TabularDataCell> CreateOne(SmartPtr<IDataValue> value, const TabularColumn* column);
    /// An empty cell. (Without this overload a null literal would pick the XML reader.)
    static SmartPtr<TabularDataCell> CreateOne(std::nullptr_t, const TabularColumn* column);
    /// The value of the cell element's first child element; null when there is none.
    static SmartPtr<TabularDataCell> CreateOne(const XmlNode<char>* node, const TabularColumn* column);

    SmartPtr<IDataValue> GetData() const { return m_value; }
    void SetData(SmartPtr<IDataValue> value) { m_value = value; }
    const TabularColumn* GetColumn() const { return m_column.get(); }

    /// The column name and the value under its short element name; nothing without a value.
    void CreateXMLNode(XmlNode<char>* node) const;

private:
    TabularDataCell(SmartPtr<IDataValue> value, const TabularColumn* column) : m_column(column), m_value(value) {}

    /// Held so that a cell never outlives its column's name.
    SmartPtr<const TabularColumn> m_column;
    SmartPtr<IDataValue> m_value;
};

/// One row: a cell per column, its identity on the server and the records it links to.
class DORSA_EXPORT TabularDataRow final : public SmartPtrTarget_ts {
public:
    /// A row with one empty cell per column of `table`.
    static SmartPtr<TabularDataRow> CreateOne(TabularDataType* table);
    static SmartPtr<TabularDataRow> CreateOne(const XmlNode<char>* node, TabularDataType* table);
    ~TabularDataRow() override = default;
    /// Copies links and identity, and the cell values when both rows have as many cells.
    TabularDataRow& operator=(const TabularDataRow& other);

    int GetIdentity() const { return m_identity; }
    void SetIdentity(int identity) { m_identity = identity; }
    std::string GetLinkingVal() const { return m_linkingValue; }
    void SetLinkingVal(const std::string& value) { m_linkingValue = value; }
    std::vector<SmartPtr<RecordReference>>& GetLinkedRecords() { return m_linkedRecords; }
    std::vector<SmartPtr<TabularDataCell>>& GetData() { return m_cells; }
    std::size_t Size() const { return m_cells.size(); }
    /// Throws std::out_of_range for a position past the last cell.
    SmartPtr<TabularDataCell>& At(std::size_t index) { return m_cells.at(index); }
    /// The cell of `column`; throws std::out_of_range when the column is not in the row's table.
    SmartPtr<TabularDataCell>& AtCol(const TabularColumn* column);
    SmartPtr<TabularDataCell>& AtCol(const SmartPtr<TabularColumn>& column) { return AtCol(column.get()); }

    virtual void CreateXMLNode(XmlNode<char>* node) const;

private:
    friend class TabularDataType;
    TabularDataRow() = default;
    void AddLinkedRecord(const SmartPtr<RecordReference>& record) { m_linkedRecords.push_back(record); }
    void PushCell(const SmartPtr<TabularDataCell>& cell) { m_cells.push_back(cell); }

    std::vector<SmartPtr<RecordReference>> m_linkedRecords;
    std::string m_linkingValue;
    std::vector<SmartPtr<TabularDataCell>> m_cells;
    int m_identity = 0;
};

/// @brief A table of values: typed columns, rows of cells and a summary row. Imported
/// either whole (rows) or as row changes.
class DORSA_EXPORT TabularDataType final : public RegisteredDataType<TabularDataType> {
public:
    static constexpr const char* s_nodeName = "TabularDataValue";
    static constexpr const char* s_typeCode = AttributeTypes::TABULAR_TYPE_STRING;

    enum eChangeType : int {
        InsertBefore = 0,
        Append = 1,
        Update = 2,
        Delete = 3,
    };

    TabularDataType() = default;
    TabularDataType(const TabularDataType& other);
    TabularDataType& operator=(const TabularDataType& other);
    /// An empty table, for building an import.
    static SmartPtr<TabularDataType> CreateOne();
    /// Null unless the element has both "columns" and "summaryRow".
    static SmartPtr<TabularDataType> CreateOne(const XmlNode<char>* node);

    std::vector<SmartPtr<TabularColumn>>& GetColumns() { return m_columns; }
    std::vector<SmartPtr<TabularDataRow>>& GetRows() { return m_rows; }
    SmartPtr<TabularDataRow> GetSummary() const { return m_summary; }

    /// Appends the column and an empty cell for it to every row. A null column is ignored.
    void AddColumn(SmartPtr<TabularColumn> column);
    SmartPtr<TabularDataRow> PushRow();
    /// A null row is ignored.
    void PushRow(SmartPtr<TabularDataRow> row);
    /// A new row sent as a change of this kind; its identity is set when above 0.
    SmartPtr<TabularDataRow> PushRowForUpdate(eChangeType change, int identity);
    /// Position of the column, or -1 when it is not in the table.
    int GetColumnOffset(const TabularColumn* column) const;

    std::string GetImportNodeName() const override { return "TabularDataImportValue"; }
    void CreateXMLNode(XmlNode<char>* node) const override;

private:
    std::vector<SmartPtr<TabularColumn>> m_columns;
    std::vector<SmartPtr<TabularDataRow>> m_rows;
    SmartPtr<TabularDataRow> m_summary;
    std::map<const TabularColumn*, int> m_columnIndex;
    std::map<eChangeType, std::vector<SmartPtr<TabularDataRow>>> m_changes;
};

} // namespace zvrtkDorsaServiceLayer
