#include "Listing.h"

#include "Commands.h"

namespace dorsatool {

std::string CellText(const nlohmann::json& value)
{
    if (value.is_string()) {
        return value.get<std::string>();
    }
    if (value.is_boolean()) {
        return value.get<bool>() ? "yes" : "no";
    }
    if (value.is_number_integer()) {
        return std::to_string(value.get<long long>());
    }
    if (value.is_array()) {
        std::vector<std::string> cells;
        for (const nlohmann::json& item : value) {
            cells.push_back(CellText(item));
        }
        return Join(cells);
    }
    return value.is_number() ? Number(value.get<double>()) : "";
}

} // namespace dorsatool
