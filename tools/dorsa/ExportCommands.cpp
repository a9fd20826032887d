#include "Commands.h"
#include "Console.h"
#include "Listing.h"
#include "RecordArguments.h"
#include "TableLookup.h"
#include "ValueJson.h"
#include "ValueText.h"

#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace dorsatool {

using namespace zvrtkDorsaServiceLayer;
using nlohmann::json;

namespace {

struct ExportersArguments {
    std::string dbKey;
    std::string package;
    std::string model;
    std::vector<std::string> records;
};

struct ExportArguments {
    std::string dbKey;
    std::string exporter;
    std::vector<std::string> records;
    std::vector<std::string> attributes;
    int sigFigs = 0; // 0: as many as the exporter writes
    std::string unitSystem;
    std::string output;
    bool force = false;
};

std::string PopulationText(ExporterPopulation::ePopulationState state)
{
    switch (state) {
    case ExporterPopulation::FullyPopulated:
        return "full";
    case ExporterPopulation::PartiallyPopulated:
        return "partial";
    default:
        return "unknown";
    }
}

// The columns of an exporter, Type being Exporter or a kind of it; with `checks`, whether it
// validated and its transforms show in the table too.
template <class Type>
std::vector<Column<SmartPtr<Type>>> ExporterColumns(bool checks)
{
    using Item = SmartPtr<Type>;
    return {{"KEY", "key", [](const Item& exporter) { return exporter->GetKey(); }},
            {"NAME", "name", [](const Item& exporter) { return exporter->GetName(); }},
            {"VERSION", "version", [](const Item& exporter) { return exporter->GetVersion(); }},
            {"PACKAGE", "package", [](const Item& exporter) { return exporter->GetPackage(); }},
            {"MODEL", "model", [](const Item& exporter) { return exporter->GetModel(); }},
            {nullptr, "description", [](const Item& exporter) { return exporter->GetDescription(); }},
            {checks ? "VALIDATED" : nullptr, "validated", [](const Item& exporter) { return exporter->GetValidatedOk(); }},
            {checks ? "TRANSFORMS" : nullptr, "transforms", [](const Item& exporter) {
                 json ids = json::array();
                 for (const ExporterTransform& transform : exporter->GetTransforms()) {
                     ids.push_back(transform.GetId());
                 }
                 return ids;
             }}};
}

int ListExporters(ToolContext& context, const ExportersArguments& arguments)
{
    SmartPtr<GetAvailableExportersRequest> request = new GetAvailableExportersRequest;
    request->SetDbKey(arguments.dbKey);
    request->SetPackage(arguments.package);
    request->SetModel(arguments.model);
    GetAvailableExportersResponse response;
    if (const int failed = context.Call<GetAvailableExportersImpl>(response, request)) {
        return failed;
    }
    PrintListing(context, ExporterColumns<Exporter>(true), response.GetExporters());
    return Exit_Ok;
}

int ExportersForRecords(ToolContext& context, const ExportersArguments& arguments)
{
    SmartPtr<ExportersForRecordsRequest> request = new ExportersForRecordsRequest;
    request->SetPackage(arguments.package);
    request->SetModel(arguments.model);
    for (const std::string& record : arguments.records) {
        request->AddRecord(MakeRecordReference(arguments.dbKey, record));
    }
    ExportersForRecordsResponse response;
    if (const int failed = context.Call<ExportersForRecordsImpl>(response, request)) {
        return failed;
    }
    using Population = SmartPtr<ExporterPopulation>;
    std::vector<RecordParts<Population>> records;
    for (const SmartPtr<ExportersForRecord>& entry : response.GetRecords()) {
        records.push_back({entry->GetRecord() ? entry->GetRecord() : new RecordReference, entry->GetExporters()});
    }
    std::vector<Column<Population>> columns = ExporterColumns<ExporterPopulation>(false);
    columns.push_back({"POPULATED", "populated",
                       [](const Population& exporter) { return PopulationText(exporter->GetPopulationState()); }});
    PrintRecordParts(context, "exporters", columns, records);
    return Exit_Ok;
}

int RunExporters(ToolContext& context, const ExportersArguments& arguments)
{
    if (arguments.records.empty()) {
        return ListExporters(context, arguments);
    }
    if (arguments.dbKey.empty()) {
        return context.Fail(Exit_BadArguments, "--for needs the database key DB of the records");
    }
    return ExportersForRecords(context, arguments);
}

SmartPtr<ExportRecordDataRequest> MakeExportRequest(const ExportArguments& arguments)
{
    SmartPtr<ExportRecordDataRequest> request = new ExportRecordDataRequest;
    request->SetExporterKey(arguments.exporter);
    for (const std::string& record : arguments.records) {
        request->AddRecord(MakeRecordReference(arguments.dbKey, record));
    }
    for (const std::string& name : arguments.attributes) {
        request->AddAttribute(MakeAttributeReference(arguments.dbKey, name));
    }
    request->SetUnitConversionContext(UnitSystemContext(arguments.unitSystem));
    request->SetSigFigs(arguments.sigFigs);
    return request;
}

int RunExport(ToolContext& context, const ExportArguments& arguments)
{
    const bool toFile = !arguments.output.empty();
    // Asked before the export runs, so that a refusal costs no call; the final rename
    // checks again.
    if (toFile && !arguments.force && PathExists(arguments.output)) {
        return context.Fail(Exit_BadArguments, "'" + arguments.output + "' exists; --force replaces it");
    }
    ExportRecordDataResponse response;
    if (const int failed = context.Call<ExportRecordDataImpl>(response, MakeExportRequest(arguments))) {
        return failed;
    }
    const std::string& text = response.GetText();
    if (!toFile) {
        if (context.Options().json) {
            std::cout << json({{"exporter", arguments.exporter}, {"text", text}}).dump(2) << "\n";
        } else {
            std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
        }
        std::cout.flush();
        return std::cout ? Exit_Ok : context.Fail(Exit_Internal, "cannot write the export to standard output");
    }
    const std::string problem = WriteWholeFile(arguments.output, text, arguments.force);
    if (!problem.empty()) {
        const ExitCode code = !arguments.force && PathExists(arguments.output) ? Exit_BadArguments : Exit_Internal;
        return context.Fail(code, "cannot write '" + arguments.output + "': " + problem);
    }
    if (context.Options().json) {
        const json written = {{"exporter", arguments.exporter}, {"file", arguments.output}, {"bytes", text.size()}};
        std::cout << written.dump(2) << "\n";
    }
    return Exit_Ok;
}

struct ExporterParametersArguments {
    std::string dbKey;
    std::string exporter;
    std::vector<std::string> records;
    std::string unitSystem;
};

// By AttributeExporterParameters::eDataPresence: as people read it, and as JSON has it.
const char* const s_presenceTexts[] = {"unknown", "present", "not applicable", "missing", "incompatible"};
const char* const s_presenceNames[] = {"Unknown", "Present", "NotApplicable", "Missing",
                                       "DataIncompatibleWithConfiguration"};
// By ExporterParameter::eUsage.
const char* const s_usages[] = {"unknown", "free", "fixed", "unused"};

json ExporterParameterJson(const ExporterParameter& parameter)
{
    json entry = ParameterInformationJson(parameter);
    entry.update({{"exporterId", parameter.GetId()}, {"usage", EnumText(s_usages, parameter.GetUsage(), "unknown")}});
    return entry;
}

// "T = Temperature (°C), fixed": the exporter's id of the parameter, the parameter, its use.
std::string ExporterParameterText(const ExporterParameter& parameter)
{
    const std::string unit = UnitSymbol(parameter.GetUnit());
    return parameter.GetId() + " = " + parameter.GetName() + (unit.empty() ? "" : " (" + unit + ")") + ", " +
           EnumText(s_usages, parameter.GetUsage(), "unknown");
}

using AttributeEntry = SmartPtr<AttributeExporterParameters>;

// The parameter domains of an attribute's graphs, a list per graph.
json GraphDomainsJson(const AttributeEntry& entry)
{
    json graphs = json::array();
    for (const SmartPtr<GraphDomain>& graph : entry->AccessGraphDomains()) {
        json domains = json::array();
        for (const SmartPtr<ParameterDomain>& domain : graph->GetParameterDomains()) {
            json values = json::array();
            for (const SmartPtr<ParameterValue>& value : domain->GetValues()) {
                values.push_back(ParameterValueJson(value));
            }
            domains.push_back({{"exporterId", domain->GetExporterParameterId()},
                               {"interpolable", domain->GetInterpolable()},
                               {"values", values}});
        }
        graphs.push_back(domains);
    }
    return graphs;
}

// The same as lines such as "T: 20, 100", one per domain.
std::string GraphDomainsText(const AttributeEntry& entry)
{
    std::vector<std::string> lines;
    for (const SmartPtr<GraphDomain>& graph : entry->AccessGraphDomains()) {
        for (const SmartPtr<ParameterDomain>& domain : graph->GetParameterDomains()) {
            std::vector<std::string> texts;
            for (const SmartPtr<ParameterValue>& value : domain->GetValues()) {
                texts.push_back(ParameterValueText(value));
            }
            lines.push_back(domain->GetExporterParameterId() + ": " + Join(texts));
        }
    }
    return Join(lines, "\n");
}

SmartPtr<NamedAttribute> AttributeOf(const AttributeEntry& entry)
{
    return entry->GetAttribute() ? entry->GetAttribute() : new NamedAttribute;
}

// What an exporter needs of each attribute.
std::vector<Column<AttributeEntry>> ExporterAttributeColumns()
{
    return {
        {"ATTRIBUTE", "attribute", [](const AttributeEntry& entry) { return AttributeOf(entry)->GetName(); }},
        {nullptr, "id",
         [](const AttributeEntry& entry) {
             const SmartPtr<AttributeReference> reference = AttributeOf(entry)->GetAttribute();
             return reference ? reference->GetAttributeID() : 0;
         }},
        {"DATA", "data", [](const AttributeEntry& entry) { return EnumText(s_presenceNames, entry->GetDataPresence()); },
         [](const AttributeEntry& entry) { return EnumText(s_presenceTexts, entry->GetDataPresence(), "unknown"); }},
        {"PARAMETERS", "parameters",
         [](const AttributeEntry& entry) {
             json parameters = json::array();
             for (const SmartPtr<ExporterParameter>& parameter : entry->AccessParameters()) {
                 parameters.push_back(ExporterParameterJson(*parameter));
             }
             return parameters;
         },
         [](const AttributeEntry& entry) {
             std::vector<std::string> lines;
             for (const SmartPtr<ExporterParameter>& parameter : entry->AccessParameters()) {
                 lines.push_back(ExporterParameterText(*parameter));
             }
             return Join(lines, "\n");
         }},
        {"DOMAINS", "graphDomains", GraphDomainsJson, GraphDomainsText}};
}

int RunExporterParameters(ToolContext& context, const ExporterParametersArguments& arguments)
{
    SmartPtr<GetExporterParametersRequest> request = new GetExporterParametersRequest;
    for (const std::string& record : arguments.records) {
        request->AddRecord(MakeRecordReference(arguments.dbKey, record));
    }
    request->SetExporterKey(arguments.exporter);
    request->SetUnitConversionContext(UnitSystemContext(arguments.unitSystem));
    request->SetPopulateGUIDs(true);
    GetExporterParametersResponse response;
    if (const int failed = context.Call<GetExporterParametersImpl>(response, request)) {
        return failed;
    }
    std::vector<RecordParts<AttributeEntry>> records;
    for (const SmartPtr<RecordExporterParameters>& entry : response.GetRecords()) {
        records.push_back({entry->GetRecord() ? entry->GetRecord() : new RecordReference, entry->AccessAttributes()});
    }
    PrintRecordParts(context, "attributes", ExporterAttributeColumns(), records);
    return Exit_Ok;
}

Runner DefineExporters(CLI::App& app)
{
    auto arguments = std::make_shared<ExportersArguments>();
    app.add_option("DB", arguments->dbKey, "only exporters that serve this database; the database of --for");
    app.add_option("--package", arguments->package, "only exporters for this package");
    app.add_option("--model", arguments->model, "only exporters for this model of the package");
    app.add_option("--for", arguments->records,
                   "tell which exporters apply to these records of DB, and how fully each record fills them")
        ->check(RecordValidator());
    return [arguments](ToolContext& context) { return RunExporters(context, *arguments); };
}

// The positionals `export` and `exporter-parameters` share: DB EXPORTER RECORD...
void AddExporterAndRecords(CLI::App& app, std::string& dbKey, std::string& exporter, std::vector<std::string>& records)
{
    app.add_option("DB", dbKey, "database key")->required();
    app.add_option("EXPORTER", exporter, "the key of the exporter, as `dorsa exporters` lists it")->required();
    app.add_option("RECORD", records, "records, each by identity or GUID")->required()->check(RecordValidator());
}

Runner DefineExport(CLI::App& app)
{
    auto arguments = std::make_shared<ExportArguments>();
    AddExporterAndRecords(app, arguments->dbKey, arguments->exporter, arguments->records);
    app.add_option("--attribute", arguments->attributes,
                   "an attribute to export, by name; repeat for more (default: every one the exporter takes)")
        ->allow_extra_args(false);
    app.add_option("--sig-figs", arguments->sigFigs, "significant figures of the numbers written")
        ->check(CLI::Range(1, 17));
    app.add_option("--unit-system", arguments->unitSystem, "write values in this unit system, e.g. Imperial");
    app.add_option("-o,--output", arguments->output, "write the text to FILE instead of standard output")
        ->type_name("FILE");
    app.add_flag("--force", arguments->force, "replace FILE when it exists");
    return [arguments](ToolContext& context) { return RunExport(context, *arguments); };
}

Runner DefineExporterParameters(CLI::App& app)
{
    auto arguments = std::make_shared<ExporterParametersArguments>();
    AddExporterAndRecords(app, arguments->dbKey, arguments->exporter, arguments->records);
    app.add_option("--unit-system", arguments->unitSystem, "show units and domains in this unit system, e.g. Imperial");
    return [arguments](ToolContext& context) { return RunExporterParameters(context, *arguments); };
}

} // namespace

std::vector<Command> ExportCommands()
{
    return {
        {"exporters", "list the server's exporters, or those that apply to records", DefineExporters},
        {"exporter-parameters", "show what an exporter needs of each attribute of records, with graph domains",
         DefineExporterParameters},
        {"export", "export record data through one of the server's exporters", DefineExport},
    };
}

} // namespace dorsatool
