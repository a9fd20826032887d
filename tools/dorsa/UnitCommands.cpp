#include "Commands.h"
#include "Listing.h"

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace dorsatool {

using namespace zvrtkDorsaServiceLayer;
using nlohmann::json;

namespace {

// Asks for the units of a database; Exit_Ok, or the exit code of the failed call.
int FetchUnits(ToolContext& context, const std::string& dbKey, GetUnitsResponse& response)
{
    SmartPtr<GetUnits> request = new GetUnits;
    request->SetDBKey(dbKey);
    return context.Call<GetUnitsImpl>(response, request);
}

// Asks for the unit systems of a database, currencies left out.
int FetchUnitSystems(ToolContext& context, const std::string& dbKey, std::vector<std::string>& systems)
{
    SmartPtr<GetUnitSystems> request = new GetUnitSystems;
    request->SetDBKey(dbKey);
    request->SetExcludeCurrencies(true);
    GetUnitSystemsResponse response;
    if (const int failed = context.Call<GetUnitSystemsImpl>(response, request)) {
        return failed;
    }
    systems = response.AccessUnitSystems();
    return Exit_Ok;
}

Runner DefineUnits(CLI::App& app)
{
    auto dbKey = std::make_shared<std::string>();
    app.add_option("DB", *dbKey, "database key")->required();
    return [dbKey](ToolContext& context) {
        GetUnitsResponse response;
        if (const int failed = FetchUnits(context, *dbKey, response)) {
            return failed;
        }
        // Each unit beside its database's key.
        using Unit = std::pair<std::string, GetUnitsResponse::Unit>;
        std::vector<Unit> units;
        for (const auto& database : response.GetUnitsByDatabase()) {
            for (const GetUnitsResponse::Unit& unit : database.second) {
                units.emplace_back(database.first, unit);
            }
        }
        PrintListing<Unit>(context,
                           {{"DATABASE", "dbKey", [](const Unit& unit) { return unit.first; }},
                            {"SYMBOL", "symbol", [](const Unit& unit) { return unit.second.first; }},
                            {"CURRENCY", "hasCurrency", [](const Unit& unit) { return unit.second.second; }}},
                           units);
        return static_cast<int>(Exit_Ok);
    };
}

Runner DefineUnitSystems(CLI::App& app)
{
    auto dbKey = std::make_shared<std::string>();
    app.add_option("DB", *dbKey, "database key")->required();
    return [dbKey](ToolContext& context) {
        std::vector<std::string> systems;
        if (const int failed = FetchUnitSystems(context, *dbKey, systems)) {
            return failed;
        }
        TextTable table{{"UNIT SYSTEM"}, {}};
        for (const std::string& system : systems) {
            table.rows.push_back({system});
        }
        context.Print(table, json(systems));
        return static_cast<int>(Exit_Ok);
    };
}

Runner DefineCurrencies(CLI::App&)
{
    return [](ToolContext& context) {
        GetCurrenciesResponse response;
        if (const int failed = context.Call<GetCurrenciesImpl>(response)) {
            return failed;
        }
        using Currency = SmartPtr<CurrencyDetail>;
        PrintListing<Currency>(context,
                               {{"CODE", "code", [](const Currency& currency) { return currency->GetCode(); }},
                                {"NAME", "name", [](const Currency& currency) { return currency->GetName(); }},
                                {"FACTOR", "factor", [](const Currency& currency) { return currency->GetFactor(); }}},
                               response.AccessCurrencies());
        return static_cast<int>(Exit_Ok);
    };
}

struct ConvertArguments {
    std::string dbKey;
    std::vector<std::string> symbols;
    std::string system;
    std::string currency;
};

// One conversion context per unit system, each into --currency (without it: the unit's own currency).
SmartPtr<GetUnitConversions> ConversionsRequest(const ConvertArguments& arguments, const std::vector<std::string>& systems)
{
    SmartPtr<GetUnitConversions> request = new GetUnitConversions;
    request->SetDBKey(arguments.dbKey);
    request->SetUnitSymbols(arguments.symbols);
    request->SetTargetCurrency(arguments.currency);
    for (const std::string& system : systems) {
        SmartPtr<UnitConversionContext> target = new UnitConversionContext;
        target->SetUnitSystem(system);
        target->SetCurrency(arguments.currency);
        request->AddUnitConversionContext(target);
    }
    return request;
}

void PrintConversions(ToolContext& context, GetUnitConversionsResponse& response)
{
    // Each conversion beside the unit system it converts into.
    using Conversion = std::pair<std::string, UnitConversion::Conversion>;
    std::vector<Conversion> rows;
    for (const SmartPtr<UnitConversion>& conversions : response.AccessConversions()) {
        const std::string system = conversions->GetUnitSystem() ? conversions->GetUnitSystem()->GetUnitSystem() : "";
        for (const UnitConversion::Conversion& conversion : conversions->AccessConversions()) {
            rows.emplace_back(system, conversion);
        }
    }
    PrintListing<Conversion>(
        context,
        {{"SYSTEM", "system", [](const Conversion& row) { return row.first; }},
         {"FROM", "from", [](const Conversion& row) { return row.second.sourceSymbol; }},
         {"TO", "to", [](const Conversion& row) { return row.second.targetSymbol; }},
         {"FACTOR", "factor", [](const Conversion& row) { return row.second.factor; }},
         {"OFFSET", "offset", [](const Conversion& row) { return row.second.offset; }}},
        rows);
}

// The conversions into the unit system given, or into every unit system of the database.
int RunConvert(ToolContext& context, const ConvertArguments& arguments)
{
    if (const int failed = CheckUnitsKnown(context, arguments.dbKey, arguments.symbols)) {
        return failed;
    }
    std::vector<std::string> systems{arguments.system};
    if (arguments.system.empty()) {
        if (const int failed = FetchUnitSystems(context, arguments.dbKey, systems)) {
            return failed;
        }
    }
    GetUnitConversionsResponse response;
    if (const int failed = context.Call<GetUnitConversionsImpl>(response, ConversionsRequest(arguments, systems))) {
        return failed;
    }
    PrintConversions(context, response);
    return Exit_Ok;
}

Runner DefineConvert(CLI::App& app)
{
    auto arguments = std::make_shared<ConvertArguments>();
    app.add_option("DB", arguments->dbKey, "database key")->required();
    app.add_option("--from", arguments->symbols, "unit symbols to convert")->required();
    app.add_option("--system", arguments->system, "unit system to convert into, e.g. Imperial (default: every one of the database)");
    app.add_option("--currency", arguments->currency, "currency to convert into, e.g. EUR");
    return [arguments](ToolContext& context) { return RunConvert(context, *arguments); };
}

} // namespace

int CheckUnitsKnown(ToolContext& context, const std::string& dbKey, const std::vector<std::string>& symbols,
                    bool convertible)
{
    GetUnitsResponse response;
    if (const int failed = FetchUnits(context, dbKey, response)) {
        return failed;
    }
    std::set<std::string> known;
    for (const auto& database : response.GetUnitsByDatabase()) {
        for (const GetUnitsResponse::Unit& unit : database.second) {
            known.insert(unit.first);
        }
    }
    const auto unknown = [&known, &symbols] {
        std::vector<std::string> others;
        for (const std::string& symbol : symbols) {
            if (known.count(symbol) == 0 && std::find(others.begin(), others.end(), symbol) == others.end()) {
                others.push_back(symbol);
            }
        }
        return others;
    };
    if (convertible && !unknown().empty()) {
        // Every symbol a conversion of the database leads from or to, in any of its unit systems.
        ConvertArguments asked{dbKey, std::vector<std::string>(known.begin(), known.end()), "", ""};
        asked.symbols.insert(asked.symbols.end(), symbols.begin(), symbols.end());
        std::vector<std::string> systems;
        if (const int failed = FetchUnitSystems(context, dbKey, systems)) {
            return failed;
        }
        GetUnitConversionsResponse conversions;
        if (const int failed = context.Call<GetUnitConversionsImpl>(conversions, ConversionsRequest(asked, systems))) {
            return failed;
        }
        for (const SmartPtr<UnitConversion>& system : conversions.AccessConversions()) {
            for (const UnitConversion::Conversion& conversion : system->AccessConversions()) {
                known.insert({conversion.sourceSymbol, conversion.targetSymbol});
            }
        }
    }
    const std::vector<std::string> others = unknown();
    if (others.empty()) {
        return Exit_Ok;
    }
    return context.Fail(Exit_BadArguments, std::string(others.size() == 1 ? "unknown unit" : "unknown units") +
                                               " in " + dbKey + ": " + Join(others));
}

std::vector<Command> UnitCommands()
{
    return {
        {"units", "list the units of a database", DefineUnits},
        {"unit-systems", "list the unit systems of a database", DefineUnitSystems},
        {"currencies", "list the currencies and their factors", DefineCurrencies},
        {"convert", "show how units convert into a unit system or currency", DefineConvert},
    };
}

} // namespace dorsatool
