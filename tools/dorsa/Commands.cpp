#include "Commands.h"

namespace dorsatool {

const std::vector<Command>& AllCommands()
{
    static const std::vector<Command> s_commands = [] {
        std::vector<Command> commands;
        for (const auto& family : {CatalogueCommands(), UnitCommands()}) {
            commands.insert(commands.end(), family.begin(), family.end());
        }
        return commands;
    }();
    return s_commands;
}

std::string Join(const std::vector<std::string>& items)
{
    std::string joined;
    for (const std::string& item : items) {
        joined += (joined.empty() ? "" : ", ") + item;
    }
    return joined;
}

} // namespace dorsatool
