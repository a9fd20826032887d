#include "Commands.h"

namespace dorsatool {

const std::vector<Command>& AllCommands()
{
    static const std::vector<Command> s_commands = [] {
        std::vector<Command> commands;
        for (const auto& family : {CatalogueCommands(), UnitCommands(), AttributeCommands(), ValueCommands(),
                                    SearchCommands(), ImportCommands(), ExportCommands(),
                                    TreeCommands()}) {
            commands.insert(commands.end(), family.begin(), family.end());
        }
        return commands;
    }();
    return s_commands;
}

std::string Join(const std::vector<std::string>& items, const char* separator)
{
    std::string joined;
    for (const std::string& item : items) {
        joined += (joined.empty() ? "" : separator) + item;
    }
    return joined;
}

std::string Number(double value)
{
    return zvrtkDorsaServiceLayer::FormatString("%.10g", value);
}

} // namespace dorsatool
