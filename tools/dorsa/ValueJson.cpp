#include "ValueJson.h"

#include "ValueText.h"
#include "ValueTypes.h"

namespace dorsatool {

using namespace zvrtkDorsaServiceLayer;
using nlohmann::json;

namespace {

json ParametersJson(const SmartPtr<Parameters>& parameters)
{
    json list = json::array();
    if (parameters) {
        for (const SmartPtr<ParameterInformation>& parameter : parameters->AccessParameters()) {
            list.push_back(ParameterInformationJson(*parameter));
        }
    }
    return list;
}

json ParameterWithValueJson(const SmartPtr<ParameterReferenceAndValue>& item)
{
    const SmartPtr<ParameterReference> reference = item->GetParameter();
    return {{"id", reference ? reference->GetID() : 0},
            {"name", reference ? reference->GetName() : ""},
            {"value", ParameterValueJson(item->GetValue())}};
}

json ConstraintsJson(const SmartPtr<Constraints>& constraints)
{
    json list = json::array();
    if (constraints) {
        for (const SmartPtr<Constraint>& constraint : constraints->AccessConstraints()) {
            json entry = ParameterWithValueJson(constraint);
            entry["label"] = constraint->GetLabel();
            list.push_back(entry);
        }
    }
    return list;
}

json UnittedJson(const UnittedRealDataType& value)
{
    return {{"unit", value.GetUnitSymbol()}, {"estimated", value.IsEstimated()}};
}

json JsonOf(PointDataType& point)
{
    json result = UnittedJson(point);
    json points = json::array();
    for (const SmartPtr<PointValueWithParameters>& item : point.AccessPoints()) {
        json parameters = json::array();
        if (item->GetParameters()) {
            for (const SmartPtr<ParameterReferenceAndValue>& parameter : item->GetParameters()->AccessParameterValues()) {
                parameters.push_back(ParameterWithValueJson(parameter));
            }
        }
        points.push_back({{"value", item->GetValue()}, {"parameters", parameters}});
    }
    result["points"] = points;
    result["parameters"] = ParametersJson(point.GetParameters());
    return result;
}

json JsonOf(const RangeDataType& range)
{
    json result = UnittedJson(range);
    result["low"] = range.HasLowBound() ? json(range.GetLow()) : json(nullptr);
    result["high"] = range.HasHighBound() ? json(range.GetHigh()) : json(nullptr);
    return result;
}

json BinaryJson(const BinaryDataType& binary)
{
    const std::string data = binary.GetData();
    return {{"contentType", binary.GetContentType()},
            {"url", binary.GetURL()},
            {"size", data.empty() ? json(nullptr) : json(data.size())}};
}

json RowJson(TabularDataRow& row)
{
    json cells = json::array();
    for (const SmartPtr<TabularDataCell>& cell : row.GetData()) {
        cells.push_back(cell ? ValueJson(cell->GetData()) : json(nullptr));
    }
    json linked = json::array();
    for (const SmartPtr<RecordReference>& record : row.GetLinkedRecords()) {
        linked.push_back({{"dbKey", record->GetDBKey()}, {"identity", record->GetIdentity()}});
    }
    return {{"identity", row.GetIdentity()}, {"linkingValue", row.GetLinkingVal()}, {"linkedRecords", linked},
            {"cells", cells}};
}

json JsonOf(TabularDataType& table)
{
    json columns = json::array();
    for (const SmartPtr<TabularColumn>& column : table.GetColumns()) {
        columns.push_back({{"name", column->GetName()}, {"kind", ColumnKind(column->GetType())}});
    }
    json rows = json::array();
    for (const SmartPtr<TabularDataRow>& row : table.GetRows()) {
        rows.push_back(RowJson(*row));
    }
    return {{"columns", columns}, {"rows", rows},
            {"summary", table.GetSummary() ? RowJson(*table.GetSummary()) : json(nullptr)}};
}

json JsonOf(FloatFunctionalSeriesDataType& function)
{
    json series = json::array();
    const SmartPtr<FloatFunctionalSeriesGraph> graph = function.GetGraph();
    if (graph) {
        for (const SmartPtr<Series>& one : graph->AccessSeries()) {
            json points = json::array();
            if (one->GetXYPoints()) {
                for (const SmartPtr<XYDatum>& datum : one->GetXYPoints()->AccessXYPoints()) {
                    json point{{"x", ParameterValueJson(datum->GetParameterValue())}, {"estimated", datum->GetIsEstimated()}};
                    if (const auto* single = dynamic_cast<const XYPoint*>(datum.get())) {
                        point["y"] = single->GetY();
                    } else if (const auto* range = dynamic_cast<const XYRange*>(datum.get())) {
                        point["lowerY"] = range->GetLowerY();
                        point["upperY"] = range->GetUpperY();
                    }
                    points.push_back(point);
                }
            }
            series.push_back({{"decoration", GraphDecoration::ToString(one->GetDecoration())},
                              {"constraints", ConstraintsJson(one->GetConstraints())},
                              {"points", points}});
        }
    }
    const SmartPtr<ParameterInformation> axis = graph ? graph->GetXAxisParameter() : nullptr;
    return {{"unit", UnitSymbol(function.GetUnitInformation())},
            {"parameters", ParametersJson(function.GetParameters())},
            {"xAxis", axis ? axis->GetName() : ""},
            {"logarithmicYAxis", graph && graph->GetLogarithmicYAxis()},
            {"series", series}};
}

json JsonOf(FloatFunctionalGriddedDataType& function)
{
    json values = json::array();
    if (function.GetValues()) {
        for (const SmartPtr<FloatFunctionalValue>& value : function.GetValues()->AccessValues()) {
            json entry{{"estimated", value->GetEstimated()}, {"constraints", ConstraintsJson(value->GetConstraints())}};
            if (const auto* point = dynamic_cast<const FloatFunctionalPointValue*>(value.get())) {
                entry["value"] = point->GetValue();
            } else if (const auto* range = dynamic_cast<const FloatFunctionalRangeValue*>(value.get())) {
                entry["low"] = range->GetLowValue();
                entry["high"] = range->GetHighValue();
            }
            values.push_back(entry);
        }
    }
    const GraphDecoration::eOptions decoration = function.GetDecoration();
    return {{"unit", UnitSymbol(function.GetUnitInformation())},
            {"parameters", ParametersJson(function.GetParameters())},
            {"decoration", decoration == GraphDecoration::Unspecified ? json(nullptr)
                                                                      : json(GraphDecoration::ToString(decoration))},
            {"values", values}};
}

json JsonOf(IntegerDataType& integer)
{
    return {{"value", integer.GetValue()}};
}

json JsonOf(LogicalDataType& logical)
{
    return {{"value", logical.GetValue()}};
}

json JsonOf(ShortTextDataType& text)
{
    return {{"value", text.GetValue()}};
}

json JsonOf(LongTextDataType& text)
{
    return {{"value", text.GetValue()}};
}

json JsonOf(DateTimeDataType& date)
{
    return {{"value", date.GetValue()}};
}

json JsonOf(HyperlinkDataType& link)
{
    return {{"url", link.GetValue()}, {"description", link.GetDescription()}};
}

json JsonOf(DiscreteDataType& discrete)
{
    json choices = json::array();
    for (const SmartPtr<DiscreteValue>& choice : discrete.AccessDiscreteValues()) {
        choices.push_back({{"value", choice->GetValue()}, {"order", choice->GetOrder()}});
    }
    return {{"values", choices}};
}

json JsonOf(FileDataType& file)
{
    json result = BinaryJson(file);
    result["fileName"] = file.GetFileName();
    result["description"] = file.GetDescription();
    return result;
}

json JsonOf(PictureDataType& picture)
{
    return BinaryJson(picture);
}

json JsonOf(ListDataType& list)
{
    json items = json::array();
    for (const ListItem& item : list.GetItems()) {
        items.push_back({{"sourceRecordHistoryId", item.sourceRecordHistoryId}, {"value", ValueJson(item.value)}});
    }
    return {{"items", items}};
}

// An empty value, or a type the tool has no fields for: the type code alone.
json JsonOf(IDataValue&)
{
    return json::object();
}

} // namespace

json ValueJson(const SmartPtr<IDataValue>& value)
{
    if (!value) {
        return nullptr;
    }
    json result{{"type", value->GetTypeString()}};
    result.update(WithValueType(*value, [](auto& typed) { return JsonOf(typed); }));
    result["notApplicable"] = !value->IsApplicable();
    result["fallback"] = value->IsFallback();
    if (value->IsDataVersionAvailable()) {
        result["dataVersion"] = value->GetDataVersionNo();
    }
    return result;
}

json ParameterValueJson(const SmartPtr<ParameterValue>& value)
{
    if (!value) {
        return nullptr;
    }
    return value->eGetType() == ParameterValue::Numeric ? json(value->GetValue_Numeric())
                                                         : json(value->GetValue_Discrete());
}

json ParameterInformationJson(const ParameterInformation& parameter)
{
    const SmartPtr<ParameterReference> reference = parameter.GetParameterReference();
    return {{"id", reference ? reference->GetID() : 0},
            {"name", parameter.GetName()},
            {"unit", UnitSymbol(parameter.GetUnit())}};
}

} // namespace dorsatool
