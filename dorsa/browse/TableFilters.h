#pragma once

#include "dorsa/DorsaExport.h"

#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// Kinds of tables a request can be narrowed to, and their wire names.
struct DORSA_EXPORT TableFilters {
    enum eTablesFilter : int {
        NoFilter = 0,
        MaterialsTablesOnly,
        ProcessesTablesOnly,
        SubstancesTablesOnly,
        LegislationsTablesOnly,
        TransportTypesTablesOnly,
        RegionsTablesOnly,
        EndOfLifeOptionsTablesOnly,
        EnergyConversionOptionsTablesOnly,
        CoatingsTablesOnly,
        PartsTablesOnly,
        InHouseTablesOnly,
        SequenceSpecificationsTablesOnly,
        ElementsTablesOnly,
        UniverseTablesOnly,
        ProducersTablesOnly,
        ShapeTablesOnly,
        ReferenceTablesOnly,
        MobileUseTypesTablesOnly,
    };

    /// The wire name of a filter; "NoFilter" for a value outside the table.
    static std::string ToString(eTablesFilter filter);
    /// The filter with exactly this name, or NoFilter (also before StaticInit has run).
    static eTablesFilter FromString(const std::string& name);
    /// Each name through FromString.
    static std::vector<eTablesFilter> FromStrings(const std::vector<std::string>& names);
    /// Fills the name lookup; called by library start-up. A second call changes nothing.
    static void StaticInit();
};

} // namespace zvrtkDorsaServiceLayer
