#include "dorsa/browse/TableFilters.h"

#include <iterator>
#include <unordered_map>

namespace zvrtkDorsaServiceLayer {

namespace {

const char* const s_filterNames[] = {
    "NoFilter",
    "MaterialsTablesOnly",
    "ProcessesTablesOnly",
    "SubstancesTablesOnly",
    "LegislationsTablesOnly",
    "TransportTypesTablesOnly",
    "RegionsTablesOnly",
    "EndOfLifeOptionsTablesOnly",
    "EnergyConversionOptionsTablesOnly",
    "CoatingsTablesOnly",
    "PartsTablesOnly",
    "InHouseTablesOnly",
    "SequenceSpecificationsTablesOnly",
    "ElementsTablesOnly",
    "UniverseTablesOnly",
    "ProducersTablesOnly",
    "ShapeTablesOnly",
    "ReferenceTablesOnly",
    "MobileUseTypesTablesOnly",
};
constexpr int s_filterCount = static_cast<int>(std::size(s_filterNames));

// Written only by StaticInit, during library start-up; read-only afterwards.
std::unordered_map<std::string, TableFilters::eTablesFilter>& FilterByName()
{
    static std::unordered_map<std::string, TableFilters::eTablesFilter> s_filterByName;
    return s_filterByName;
}

} // namespace

std::string TableFilters::ToString(eTablesFilter filter)
{
    return s_filterNames[filter >= 0 && filter < s_filterCount ? filter : NoFilter];
}

TableFilters::eTablesFilter TableFilters::FromString(const std::string& name)
{
    const auto found = FilterByName().find(name);
    return found == FilterByName().end() ? NoFilter : found->second;
}

std::vector<TableFilters::eTablesFilter> TableFilters::FromStrings(const std::vector<std::string>& names)
{
    std::vector<eTablesFilter> filters;
    for (const std::string& name : names) {
        filters.push_back(FromString(name));
    }
    return filters;
}

void TableFilters::StaticInit()
{
    for (int value = 0; value < s_filterCount; ++value) {
        FilterByName().emplace(s_filterNames[value], static_cast<eTablesFilter>(value));
    }
}

} // namespace zvrtkDorsaServiceLayer
