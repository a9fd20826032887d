#pragma once

#include "RecordArguments.h"
#include "ToolContext.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace dorsatool {

// A JSON value as a table cell shows it: text as it is, a number as Number writes it, a truth
// as yes or no, a list as its items' cells joined with ", "; null and objects as nothing.
std::string CellText(const nlohmann::json& value);

// One column of a listing of `Item`s: the item's value under `key` in its JSON object, shown
// in the table under `header`.
template <class Item>
struct Column {
    using Value = std::function<nlohmann::json(const Item&)>;
    using Text = std::function<std::string(const Item&)>;

    // `text`: the cell where it is not the value's CellText.
    Column(const char* header, const char* key, Value value, Text text = nullptr)
        : header(header), key(key), value(std::move(value)), text(std::move(text))
    {
    }

    const char* header; // nullptr: the value is in the JSON alone
    const char* key;    // nullptr: the cell is in the table alone
    Value value;
    Text text;
};

// The headers of the columns that show in the table.
template <class Item>
std::vector<std::string> Headers(const std::vector<Column<Item>>& columns)
{
    std::vector<std::string> headers;
    for (const Column<Item>& column : columns) {
        if (column.header) {
            headers.push_back(column.header);
        }
    }
    return headers;
}

// Adds the item's cells to `row` and returns its JSON object.
template <class Item>
nlohmann::json AddItem(const std::vector<Column<Item>>& columns, const Item& item, std::vector<std::string>& row)
{
    nlohmann::json object = nlohmann::json::object();
    for (const Column<Item>& column : columns) {
        const nlohmann::json value = column.value(item);
        if (column.header) {
            row.push_back(column.text ? column.text(item) : CellText(value));
        }
        if (column.key) {
            object[column.key] = value;
        }
    }
    return object;
}

// Prints the items, one row and one JSON object each, as `columns` say.
template <class Item>
void PrintListing(const ToolContext& context, const std::vector<Column<Item>>& columns, const std::vector<Item>& items)
{
    TextTable table{Headers(columns), {}};
    nlohmann::json list = nlohmann::json::array();
    for (const Item& item : items) {
        table.rows.emplace_back();
        list.push_back(AddItem(columns, item, table.rows.back()));
    }
    context.Print(table, list);
}

// A record with the parts of it a listing shows.
template <class Part>
struct RecordParts {
    zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::RecordReference> record;
    std::vector<Part> parts;
};

// Prints records part by part: a row per part, the record's label first, and an object per
// record that holds its parts' objects under `partsKey`. A record without parts has no row.
template <class Part>
void PrintRecordParts(const ToolContext& context, const char* partsKey, const std::vector<Column<Part>>& columns,
                      const std::vector<RecordParts<Part>>& records)
{
    TextTable table{Headers(columns), {}};
    table.headers.insert(table.headers.begin(), "RECORD");
    nlohmann::json list = nlohmann::json::array();
    for (const RecordParts<Part>& record : records) {
        nlohmann::json parts = nlohmann::json::array();
        for (const Part& part : record.parts) {
            table.rows.push_back({RecordLabel(record.record)});
            parts.push_back(AddItem(columns, part, table.rows.back()));
        }
        list.push_back({{"record", RecordJson(record.record)}, {partsKey, parts}});
    }
    context.Print(table, list);
}

} // namespace dorsatool
