#pragma once

#include "ToolContext.h"

#include <CLI/CLI.hpp>

#include <functional>
#include <string>
#include <vector>

namespace dorsatool {

// Runs a command once its arguments are parsed; returns the exit code.
using Runner = std::function<int(ToolContext&)>;

// A command of the tool: its name, its help, and how it takes its arguments.
struct Command {
    const char* name;
    const char* help;
    // Adds the command's arguments to `app` and returns what runs it.
    std::function<Runner(CLI::App& app)> define;
};

// Every command, in the order the help lists them.
const std::vector<Command>& AllCommands();

// "a, b, c": a list in one table cell or message; `separator` goes between the items.
std::string Join(const std::vector<std::string>& items, const char* separator = ", ");

// A number as people read it: up to ten significant digits.
std::string Number(double value);

// The text of an enum value from its table of texts, indexed by value; `unknown` outside it.
template <size_t N>
const char* EnumText(const char* const (&texts)[N], int value, const char* unknown = "Unknown")
{
    return value >= 0 && static_cast<size_t>(value) < N ? texts[value] : unknown;
}

// Exit_Ok when database `dbKey` knows every unit symbol: as one of its units or, when
// `convertible`, also as a unit one of its conversions leads from or to (such as Pa). Else
// Exit_BadArguments after naming the others, or the exit code of a failed call.
int CheckUnitsKnown(ToolContext& context, const std::string& dbKey, const std::vector<std::string>& symbols,
                    bool convertible = false);

// The commands of each family.
std::vector<Command> CatalogueCommands();
std::vector<Command> UnitCommands();
std::vector<Command> AttributeCommands();
std::vector<Command> ValueCommands();
std::vector<Command> ImportCommands();
std::vector<Command> ExportCommands();
std::vector<Command> SearchCommands();
std::vector<Command> TreeCommands();

} // namespace dorsatool
