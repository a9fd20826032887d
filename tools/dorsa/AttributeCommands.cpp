#include "Commands.h"
#include "TableLookup.h"
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
    GetAttributeDetailsImpl operation(context.Session());
    operation.RequestAttributeDetails(NamingAttributes<GetAttributeDetailsRequest>(attributes), &response);
    return context.Outcome(GetAttributeDetailsImpl::s_soapAction, response.GetServiceLayerResponse());
}

int FetchExtras(ToolContext& context, const std::vector<SmartPtr<AttributeReference>>& attributes,
                AttributeExtras& extras)
{
    GetAttributeParametersImpl parametersOperation(context.Session());
    GetAttributeParametersResponse parameters;
    parametersOperation.GetAttributeParameters(NamingAttributes<GetAttributeParametersRequest>(attributes), &parameters);
    if (const int failed = context.Outcome(GetAttributeParametersImpl::s_soapAction,
                                           parameters.GetServiceLayerResponse())) {
        return failed;
    }
    for (const SmartPtr<ParameterDetail>& parameter : parameters.AccessAttributeParameters()) {
        extras.parameters[AttributeIdentity(parameter->GetAppliesToAttribute())].push_back(parameter);
    }
    GetMetaAttributesImpl metaOperation(context.Session());
    GetMetaAttributesResponse metas;
    metaOperation.GetMetaAttributes(NamingAttributes<GetMetaAttributesRequest>(attributes), &metas);
    if (const int failed = context.Outcome(GetMetaAttributesImpl::s_soapAction, metas.GetServiceLayerResponse())) {
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

template <size_t N>
const char* EnumText(const char* const (&texts)[N], int value)
{
    return value >= 0 && static_cast<size_t>(value) < N ? texts[value] : "Unknown";
}

json ParameterValueJson(const SmartPtr<DorsaParameterValue>& value)
{
    if (!value) {
        return nullptr;
    }
    return value->GetValueName().empty() ? json(value->GetValue()) : json(value->GetValueName());
}

std::string ParameterUnit(const ParameterDetail& parameter)
{
    return parameter.GetUnit() ? parameter.GetUnit()->GetUnitSymbol() : "";
}

json ParameterJson(const ParameterDetail& parameter)
{
    json values = json::array();
    for (const SmartPtr<DorsaParameterValue>& value : parameter.GetParameterValues()) {
        values.push_back(ParameterValueJson(value));
    }
    const SmartPtr<ParameterReference> reference = parameter.GetParameterReference();
    return {{"id", reference ? reference->GetID() : 0},
            {"name", parameter.GetName()},
            {"unit", ParameterUnit(parameter)},
            {"scaleType", EnumText(s_scaleTypes, parameter.GetScaleType())},
            {"interpolation", EnumText(s_interpolations, parameter.GetInterpolationType())},
            {"parameterType", EnumText(s_parameterTypes, parameter.GetParameterType())},
            {"default", ParameterValueJson(parameter.GetDefaultValue())},
            {"values", values}};
}

// One attribute's row and JSON object; `extras` is null without --details.
void AddAttribute(AttributeDetail& detail, const AttributeExtras* extras, TextTable& table, json& list)
{
    std::vector<std::string> columns;
    json columnsJson = json::array();
    for (const SmartPtr<TabularColumnDetail>& column : detail.GetColumns()) {
        columns.push_back(ColumnText(*column));
        columnsJson.push_back(ColumnJson(*column));
    }
    json entry{{"id", detail.GetIdentity()},
               {"name", detail.GetName()},
               {"type", detail.GetType()},
               {"unit", detail.GetDatabaseUnit()},
               {"searchable", detail.IsSearchable()},
               {"multiValued", detail.IsMultiValued()},
               {"chartable", detail.GetChartable()},
               {"order", detail.GetOrder()},
               {"axisName", detail.GetAxisName()},
               {"defaultThreshold", detail.GetDefaultThreshold()},
               {"helpURI", detail.GetHelpInfo() ? detail.GetHelpInfo()->GetHelpURI() : ""},
               {"discreteValues", detail.AccessDiscreteValues()},
               {"columns", columnsJson}};
    std::vector<std::string> row{detail.GetName(), TypeName(detail.GetType()), detail.GetDatabaseUnit(),
                                 Join(Flags(detail))};
    if (extras) {
        std::vector<std::string> lines;
        if (!detail.AccessDiscreteValues().empty()) {
            lines.push_back("values: " + Join(detail.AccessDiscreteValues()));
        }
        if (!columns.empty()) {
            lines.push_back("columns: " + Join(columns));
        }
        std::vector<std::string> parameters;
        json parametersJson = json::array();
        const auto foundParameters = extras->parameters.find(detail.GetIdentity());
        if (foundParameters != extras->parameters.end()) {
            for (const SmartPtr<ParameterDetail>& parameter : foundParameters->second) {
                const std::string unit = ParameterUnit(*parameter);
                parameters.push_back(unit.empty() ? parameter->GetName() : parameter->GetName() + " (" + unit + ")");
                parametersJson.push_back(ParameterJson(*parameter));
            }
        }
        if (!parameters.empty()) {
            lines.push_back("parameters: " + Join(parameters));
        }
        std::vector<std::string> metas;
        const auto foundMetas = extras->metaAttributes.find(detail.GetIdentity());
        if (foundMetas != extras->metaAttributes.end()) {
            for (const SmartPtr<NamedAttribute>& meta : foundMetas->second) {
                metas.push_back(meta->GetName());
            }
        }
        if (!metas.empty()) {
            lines.push_back("meta-attributes: " + Join(metas));
        }
        row.push_back(Join(lines, "\n"));
        entry["parameters"] = parametersJson;
        entry["metaAttributes"] = metas;
    }
    table.rows.push_back(row);
    list.push_back(entry);
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
    TextTable output{{"NAME", "TYPE", "UNIT", "FLAGS"}, {}};
    if (arguments.details) {
        output.headers.push_back("DETAILS");
    }
    json list = json::array();
    for (const SmartPtr<AttributeDetail>& detail : details.AccessAttributeDetails()) {
        AddAttribute(*detail, arguments.details ? &extras : nullptr, output, list);
    }
    context.Print(output, list);
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

} // namespace

std::vector<Command> AttributeCommands()
{
    return {
        {"attributes", "list the attributes of a table with their types and units", DefineAttributes},
    };
}

} // namespace dorsatool
