#include "dorsa/values/TabularData.h"
#include "dorsa/xml/EnumTable.h"
#include "dorsa/xml/XmlBinding.h"

#include <stdexcept>

namespace zvrtkDorsaServiceLayer {

namespace {

const EnumName<TabularColumn::eColType> s_columnTypes[] = {
    {TabularColumn::Local, "Local"},
    {TabularColumn::TargetAttribute, "TargetAttribute"},
    {TabularColumn::TargetRecord, "TargetRecord"},
    {TabularColumn::TargetTabularColumn, "TargetTabularColumn"},
};

const EnumName<TabularDataType::eChangeType> s_changeTypes[] = {
    {TabularDataType::InsertBefore, "InsertBefore"},
    {TabularDataType::Append, "Append"},
    {TabularDataType::Update, "Update"},
    {TabularDataType::Delete, "Delete"},
};

// Element names of cell values, in registration order.
const char* const s_cellTypes[][2] = {
    {"Logical", AttributeTypes::LOGICAL_TYPE_STRING},     {"ShortText", AttributeTypes::SHORT_TEXT_TYPE_STRING},
    {"Integer", AttributeTypes::INTEGER_TYPE_STRING},     {"Range", AttributeTypes::RANGE_TYPE_STRING},
    {"Point", AttributeTypes::POINT_TYPE_STRING},         {"LongText", AttributeTypes::LONG_TEXT_TYPE_STRING},
    {"Hyperlink", AttributeTypes::HYPERLINK_TYPE_STRING}, {"Discrete", AttributeTypes::DISCRETE_TYPE_STRING},
    {"Date", AttributeTypes::DATE_TIME_TYPE_STRING},      {"List", AttributeTypes::LIST_TYPE_STRING},
    {"Picture", AttributeTypes::PICTURE_TYPE_STRING},     {"Empty", AttributeTypes::EMPTY_TYPE_STRING},
    {"File", AttributeTypes::FILE_TYPE_STRING},
};

// "IntegerDataValue" is written in a cell as "zbt:Integer".
std::string CellElementName(const std::string& nodeName)
{
    return WithBaseTypesPrefix(nodeName.substr(0, nodeName.find("DataValue")));
}

// A row of `table` with the cells and identity of `row`. The cells are new, their values shared.
SmartPtr<TabularDataRow> CopyRow(const TabularDataRow& row, TabularDataType* table)
{
    SmartPtr<TabularDataRow> copy = TabularDataRow::CreateOne(table);
    *copy = row;
    return copy;
}

} // namespace

SmartPtr<TabularColumn> TabularColumn::CreateOne(const std::string& name)
{
    SmartPtr<TabularColumn> column = new TabularColumn;
    column->m_name = name;
    return column;
}

SmartPtr<TabularColumn> TabularColumn::CreateOne(const XmlNode<char>* node)
{
    if (!node) {
        return nullptr;
    }
    SmartPtr<TabularColumn> column = CreateOne(GetText(node));
    if (const XmlAttribute<char>* type = FindAttribute("columnType", node)) {
        column->m_type = ParseType(GetText(type));
    }
    return column;
}

TabularColumn::eColType TabularColumn::ParseType(const std::string& text)
{
    return EnumFromString(s_columnTypes, text, Unrecognised);
}

ContainedDataValueFactory* TabularDataCell::s_factory = nullptr;

void TabularDataCell::StaticInit()
{
    if (s_factory) {
        return;
    }
    s_factory = new ContainedDataValueFactory;
    RegisterTypes();
}

void TabularDataCell::StaticShutdown()
{
    delete s_factory;
    s_factory = nullptr;
}

void TabularDataCell::RegisterTypes()
{
    s_factory->RegisterTypes(s_cellTypes);
}

SmartPtr<TabularDataCell> TabularDataCell::CreateOne(SmartPtr<IDataValue> value, const TabularColumn* column)
{
    return new TabularDataCell(value, column);
}

SmartPtr<TabularDataCell> TabularDataCell::CreateOne(std::nullptr_t, const TabularColumn* column)
{
    return new TabularDataCell(nullptr, column);
}

SmartPtr<TabularDataCell> TabularDataCell::CreateOne(const XmlNode<char>* node, const TabularColumn* column)
{
    SmartPtr<IDataValue> value = s_factory ? s_factory->CreateOne(FirstChildElement(node), nullptr) : nullptr;
    return value ? new TabularDataCell(value, column) : nullptr;
}

void TabularDataCell::CreateXMLNode(XmlNode<char>* node) const
{
    if (!m_value) {
        return;
    }
    XmlDocument<char>* document = GetOwnerDocument(node);
    WriteAttribute(node, document, "zbt:columnName", m_column ? m_column->GetName() : std::string());
    m_value->CreateXMLNode(WriteContainer(node, document, CellElementName(m_value->GetNodeName())));
}

SmartPtr<TabularDataRow> TabularDataRow::CreateOne(TabularDataType* table)
{
    SmartPtr<TabularDataRow> row = new TabularDataRow;
    if (table) {
        for (const SmartPtr<TabularColumn>& column : table->GetColumns()) {
            row->PushCell(TabularDataCell::CreateOne(nullptr, column.get()));
        }
    }
    return row;
}

SmartPtr<TabularDataRow> TabularDataRow::CreateOne(const XmlNode<char>* node, TabularDataType* table)
{
    if (!node || !table) {
        return nullptr;
    }
    SmartPtr<TabularDataRow> row = CreateOne(table);
    if (const XmlNode<char>* linked = FindChildElement("LinkedRecords", node)) {
        ReadObjectList(linked, "LinkedRecord", row->m_linkedRecords);
        ReadAttribute(linked, row->m_linkingValue, "linkingValue");
    }
    const std::vector<XmlNode<char>*> cells = FindChildElements("TabularDataCell", FindChildElement("Cells", node));
    for (std::size_t i = 0; i < cells.size() && i < row->m_cells.size(); ++i) {
        row->m_cells[i] = TabularDataCell::CreateOne(cells[i], table->GetColumns()[i].get());
    }
    ReadIntAttribute(node, row->m_identity, "identity");
    return row;
}

TabularDataRow& TabularDataRow::operator=(const TabularDataRow& other)
{
    if (this == &other) {
        return *this;
    }
    m_linkedRecords = other.m_linkedRecords;
    m_linkingValue = other.m_linkingValue;
    m_identity = other.m_identity;
    if (!m_cells.empty() && m_cells.size() == other.m_cells.size()) {
        for (std::size_t i = 0; i < m_cells.size(); ++i) {
            const SmartPtr<IDataValue> value = other.m_cells[i] ? other.m_cells[i]->GetData() : nullptr;
            if (m_cells[i]) {
                m_cells[i]->SetData(value);
            }
        }
    }
    return *this;
}

SmartPtr<TabularDataCell>& TabularDataRow::AtCol(const TabularColumn* column)
{
    for (SmartPtr<TabularDataCell>& cell : m_cells) {
        if (cell && column && cell->GetColumn() == column) {
            return cell;
        }
    }
    throw std::out_of_range("the column is not in this row's table");
}

void TabularDataRow::CreateXMLNode(XmlNode<char>* node) const
{
    XmlDocument<char>* document = GetOwnerDocument(node);
    if (!m_linkingValue.empty()) {
        WriteAttribute(node, document, "zbt:linkingValue", m_linkingValue);
    }
    if (m_identity > 0) {
        WriteAttribute(node, document, "zbt:rowIdentity", IntToString(m_identity));
    }
    XmlNode<char>* cells = WriteContainer(node, document, "zbt:Cells");
    for (const SmartPtr<TabularDataCell>& cell : m_cells) {
        if (cell && cell->GetData()) {
            WriteObject(cells, document, "zbt:Cell", cell);
        }
    }
}

TabularDataType::TabularDataType(const TabularDataType& other) : RegisteredDataType(other)
{
    *this = other;
}

TabularDataType& TabularDataType::operator=(const TabularDataType& other)
{
    if (this == &other) {
        return *this;
    }
    IDataValue::operator=(other);
    m_columns = other.m_columns;
    m_columnIndex = other.m_columnIndex;
    // A change row is also one of the rows: its copy must be the same object in both lists.
    std::map<const TabularDataRow*, SmartPtr<TabularDataRow>> copies;
    m_rows.clear();
    for (const SmartPtr<TabularDataRow>& row : other.m_rows) {
        m_rows.push_back(CopyRow(*row, this));
        copies[row.get()] = m_rows.back();
    }
    m_changes.clear();
    for (const auto& change : other.m_changes) {
        std::vector<SmartPtr<TabularDataRow>>& rows = m_changes[change.first];
        for (const SmartPtr<TabularDataRow>& row : change.second) {
            // A host may have taken a change row out of GetRows(); it is still sent.
            const auto copied = copies.find(row.get());
            rows.push_back(copied != copies.end() ? copied->second : CopyRow(*row, this));
        }
    }
    m_summary = other.m_summary ? CopyRow(*other.m_summary, this) : nullptr;
    return *this;
}

SmartPtr<TabularDataType> TabularDataType::CreateOne()
{
    return new TabularDataType;
}

SmartPtr<TabularDataType> TabularDataType::CreateOne(const XmlNode<char>* node)
{
    const XmlNode<char>* columns = FindChildElement("columns", node);
    const XmlNode<char>* summary = FindChildElement("summaryRow", node);
    if (!columns || !summary) {
        return nullptr;
    }
    SmartPtr<TabularDataType> table = new TabularDataType;
    for (const XmlNode<char>* column : FindChildElements("column", columns)) {
        table->AddColumn(TabularColumn::CreateOne(column));
    }
    for (const XmlNode<char>* row : FindChildElements("row", FindChildElement("rows", node))) {
        table->PushRow(TabularDataRow::CreateOne(row, table.get()));
    }
    table->m_summary = TabularDataRow::CreateOne(summary, table.get());
    return table;
}

void TabularDataType::AddColumn(SmartPtr<TabularColumn> column)
{
    if (!column) {
        return;
    }
    m_columns.push_back(column);
    m_columnIndex[column.get()] = static_cast<int>(m_columns.size()) - 1;
    for (const SmartPtr<TabularDataRow>& row : m_rows) {
        row->PushCell(TabularDataCell::CreateOne(nullptr, column.get()));
    }
}

SmartPtr<TabularDataRow> TabularDataType::PushRow()
{
    SmartPtr<TabularDataRow> row = TabularDataRow::CreateOne(this);
    m_rows.push_back(row);
    return row;
}

void TabularDataType::PushRow(SmartPtr<TabularDataRow> row)
{
    if (row) {
        m_rows.push_back(row);
    }
}

SmartPtr<TabularDataRow> TabularDataType::PushRowForUpdate(eChangeType change, int identity)
{
    SmartPtr<TabularDataRow> row = PushRow();
    if (identity > 0) {
        row->SetIdentity(identity);
    }
    m_changes[change].push_back(row);
    return row;
}

int TabularDataType::GetColumnOffset(const TabularColumn* column) const
{
    const auto found = m_columnIndex.find(column);
    return found == m_columnIndex.end() ? -1 : found->second;
}

void TabularDataType::CreateXMLNode(XmlNode<char>* node) const
{
    XmlDocument<char>* document = GetOwnerDocument(node);
    if (m_changes.empty()) {
        WriteEachObject(WriteContainer(node, document, "zbt:Rows"), document, "zbt:Row", m_rows);
        return;
    }
    XmlNode<char>* changes = WriteContainer(node, document, "zbt:Changes");
    for (const auto& change : m_changes) {
        WriteEachObject(changes, document, WithBaseTypesPrefix(EnumToString(s_changeTypes, change.first)), change.second);
    }
}

} // namespace zvrtkDorsaServiceLayer
