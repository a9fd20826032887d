#include "Commands.h"
#include "Listing.h"
#include "RecordArguments.h"
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

struct AttributesArguments {
    std::string dbKey;
    std::string table;
    bool details = false;
};

// What --details adds to an attribute, by attribute identity.
struct AttributeExtras {
    std::map<int, std::vector<SmartPtr<ParameterDetail>>> parameters;
    std::map<int, std::vector<SmartPtr<NamedAttribute>>> metaAttributes;
};

int AttributeIdentity(const SmartPtr<AttributeReference>& reference)
{
    return reference ? reference->GetAttributeID() : 0;
}

template <class Request>
SmartPtr<Request> NamingAttributes(const std::vector<SmartPtr<AttributeReference>>& attributes)
{
    SmartPtr<Request> request = new Request;
    for (const SmartPtr<AttributeReference>& attribute : attributes) {
        request->AddAttributeReference(attribute);
    }
    return request;
}

int FetchDetails(ToolContext& context, const std::vector<SmartPtr<AttributeReference>>& attributes,
                 GetAttributeDetailsResponse& response)
{
    return context.Call<GetAttributeDetailsImpl>(response, NamingAttributes<GetAttributeDetailsRequest>(attributes));
}

int FetchExtras(ToolContext& context, const std::vector<SmartPtr<AttributeReference>>& attributes,
                AttributeExtras& extras)
{
    GetAttributeParametersResponse parameters;
    if (const int failed = context.Call<GetAttributeParametersImpl>(
            parameters, NamingAttributes<GetAttributeParametersRequest>(attributes))) {
        return failed;
    }
    for (const SmartPtr<ParameterDetail>& parameter : parameters.AccessAttributeParameters()) {
        extras.parameters[AttributeIdentity(parameter->GetAppliesToAttribute())].push_back(parameter);
    }
    GetMetaAttributesResponse metas;
    if (const int failed =
            context.Call<GetMetaAttributesImpl>(metas, NamingAttributes<GetMetaAttributesRequest>(attributes))) {
        return failed;
    }
    for (const SmartPtr<AttributeMetaAttributes>& entry : metas.GetAttributes()) {
        auto& list = extras.metaAttributes[AttributeIdentity(entry->GetParentAttribute())];
        list.insert(list.end(), entry->GetMetaAttributes().begin(), entry->GetMetaAttributes().end());
    }
    return Exit_Ok;
}

std::vector<std::string> Flags(const AttributeDetail& detail)
{
    std::vector<std::string> flags;
    if (detail.IsSearchable()) {
        flags.push_back("searchable");
    }
    if (detail.IsMultiValued()) {
        flags.push_back("multi-valued");
    }
    if (detail.GetChartable()) {
        flags.push_back("chartable");
    }
    return flags;
}

// "Fraction (range, wt%)", "Source (target record)".
std::string ColumnText(const TabularColumnDetail& column)
{
    std::vector<std::string> about;
    if (column.GetType() == TabularColumn::Local) {
        about.push_back(TypeName(column.GetDataType()));
        if (!column.GetDatabaseUnit().empty()) {
            about.push_back(column.GetDatabaseUnit());
        }
    } else {
        about.push_back(ColumnKind(column.GetType()));
    }
    return column.GetName() + " (" + Join(about) + ")";
}

json ColumnJson(const TabularColumnDetail& column)
{
    return {{"name", column.GetName()},
            {"kind", ColumnKind(column.GetType())},
            {"type", column.GetDataType()},
            {"unit", column.GetDatabaseUnit()},
            {"discreteValues", column.GetDiscreteValues()}};
}

const char* const s_scaleTypes[] = {"NotSet", "Linear", "Log"};
const char* const s_interpolations[] = {"None", "Linear", "CubicSpline"};
const char* const s_parameterTypes[] = {"NumericUnrestricted", "NumericRestricted", "Discrete"};

json ParameterValueJson(const SmartPtr<DorsaParameterValue>& value)
{
    if (!value) {
        return nullptr;
    }
    return value->GetValueName().empty() ? json(value->GetValue()) : json(value->GetValueName());
}

json ParameterJson(const ParameterDetail& parameter)
{
    json values = json::array();
    for (const SmartPtr<DorsaParameterValue>& value : parameter.GetParameterValues()) {
        values.push_back(ParameterValueJson(value));
    }
    json entry = ParameterInformationJson(parameter);
    entry.update({{"scaleType", EnumText(s_scaleTypes, parameter.GetScaleType())},
                  {"interpolation", EnumText(s_interpolations, parameter.GetInterpolationType())},
                  {"parameterType", EnumText(s_parameterTypes, parameter.GetParameterType())},
                  {"default", ParameterValueJson(parameter.GetDefaultValue())},
                  {"values", values}});
    return entry;
}

