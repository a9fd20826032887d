#pragma once

#include <cstddef>
#include <string>

namespace zvrtkDorsaServiceLayer {

/// One row of an enumeration's text table.
template <class E>
struct EnumName {
    E value;
    const char* text;
};

/// The text of `value`, or `unknown` when the table does not list it.
template <class E, std::size_t N>
std::string EnumToString(const EnumName<E> (&table)[N], E value, const char* unknown = "Unknown")
{
    for (const EnumName<E>& row : table) {
        if (row.value == value) {
            return row.text;
        }
    }
    return unknown;
}

/// The row whose text equals `text` exactly (case-sensitive), or null.
template <class E, std::size_t N>
const EnumName<E>* FindEnumByText(const EnumName<E> (&table)[N], const std::string& text)
{
    for (const EnumName<E>& row : table) {
        if (text == row.text) {
            return &row;
        }
    }
    return nullptr;
}

/// The value whose text equals `text` exactly (case-sensitive), or `unknown` (0 unless given).
template <class E, std::size_t N>
E EnumFromString(const EnumName<E> (&table)[N], const std::string& text, E unknown = static_cast<E>(0))
{
    const EnumName<E>* row = FindEnumByText(table, text);
    return row ? row->value : unknown;
}

} // namespace zvrtkDorsaServiceLayer
