#include "Commands.h"
#include "Listing.h"
#include "RecordArguments.h"
#include "CriterionParser.h"
#include "TableLookup.h"
#include "ValueJson.h"
#include "ValueText.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace dorsatool {

using namespace zvrtkDorsaServiceLayer;
using nlohmann::json;

namespace {

struct SearchArguments {
    std::string dbKey;
    std::string text;
    std::vector<std::string> tables;
    std::string filter;
};

struct FindNameArguments {
    std::string dbKey;
    std::string table;
    std::string name;
    bool shortNames = false;
    bool caseSensitive = false;
};

struct FindArguments {
    std::string dbKey;
    std::vector<std::string> criteria;
    std::string table;
    std::string filter;
};

// Exit_Ok with the filter named `name` ("" for none), or Exit_BadArguments after saying there is no such filter.
int ReadTableFilter(const ToolContext& context, const std::string& name, TableFilters::eTablesFilter& filter)
{
    filter = TableFilters::FromString(name);
    if (!name.empty() && TableFilters::ToString(filter) != name) {
        return context.Fail(Exit_BadArguments, "unknown table filter: " + name);
    }
    return Exit_Ok;
}

// The table of each hit, by record identity, asked for as the record property [tableName].
int FindTableNames(ToolContext& context, const std::vector<SmartPtr<SearchResult>>& hits,
                   std::map<int, std::string>& tables)
{
    SmartPtr<GetRecordAttributesByRefRequest> request = new GetRecordAttributesByRefRequest;
    SmartPtr<AttributeReference> tableName = new AttributeReference;
    tableName->MakePseudoAttribute(AttributeReference::PseudoAttrs::tableName);
    request->AddAttributeReference(tableName);
    for (const SmartPtr<SearchResult>& hit : hits) {
        request->AddRecordReference(hit->GetRecordReference());
    }
    GetRecordAttributesByRefResponse response;
    if (const int failed = context.Call<GetRecordAttributesByRefImpl>(response, request)) {
        return failed;
    }
    for (const SmartPtr<RecordData>& data : response.AccessRecordData()) {
        const SmartPtr<AttributeValue> value = data->AccessPseudoAttribute(AttributeReference::PseudoAttrs::tableName);
        if (value && data->GetRecordReference()) {
            tables[data->GetRecordReference()->GetIdentity()] = ValueText(value->GetDataValue());
        }
    }
    return Exit_Ok;
}

// Prints the hits of a search; `table` is the table they all lie in, "" to ask.
int PrintHits(ToolContext& context, SimpleTextSearchResponse& response, const std::string& table)
{
    std::vector<SmartPtr<SearchResult>>& hits = response.AccessSearchResults();
    std::map<int, std::string> tables;
    if (table.empty() && !hits.empty()) {
        if (const int failed = FindTableNames(context, hits, tables)) {
            return failed;
        }
    }
    using Hit = SmartPtr<SearchResult>;
    PrintListing<Hit>(
        context,
        {{"RANKING", "ranking", [](const Hit& hit) { return hit->GetRanking(); }},
         {"NAME", "name", [](const Hit& hit) { return hit->GetLongName(); }},
         {"SHORT NAME", "shortName", [](const Hit& hit) { return hit->GetShortName(); }},
         {"TABLE", "table",
          [&](const Hit& hit) { return table.empty() ? tables[hit->GetRecordReference()->GetIdentity()] : table; }},
         {"RECORD", "record", [](const Hit& hit) { return RecordJson(hit->GetRecordReference()); },
          [](const Hit& hit) {
              const SmartPtr<RecordReference> record = hit->GetRecordReference();
              return record->GetIdentity() != 0 ? std::to_string(record->GetIdentity()) : record->GetRecordGUID();
          }}},
        hits);
    return Exit_Ok;
}

int RunSearch(ToolContext& context, const SearchArguments& arguments)
{
    SmartPtr<SimpleTextSearch> request = new SimpleTextSearch;
    TableFilters::eTablesFilter filter = TableFilters::NoFilter;
    if (const int bad = ReadTableFilter(context, arguments.filter, filter)) {
        return bad;
    }
    request->SetDBKey(arguments.dbKey);
    request->SetSearchValue(arguments.text);
    request->SetSearchFilter(filter);
    request->SetPopulateGUIDs(true);
    for (const std::string& table : arguments.tables) {
        request->AddRestrictToTables(PartialTableReference::CreateOneFromTableName(table));
    }
    SimpleTextSearchResponse response;
    const int failed = context.Call<SimpleTextSearchImpl>(response, request);
    return failed ? failed : PrintHits(context, response, "");
}

int RunFindName(ToolContext& context, const FindNameArguments& arguments)
{
    SmartPtr<RecordNameSearchRequest> request = new RecordNameSearchRequest;
    request->SetTable(MakeTableReference(arguments.dbKey, arguments.table));
    request->SetRecordName(arguments.name);
    request->SetSearchFullNames(!arguments.shortNames);
    request->SetSearchShortNames(arguments.shortNames);
    request->SetCaseSensitiveNames(arguments.caseSensitive);
    request->SetPopulateGUIDs(true);
    SimpleTextSearchResponse response;
    const int failed = context.Call<RecordNameSearchImpl>(response, request);
    return failed ? failed : PrintHits(context, response, arguments.table);
}

// The attribute by name: within `table` when one is given, else as the database knows it.
SmartPtr<AttributeReference> SearchAttribute(const FindArguments& arguments, const std::string& name)
{
    if (!arguments.table.empty()) {
        return MakeAttributeReference(arguments.dbKey, arguments.table, name);
    }
    SmartPtr<AttributeReference> attribute = new AttributeReference;
    attribute->SetDBKey(arguments.dbKey);
    attribute->SetName(name);
    return attribute;
}

// The unit symbols a criterion's bounds name ("" for a bound in the attribute's own unit left out).
void AddUnits(const SmartPtr<SearchValue>& value, std::vector<std::string>& units)
{
    std::vector<UnittedRealCriterionValue*> bounds;
    if (auto* between = dynamic_cast<BetweenSearchValue*>(value.get())) {
        bounds = {between->GetLowEnd().get(), between->GetHighEnd().get()};
    } else {
        bounds = {dynamic_cast<UnittedRealCriterionValue*>(value.get())};
    }
    for (const UnittedRealCriterionValue* bound : bounds) {
        if (bound && !bound->GetUnit().empty()) {
            units.push_back(bound->GetUnit());
        }
    }
}

int RunFind(ToolContext& context, const FindArguments& arguments)
{
    SmartPtr<CriteriaSearch> request = new CriteriaSearch;
    TableFilters::eTablesFilter filter = TableFilters::NoFilter;
    if (const int bad = ReadTableFilter(context, arguments.filter, filter)) {
        return bad;
    }
    request->SetDBKey(arguments.dbKey);
    request->SetSearchFilter(filter);
    request->SetPopulateGUIDs(true);
    std::vector<std::string> units;
    for (const std::string& expression : arguments.criteria) {
        ParsedCriterion parsed;
        try {
            parsed = ParseCriterion(expression);
        } catch (const CriterionSyntaxError& error) {
            return context.Fail(Exit_BadArguments, "--where: " + DescribeSyntaxError(expression, error));
        }
        SmartPtr<RecordSearchCriterion> criterion = new RecordSearchCriterion;
        criterion->SetSearchAttribute(SearchAttribute(arguments, parsed.attribute));
        criterion->SetSearchValue(parsed.value);
        request->AddSearchCriterion(criterion);
        AddUnits(parsed.value, units);
    }
    // A unit the database does not know is the caller's mistake, as with convert: said before searching.
    if (const int failed = units.empty() ? Exit_Ok : CheckUnitsKnown(context, arguments.dbKey, units, true)) {
        return failed;
    }
    SimpleTextSearchResponse response;
    const int failed = context.Call<CriteriaSearchImpl>(response, request);
    return failed ? failed : PrintHits(context, response, "");
}

void AddFilterOption(CLI::App& app, std::string& filter)
{
    app.add_option("--filter", filter, "only tables of this kind, e.g. MaterialsTablesOnly");
}

Runner DefineSearch(CLI::App& app)
{
    auto arguments = std::make_shared<SearchArguments>();
    app.add_option("DB", arguments->dbKey, "database key")->required();
    app.add_option("TEXT", arguments->text, "words that must all occur, in names or text values")->required();
    app.add_option("--table", arguments->tables, "search only this table; repeat for more")->allow_extra_args(false);
    AddFilterOption(app, arguments->filter);
    return [arguments](ToolContext& context) { return RunSearch(context, *arguments); };
}

Runner DefineFindName(CLI::App& app)
{
    auto arguments = std::make_shared<FindNameArguments>();
    app.add_option("DB", arguments->dbKey, "database key")->required();
    app.add_option("TABLE", arguments->table, "table name")->required();
    app.add_option("NAME", arguments->name, "the record name; * stands for any characters")->required();
    app.add_flag("--short", arguments->shortNames, "match short names instead of full names");
    app.add_flag("--case-sensitive", arguments->caseSensitive, "match the letter case too");
    return [arguments](ToolContext& context) { return RunFindName(context, *arguments); };
}

Runner DefineFind(CLI::App& app)
{
    auto arguments = std::make_shared<FindArguments>();
    app.add_option("DB", arguments->dbKey, "database key")->required();
    app.add_option("--where", arguments->criteria,
                   "a criterion, e.g. \"Density between 1000 and 3000 kg/m^3\"; repeat for more, all must hold")
        ->required()
        ->allow_extra_args(false);
    app.add_option("--table", arguments->table, "the table whose attributes the criteria name");
    AddFilterOption(app, arguments->filter);
    app.footer("Criteria: ATTRIBUTE between LOW and HIGH [UNIT] | > NUMBER [UNIT] | < NUMBER [UNIT] | = INTEGER\n"
               "  | contains TEXT | does-not-contain TEXT | column COLUMN contains TEXT\n"
               "  | contains-any V1,V2... | contains-all V1,V2... | exists | does-not-exist\n"
               "Dates go as 2015-01-01 or 2015-01-01T12:00:00. Quote an attribute name that holds one of these words.");
    return [arguments](ToolContext& context) { return RunFind(context, *arguments); };
}

} // namespace

std::vector<Command> SearchCommands()
{
    return {
        {"search", "find records by free text", DefineSearch},
        {"find-name", "find the records of a table by name", DefineFindName},
        {"find", "find records whose attribute values meet criteria", DefineFind},
    };
}

} // namespace dorsatool