using Detail = SmartPtr<AttributeDetail>;

json ColumnsJson(const Detail& detail)
{
    json columns = json::array();
    for (const SmartPtr<TabularColumnDetail>& column : detail->GetColumns()) {
        columns.push_back(ColumnJson(*column));
    }
    return columns;
}

// What --details adds to one attribute: its parameters and its meta-attributes.
std::vector<SmartPtr<ParameterDetail>> ParametersOf(const AttributeExtras& extras, const Detail& detail)
{
    const auto found = extras.parameters.find(detail->GetIdentity());
    return found == extras.parameters.end() ? std::vector<SmartPtr<ParameterDetail>>() : found->second;
}

std::vector<std::string> MetaAttributesOf(const AttributeExtras& extras, const Detail& detail)
{
    std::vector<std::string> names;
    const auto found = extras.metaAttributes.find(detail->GetIdentity());
    if (found != extras.metaAttributes.end()) {
        for (const SmartPtr<NamedAttribute>& meta : found->second) {
            names.push_back(meta->GetName());
        }
    }
    return names;
}

// The lines of the DETAILS cell: discrete values, tabular columns, parameters and meta-attributes.
std::string DetailsText(const AttributeExtras& extras, const Detail& detail)
{
    std::vector<std::string> lines;
    if (!detail->AccessDiscreteValues().empty()) {
        lines.push_back("values: " + Join(detail->AccessDiscreteValues()));
    }
    std::vector<std::string> columns;
    for (const SmartPtr<TabularColumnDetail>& column : detail->GetColumns()) {
        columns.push_back(ColumnText(*column));
    }
    if (!columns.empty()) {
        lines.push_back("columns: " + Join(columns));
    }
    std::vector<std::string> parameters;
    for (const SmartPtr<ParameterDetail>& parameter : ParametersOf(extras, detail)) {
        const std::string unit = UnitSymbol(parameter->GetUnit());
        parameters.push_back(unit.empty() ? parameter->GetName() : parameter->GetName() + " (" + unit + ")");
    }
    if (!parameters.empty()) {
        lines.push_back("parameters: " + Join(parameters));
    }
    const std::vector<std::string> metas = MetaAttributesOf(extras, detail);
    if (!metas.empty()) {
        lines.push_back("meta-attributes: " + Join(metas));
    }
    return Join(lines, "\n");
}

// The columns of an attribute; `extras` adds those of --details, null without.
std::vector<Column<Detail>> AttributeColumns(const AttributeExtras* extras)
{
    std::vector<Column<Detail>> columns{
        {nullptr, "id", [](const Detail& detail) { return detail->GetIdentity(); }},
        {"NAME", "name", [](const Detail& detail) { return detail->GetName(); }},
        {"TYPE", "type", [](const Detail& detail) { return detail->GetType(); },
         [](const Detail& detail) { return TypeName(detail->GetType()); }},
        {"UNIT", "unit", [](const Detail& detail) { return detail->GetDatabaseUnit(); }},
        {"FLAGS", nullptr, [](const Detail& detail) { return Join(Flags(*detail)); }},
        {nullptr, "searchable", [](const Detail& detail) { return detail->IsSearchable(); }},
        {nullptr, "multiValued", [](const Detail& detail) { return detail->IsMultiValued(); }},
        {nullptr, "chartable", [](const Detail& detail) { return detail->GetChartable(); }},
        {nullptr, "order", [](const Detail& detail) { return detail->GetOrder(); }},
        {nullptr, "axisName", [](const Detail& detail) { return detail->GetAxisName(); }},
        {nullptr, "defaultThreshold", [](const Detail& detail) { return detail->GetDefaultThreshold(); }},
        {nullptr, "helpURI",
         [](const Detail& detail) { return detail->GetHelpInfo() ? detail->GetHelpInfo()->GetHelpURI() : ""; }},
        {nullptr, "discreteValues", [](const Detail& detail) { return detail->AccessDiscreteValues(); }},
        {nullptr, "columns", ColumnsJson}};
    if (extras) {
        columns.push_back({"DETAILS", nullptr, [extras](const Detail& detail) { return DetailsText(*extras, detail); }});
        columns.push_back({nullptr, "parameters", [extras](const Detail& detail) {
                               json parameters = json::array();
                               for (const SmartPtr<ParameterDetail>& parameter : ParametersOf(*extras, detail)) {
                                   parameters.push_back(ParameterJson(*parameter));
                               }
                               return parameters;
                           }});
        columns.push_back({nullptr, "metaAttributes",
                           [extras](const Detail& detail) { return MetaAttributesOf(*extras, detail); }});
    }
    return columns;
}

