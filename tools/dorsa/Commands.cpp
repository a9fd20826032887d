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

} // namespace dorsatool
