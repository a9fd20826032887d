#pragma once

#include "dorsa/browse/TableFilters.h"
#include "dorsa/references/RecordFilter.h"
#include "dorsa/search/SearchValues.h"
#include "dorsa/search/TextSearch.h"

namespace zvrtkDorsaServiceLayer {
namespace detail {

// What the text and the criteria search write alike after their own elements:
// "sear:searchFilter", "sear:searchMode" (unless no mode), "sear:populateGUIDs" and,
// when a filter is set, "sear:recordFilter".
void WriteSearchScope(XmlNode<char>* element, TableFilters::eTablesFilter filter, SearchModes::eSearchMode mode,
                      bool populateGUIDs, const SmartPtr<RecordFilter>& recordFilter);

// Appends the element "sear:" + the value's node name to `parent` and lets the value
// fill it; nothing for a null value.
void WriteSearchValue(XmlNode<char>* parent, const SearchValue* value);

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