int RunAttributes(ToolContext& context, const AttributesArguments& arguments)
{
    SmartPtr<TableDetail> table;
    if (const int failed = FindTable(context, arguments.dbKey, arguments.table, table)) {
        return failed;
    }
    const std::vector<SmartPtr<AttributeReference>>& attributes = table->AccessAttributeReferences();
    GetAttributeDetailsResponse details;
    AttributeExtras extras;
    if (!attributes.empty()) {
        if (const int failed = FetchDetails(context, attributes, details)) {
            return failed;
        }
        if (arguments.details) {
            if (const int failed = FetchExtras(context, attributes, extras)) {
                return failed;
            }
        }
    }
    PrintListing(context, AttributeColumns(arguments.details ? &extras : nullptr), details.AccessAttributeDetails());
    return Exit_Ok;
}

struct RangeArguments {
    std::string dbKey;
    std::string table;
    std::vector<std::string> attributes;
    std::string unitSystem;
};

struct ParametersArguments {
    std::string dbKey;
    std::vector<std::string> parameters;
    std::string table;
    std::string attribute;
    std::string record;
};

// A smallest or largest stored value: a number, a date as text, "NaN" as the reply has
// it, or null when the attribute holds no value with an order.
json ExtremeJson(const SmartPtr<MinMaxValue>& value)
{
    switch (value ? value->GetType() : MinMaxValue::Nothing) {
    case MinMaxValue::Date:
        return value->GetDateTime();
    case MinMaxValue::Double:
        return value->GetDouble();
    case MinMaxValue::Integer:
        return value->GetInteger();
    case MinMaxValue::NotANumber:
        return "NaN";
    case MinMaxValue::Nothing:
        break;
    }
    return nullptr;
}

int RunRange(ToolContext& context, const RangeArguments& arguments)
{
    std::vector<SmartPtr<AttributeReference>> attributes;
    for (const std::string& name : arguments.attributes) {
        attributes.push_back(MakeAttributeReference(arguments.dbKey, arguments.table, name));
    }
    if (attributes.empty()) {
        SmartPtr<TableDetail> table;
        if (const int failed = FindTable(context, arguments.dbKey, arguments.table, table)) {
            return failed;
        }
        attributes = table->AccessAttributeReferences();
    }
    SmartPtr<GetAttributeMinMaxRequest> request = NamingAttributes<GetAttributeMinMaxRequest>(attributes);
    request->SetUnitConversionContext(UnitSystemContext(arguments.unitSystem));
    GetAttributeMinMaxResponse response;
    if (const int failed = context.Call<GetAttributeMinMaxImpl>(response, request)) {
        return failed;
    }
    using Range = SmartPtr<AttributeMinMax>;
    PrintListing<Range>(
        context,
        {{"ATTRIBUTE", "attribute",
          [](const Range& range) {
              return range->GetAttributeReference() ? range->GetAttributeReference()->GetName() : "";
          }},
         {nullptr, "id", [](const Range& range) { return AttributeIdentity(range->GetAttributeReference()); }},
         {"MIN", "min", [](const Range& range) { return ExtremeJson(range->GetMinValue()); }},
         {"MAX", "max", [](const Range& range) { return ExtremeJson(range->GetMaxValue()); }},
         {"UNIT", "unit", [](const Range& range) { return range->GetUnits(); }}},
        response.AccessAttributeMinMaxes());
    return Exit_Ok;
}

// The parameters the command names, or else those of --attribute.
int ParameterReferences(ToolContext& context, const ParametersArguments& arguments,
                        std::vector<SmartPtr<ParameterReference>>& references)
{
    for (const std::string& parameter : arguments.parameters) {
        references.push_back(MakeParameterReference(arguments.dbKey, parameter));
    }
    if (!references.empty()) {
        return Exit_Ok;
    }
    if (arguments.attribute.empty()) {
        return context.Fail(Exit_BadArguments, "name a PARAMETER, or an --attribute whose parameters to show");
    }
    GetAttributeParametersResponse response;
    if (const int failed = context.Call<GetAttributeParametersImpl>(
            response, NamingAttributes<GetAttributeParametersRequest>(
                          {MakeAttributeReference(arguments.dbKey, arguments.table, arguments.attribute)}))) {
        return failed;
    }
    // A parameter the reply gives without a reference cannot be asked about.
    for (const SmartPtr<ParameterDetail>& parameter : response.AccessAttributeParameters()) {
        if (parameter->GetParameterReference()) {
            references.push_back(parameter->GetParameterReference());
        }
    }
    return Exit_Ok;
}

