#include "Commands.h"
#include "Console.h"
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

std::vector<std::string> TransformIds(Exporter& exporter)
{
    std::vector<std::string> ids;
    for (const ExporterTransform& transform : exporter.GetTransforms()) {
        ids.push_back(transform.GetId());
    }
    return ids;
}

json ExporterJson(Exporter& exporter)
{
    return {{"key", exporter.GetKey()},
            {"name", exporter.GetName()},
            {"version", exporter.GetVersion()},
            {"package", exporter.GetPackage()},
            {"model", exporter.GetModel()},
            {"description", exporter.GetDescription()},
            {"validated", exporter.GetValidatedOk()},
            {"transforms", TransformIds(exporter)}};
}

// The first columns of every exporter row.
std::vector<std::string> ExporterCells(Exporter& exporter)
{
    return {exporter.GetKey(), exporter.GetName(), std::to_string(exporter.GetVersion()), exporter.GetPackage(),
            exporter.GetModel()};
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
    TextTable table{{"KEY", "NAME", "VERSION", "PACKAGE", "MODEL", "VALIDATED", "TRANSFORMS"}, {}};
    json list = json::array();
    for (const SmartPtr<Exporter>& exporter : response.GetExporters()) {
        std::vector<std::string> row = ExporterCells(*exporter);
        row.push_back(exporter->GetValidatedOk() ? "yes" : "no");
        row.push_back(Join(TransformIds(*exporter)));
        table.rows.push_back(row);
        list.push_back(ExporterJson(*exporter));
    }
    context.Print(table, list);
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
    TextTable table{{"RECORD", "KEY", "NAME", "VERSION", "PACKAGE", "MODEL", "POPULATED"}, {}};
    json list = json::array();
    for (const SmartPtr<ExportersForRecord>& entry : response.GetRecords()) {
        const SmartPtr<RecordReference> record = entry->GetRecord() ? entry->GetRecord() : new RecordReference;
        json exporters = json::array();
        for (const SmartPtr<ExporterPopulation>& exporter : entry->GetExporters()) {
            std::vector<std::string> row = ExporterCells(*exporter);
            row.insert(row.begin(), RecordLabel(record));
            row.push_back(PopulationText(exporter->GetPopulationState()));
            table.rows.push_back(row);
            json item = ExporterJson(*exporter);
            item["populated"] = PopulationText(exporter->GetPopulationState());
            exporters.push_back(item);
        }
        list.push_back({{"record", RecordJson(record)}, {"exporters", exporters}});
    }
    context.Print(table, list);
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

// The parameter domains of a graph: in JSON, and as lines such as "T: 20, 100".
json GraphDomainJson(const GraphDomain& graph, std::vector<std::string>& lines)
{
    json domains = json::array();
    for (const SmartPtr<ParameterDomain>& domain : graph.GetParameterDomains()) {
        std::vector<std::string> texts;
        json values = json::array();
        for (const SmartPtr<ParameterValue>& value : domain->GetValues()) {
            texts.push_back(ParameterValueText(value));
            values.push_back(ParameterValueJson(value));
        }
        lines.push_back(domain->GetExporterParameterId() + ": " + Join(texts));
        domains.push_back({{"exporterId", domain->GetExporterParameterId()},
                           {"interpolable", domain->GetInterpolable()},
                           {"values", values}});
    }
    return domains;
}

// One attribute's row and JSON object.
json AddExporterAttribute(const std::string& record, AttributeExporterParameters& entry, TextTable& table)
{
    const SmartPtr<NamedAttribute> attribute = entry.GetAttribute() ? entry.GetAttribute() : new NamedAttribute;
    const SmartPtr<AttributeReference> reference = attribute->GetAttribute();
    std::vector<std::string> parameterLines;
    json parameters = json::array();
    for (const SmartPtr<ExporterParameter>& parameter : entry.AccessParameters()) {
        parameterLines.push_back(ExporterParameterText(*parameter));
        parameters.push_back(ExporterParameterJson(*parameter));
    }
    std::vector<std::string> domainLines;
    json graphs = json::array();
    for (const SmartPtr<GraphDomain>& graph : entry.AccessGraphDomains()) {
        graphs.push_back(GraphDomainJson(*graph, domainLines));
    }
    table.rows.push_back({record, attribute->GetName(), EnumText(s_presenceTexts, entry.GetDataPresence(), "unknown"),
                          Join(parameterLines, "\n"), Join(domainLines, "\n")});
    return {{"attribute", attribute->GetName()},
            {"id", reference ? reference->GetAttributeID() : 0},
            {"data", EnumText(s_presenceNames, entry.GetDataPresence())},
            {"parameters", parameters},
            {"graphDomains", graphs}};
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
    TextTable table{{"RECORD", "ATTRIBUTE", "DATA", "PARAMETERS", "DOMAINS"}, {}};
    json list = json::array();
    for (const SmartPtr<RecordExporterParameters>& entry : response.GetRecords()) {
        const SmartPtr<RecordReference> record = entry->GetRecord() ? entry->GetRecord() : new RecordReference;
        json attributes = json::array();
        for (const SmartPtr<AttributeExporterParameters>& attribute : entry->AccessAttributes()) {
            attributes.push_back(AddExporterAttribute(RecordLabel(record), *attribute, table));
        }
        list.push_back({{"record", RecordJson(record)}, {"attributes", attributes}});
    }
    context.Print(table, list);
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
