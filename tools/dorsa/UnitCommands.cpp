#include "Commands.h"

#include <memory>
#include <string>
#include <vector>

namespace dorsatool {

using namespace zvrtkDorsaServiceLayer;
using nlohmann::json;

namespace {

// A number as people read it: up to ten significant digits.
std::string Number(double value)
{
    return FormatString("%.10g", value);
}

// Prints currencies as columns or JSON.
int PrintCurrencies(ToolContext& context, const std::vector<SmartPtr<CurrencyDetail>>& currencies)
{
    TextTable table{{"CODE", "NAME", "FACTOR"}, {}};
    json list = json::array();
    for (const SmartPtr<CurrencyDetail>& currency : currencies) {
        table.rows.push_back({currency->GetCode(), currency->GetName(), Number(currency->GetFactor())});
        list.push_back({{"code", currency->GetCode()}, {"name", currency->GetName()}, {"factor", currency->GetFactor()}});
    }
    context.Print(table, list);
    return Exit_Ok;
}

Runner DefineUnits(CLI::App& app)
{
    auto dbKey = std::make_shared<std::string>();
    app.add_option("DB", *dbKey, "database key")->required();
    return [dbKey](ToolContext& context) {
        SmartPtr<GetUnits> request = new GetUnits;
        request->SetDBKey(*dbKey);
        GetUnitsImpl operation(context.Session());
        GetUnitsResponse response;
        operation.GetUnits(request, &response);
        if (const int failed = context.Outcome(GetUnitsImpl::s_soapAction, response.GetServiceLayerResponse())) {
            return failed;
        }
        TextTable table{{"DATABASE", "SYMBOL", "CURRENCY"}, {}};
        json list = json::array();
        for (const auto& database : response.GetUnitsByDatabase()) {
            for (const GetUnitsResponse::Unit& unit : database.second) {
                table.rows.push_back({database.first, unit.first, unit.second ? "yes" : "no"});
                list.push_back({{"dbKey", database.first}, {"symbol", unit.first}, {"hasCurrency", unit.second}});
            }
        }
        context.Print(table, list);
        return static_cast<int>(Exit_Ok);
    };
}

Runner DefineUnitSystems(CLI::App& app)
{
    auto dbKey = std::make_shared<std::string>();
    app.add_option("DB", *dbKey, "database key")->required();
    return [dbKey](ToolContext& context) {
        SmartPtr<GetUnitSystems> request = new GetUnitSystems;
        request->SetDBKey(*dbKey);
        request->SetExcludeCurrencies(true);
        GetUnitSystemsImpl operation(context.Session());
        GetUnitSystemsResponse response;
        operation.GetUnitSystems(request, &response);
        if (const int failed = context.Outcome(GetUnitSystemsImpl::s_soapAction, response.GetServiceLayerResponse())) {
            return failed;
        }
        TextTable table{{"UNIT SYSTEM"}, {}};
        for (const std::string& system : response.AccessUnitSystems()) {
            table.rows.push_back({system});
        }
        context.Print(table, json(response.AccessUnitSystems()));
        return static_cast<int>(Exit_Ok);
    };
}

Runner DefineCurrencies(CLI::App&)
{
    return [](ToolContext& context) {
        GetCurrenciesImpl operation(context.Session());
        GetCurrenciesResponse response;
        operation.GetCurrencies(&response);
        if (const int failed = context.Outcome(GetCurrenciesImpl::s_soapAction, response.GetServiceLayerResponse())) {
            return failed;
        }
        return PrintCurrencies(context, response.AccessCurrencies());
    };
}

struct ConvertArguments {
    std::string dbKey;
    std::vector<std::string> symbols;
    std::string system;
    std::string currency;
};

// With a system or currency: the conversions into it; otherwise every conversion of each unit.
int RunConvert(ToolContext& context, const ConvertArguments& arguments)
{
    SmartPtr<GetUnitConversions> request = new GetUnitConversions;
    request->SetDBKey(arguments.dbKey);
    request->SetUnitSymbols(arguments.symbols);
    request->SetTargetCurrency(arguments.currency);
    const bool inContext = !arguments.system.empty() || !arguments.currency.empty();
    if (inContext) {
        SmartPtr<UnitConversionContext> target = new UnitConversionContext;
        target->SetUnitSystem(arguments.system);
        target->SetCurrency(arguments.currency);
        request->AddUnitConversionContext(target);
    }
    GetUnitConversionsImpl operation(context.Session());
    GetUnitConversionsResponse response;
    operation.GetUnitConversions(request, &response);
    if (const int failed = context.Outcome(GetUnitConversionsImpl::s_soapAction, response.GetServiceLayerResponse())) {
        return failed;
    }
    std::vector<UnitConversion::Conversion> conversions = response.AccessSourceUnits();
    if (inContext) {
        conversions.clear();
        for (const SmartPtr<UnitConversion>& conversion : response.AccessConversions()) {
            conversions.insert(conversions.end(), conversion->AccessConversions().begin(),
                               conversion->AccessConversions().end());
        }
    }
    TextTable table{{"FROM", "TO", "FACTOR", "OFFSET"}, {}};
    json list = json::array();
    for (const UnitConversion::Conversion& conversion : conversions) {
        table.rows.push_back({conversion.sourceSymbol, conversion.targetSymbol, Number(conversion.factor),
                              Number(conversion.offset)});
        list.push_back({{"from", conversion.sourceSymbol},
                        {"to", conversion.targetSymbol},
                        {"factor", conversion.factor},
                        {"offset", conversion.offset}});
    }
    context.Print(table, list);
    return Exit_Ok;
}

Runner DefineConvert(CLI::App& app)
{
    auto arguments = std::make_shared<ConvertArguments>();
    app.add_option("DB", arguments->dbKey, "database key")->required();
    app.add_option("--from", arguments->symbols, "unit symbols to convert")->required();
    app.add_option("--system", arguments->system, "unit system to convert into, e.g. Imperial");
    app.add_option("--currency", arguments->currency, "currency to convert into, e.g. EUR");
    return [arguments](ToolContext& context) { return RunConvert(context, *arguments); };
}

} // namespace

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