// What the reply says the details are told for: the attribute, its record, and the
// parameter's place among the attribute's parameters; null when for nothing.
json AppliesToJson(const ParameterDetail& parameter)
{
    const SmartPtr<AttributeReference> attribute = parameter.GetAppliesToAttribute();
    const SmartPtr<RecordReference> record = parameter.GetAppliesToRecord();
    if (!attribute && !record) {
        return nullptr;
    }
    return {{"attribute", attribute ? json(attribute->GetName()) : json(nullptr)},
            {"record", record ? RecordJson(record) : json(nullptr)},
            {"order", parameter.GetOrder()}};
}

int RunParameters(ToolContext& context, const ParametersArguments& arguments)
{
    SmartPtr<GetParameterDetailsRequest> request = new GetParameterDetailsRequest;
    if (const int failed = ParameterReferences(context, arguments, request->AccessParameterReferences())) {
        return failed;
    }
    if (!arguments.attribute.empty()) {
        request->SetFunctionalAttribute(MakeAttributeReference(arguments.dbKey, arguments.table, arguments.attribute));
    }
    if (!arguments.record.empty()) {
        SmartPtr<RecordReference> record;
        if (const int failed = FindRecord(context, arguments.dbKey, arguments.table, arguments.record, record)) {
            return failed;
        }
        request->SetRecordReference(record);
    }
    GetParameterDetailsResponse response;
    if (const int failed = context.Call<GetParameterDetailsImpl>(response, request)) {
        return failed;
    }
    std::vector<json> entries;
    for (const SmartPtr<ParameterDetail>& parameter : response.AccessAttributeParameters()) {
        entries.push_back(ParameterJson(*parameter));
        entries.back()["appliesTo"] = AppliesToJson(*parameter);
    }
    // The columns show fields of the parameters' JSON objects.
    const auto field = [](const char* header, const char* key) {
        return Column<json>{header, key, [key](const json& entry) { return entry.at(key); }};
    };
    PrintListing(context,
                 {field("ID", "id"), field("NAME", "name"), field("UNIT", "unit"), field("TYPE", "parameterType"),
                  field("SCALE", "scaleType"), field("INTERPOLATION", "interpolation"), field("DEFAULT", "default"),
                  field("VALUES", "values"), field(nullptr, "appliesTo")},
                 entries);
    return Exit_Ok;
}

Runner DefineAttributes(CLI::App& app)
{
    auto arguments = std::make_shared<AttributesArguments>();
    app.add_option("DB", arguments->dbKey, "database key")->required();
    app.add_option("TABLE", arguments->table, "table name")->required();
    app.add_flag("--details", arguments->details,
                 "also show discrete values, tabular columns, parameters and meta-attributes");
    return [arguments](ToolContext& context) { return RunAttributes(context, *arguments); };
}

Runner DefineRange(CLI::App& app)
{
    auto arguments = std::make_shared<RangeArguments>();
    app.add_option("DB", arguments->dbKey, "database key")->required();
    app.add_option("TABLE", arguments->table, "table name")->required();
    app.add_option("ATTRIBUTE", arguments->attributes, "attributes by name (default: every attribute of the table)");
    app.add_option("--unit-system", arguments->unitSystem, "show the values in this unit system, e.g. Imperial");
    return [arguments](ToolContext& context) { return RunRange(context, *arguments); };
}

Runner DefineParameters(CLI::App& app)
{
    auto arguments = std::make_shared<ParametersArguments>();
    app.add_option("DB", arguments->dbKey, "database key")->required();
    app.add_option("PARAMETER", arguments->parameters,
                   "parameters, each by identity or name (default: every parameter of --attribute)")
        ->check(CLI::Validator([](std::string& parameter) { return IdentityOrNameProblem(parameter, "parameter"); },
                               "IDENTITY|NAME"));
    CLI::Option* table = app.add_option("--table", arguments->table, "the table of --attribute");
    CLI::Option* attribute =
        app.add_option("--attribute", arguments->attribute,
                       "a functional attribute of --table: show the parameters as it uses them")
            ->needs(table);
    app.add_option("--record", arguments->record,
                   "a record of --table by identity, GUID, or full or short name: list only the parameter values "
                   "its data of --attribute holds")
        ->needs(attribute)
        ->check(RecordOrNameValidator());
    return [arguments](ToolContext& context) { return RunParameters(context, *arguments); };
}

} // namespace

std::vector<Command> AttributeCommands()
{
    return {
        {"attributes", "list the attributes of a table with their types and units", DefineAttributes},
        {"range", "show the smallest and largest stored value of attributes", DefineRange},
        {"parameters", "show the details of parameters, or of those a functional attribute uses", DefineParameters},
    };
}

} // namespace dorsatool
