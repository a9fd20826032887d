#pragma once

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

// Prints the items, one row and one JSON object each, as `columns` say.
template <class Item>
void PrintListing(const ToolContext& context, const std::vector<Column<Item>>& columns, const std::vector<Item>& items)
{
    TextTable table;
    for (const Column<Item>& column : columns) {
        if (column.header) {
            table.headers.push_back(column.header);
        }
    }
    nlohmann::json list = nlohmann::json::array();
    for (const Item& item : items) {
        std::vector<std::string> row;
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
        table.rows.push_back(std::move(row));
        list.push_back(std::move(object));
    }
    context.Print(table, list);
}

} // namespace dorsatool
