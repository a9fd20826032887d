#include "ValueFromJson.h"

#include "ValueText.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <vector>

namespace dorsatool {

using namespace zvrtkDorsaServiceLayer;

namespace {

SmartPtr<ParameterReference> Parameter(const std::string& name, const ValueScope& scope)
{
    SmartPtr<ParameterReference> reference = new ParameterReference;
    reference->SetDBKey(scope.dbKey);
    reference->SetName(name);
    return reference;
}

SmartPtr<ParameterValue> ParameterValueOf(const Json& value, const Place& place)
{
    SmartPtr<ParameterValue> parameter = new ParameterValue;
    if (value.is_string()) {
        parameter->SetValue_Discrete(value.get<std::string>());
    } else {
        parameter->SetValue_Numeric(Number(value, place));
    }
    return parameter;
}

// {"Temperature": 20, ...}: each parameter by name with its value, numeric or discrete.
template <class Item>
std::vector<SmartPtr<Item>> ParametersWithValues(const Json* value, const ValueScope& scope, const Place& place)
{
    std::vector<SmartPtr<Item>> items;
    if (!value) {
        return items;
    }
    Expect(*value, value->is_object(), "an object of parameter names and values", place);
    for (const auto& entry : value->items()) {
        SmartPtr<Item> item = new Item;
        item->SetParameter(Parameter(entry.key(), scope));
        item->SetValue(ParameterValueOf(entry.value(), place[entry.key()]));
        items.push_back(item);
    }
    return items;
}

// The parameter list of a value: each name once, in the order first met.
SmartPtr<Parameters> ParameterList(const std::vector<std::string>& names, const ValueScope& scope)
{
    SmartPtr<Parameters> parameters = new Parameters;
    std::vector<std::string> seen;
    for (const std::string& name : names) {
        if (std::find(seen.begin(), seen.end(), name) == seen.end()) {
            seen.push_back(name);
            SmartPtr<ParameterInformation> information = new ParameterInformation;
            information->SetParameterReference(Parameter(name, scope));
            information->SetName(name);
            parameters->AddParameter(information);
        }
    }
    return parameters;
}

template <class Item>
void AddNames(const std::vector<SmartPtr<Item>>& items, std::vector<std::string>& names)
{
    for (const SmartPtr<Item>& item : items) {
        names.push_back(item->GetParameter()->GetName());
    }
}

SmartPtr<UnitInformation> Unit(const Json& value, const Place& place)
{
    SmartPtr<UnitInformation> unit = new UnitInformation;
    unit->SetUnitSymbol(OptionalText(value, "unit", place));
    return unit;
}

GraphDecoration::eOptions Decoration(const Json& value, const Place& place)
{
    const std::string text = OptionalText(value, "decoration", place);
    if (text.empty()) {
        return GraphDecoration::Lines;
    }
    const GraphDecoration::eOptions decoration = GraphDecoration::FromString(text);
    if (decoration == GraphDecoration::Unspecified) {
        place["decoration"].Fail("is '" + text + "', expected Lines, Markers or LinesAndMarkers");
    }
    return decoration;
}

template <class T>
SmartPtr<IDataValue> TextValue(const Json& value, const Place& place)
{
    Object(value, {"type", "value"}, place);
    SmartPtr<T> text = new T;
    text->SetValue(Text(Required(value, "value", place), place["value"]));
    return text;
}

SmartPtr<IDataValue> IntegerValue(const Json& value, const Place& place)
{
    Object(value, {"type", "value"}, place);
    const Json& number = Required(value, "value", place);
    Expect(number, number.is_number_integer(), "a whole number", place["value"]);
    if (number.get<long long>() < INT32_MIN || number.get<long long>() > INT32_MAX) {
        place["value"].Fail("is outside the range of an integer value");
    }
    SmartPtr<IntegerDataType> integer = new IntegerDataType;
    integer->SetValue(static_cast<int>(number.get<long long>()));
    return integer;
}

SmartPtr<IDataValue> LogicalValue(const Json& value, const Place& place)
{
    Object(value, {"type", "value"}, place);
    SmartPtr<LogicalDataType> logical = new LogicalDataType;
    logical->SetValue(Flag(Required(value, "value", place), place["value"]));
    return logical;
}

SmartPtr<IDataValue> HyperlinkValue(const Json& value, const Place& place)
{
    Object(value, {"type", "url", "description"}, place);
    SmartPtr<HyperlinkDataType> link = new HyperlinkDataType;
    link->SetValue(Text(Required(value, "url", place), place["url"]));
    link->SetDescription(OptionalText(value, "description", place));
    return link;
}

SmartPtr<IDataValue> DiscreteValueOf(const Json& value, const Place& place)
{
    Object(value, {"type", "values"}, place);
    SmartPtr<DiscreteDataType> discrete = new DiscreteDataType;
    const Json& choices = Array(Required(value, "values", place), place["values"]);
    for (size_t index = 0; index < choices.size(); ++index) {
        SmartPtr<DiscreteValue> choice = new DiscreteValue;
        choice->SetValue(Text(choices[index], place["values"][index]));
        discrete->AddDiscreteValue(choice);
    }
    return discrete;
}

void ReadUnitted(const Json& value, UnittedRealDataType& unitted, const Place& place)
{
    unitted.SetUnitSymbol(OptionalText(value, "unit", place));
    if (const Json* estimated = Optional(value, "estimated")) {
        unitted.SetIsEstimated(Flag(*estimated, place["estimated"]));
    }
}

SmartPtr<IDataValue> RangeValue(const Json& value, const Place& place)
{
    Object(value, {"type", "low", "high", "unit", "estimated"}, place);
    SmartPtr<RangeDataType> range = new RangeDataType;
    ReadUnitted(value, *range, place);
    // An absent or null end leaves the range open there.
    const Json* low = Optional(value, "low");
    if (low && !low->is_null()) {
        range->SetLow(Number(*low, place["low"]));
    }
    const Json* high = Optional(value, "high");
    if (high && !high->is_null()) {
        range->SetHigh(Number(*high, place["high"]));
    }
    return range;
}

SmartPtr<IDataValue> PointValue(const Json& value, const ValueScope& scope, const Place& place)
{
    Object(value, {"type", "points", "unit", "estimated"}, place);
    SmartPtr<PointDataType> point = new PointDataType;
    ReadUnitted(value, *point, place);
    const Json& points = Array(Required(value, "points", place), place["points"]);
    std::vector<std::string> names;
    for (size_t index = 0; index < points.size(); ++index) {
        const Place at = place["points"][index];
        Object(points[index], {"value", "parameters"}, at);
        SmartPtr<PointValueWithParameters> single = new PointValueWithParameters;
        single->SetValue(Number(Required(points[index], "value", at), at["value"]));
        SmartPtr<ParameterReferencesAndValues> parameters = new ParameterReferencesAndValues;
        for (const auto& item : ParametersWithValues<ParameterReferenceAndValue>(
                 Optional(points[index], "parameters"), scope, at["parameters"])) {
            parameters->AddParameterValue(item);
        }
        AddNames(parameters->AccessParameterValues(), names);
        single->SetParameters(parameters);
        point->AddPoint(single);
    }
    point->SetParameters(ParameterList(names, scope));
    return point;
}

std::string FileContent(const Json& value, const ValueScope& scope, const Place& place)
{
    const Json* path = Optional(value, "path");
    const Json* text = Optional(value, "text");
    if ((path != nullptr) == (text != nullptr)) {
        place.Fail("needs either \"path\" (a file to read) or \"text\" (the content itself)");
    }
    if (text) {
        return Text(*text, place["text"]);
    }
    const std::string name = Text(*path, place["path"]);
    const std::string full = name.empty() || name.front() == '/' ? name : scope.directory + "/" + name;
    std::ifstream input(full, std::ios::binary);
    if (!input) {
        place["path"].Fail("cannot read " + full);
    }
    if (scope.uploads) {
        scope.uploads->push_back(
            {scope.record, scope.dbKey, scope.table, scope.attribute, full, OptionalText(value, "contentType", place)});
        return std::string();
    }
    return std::string(std::istreambuf_iterator<char>(input), std::istreambuf_iterator<char>());
}

SmartPtr<IDataValue> BinaryValue(const Json& value, const ValueScope& scope, const Place& place, bool file)
{
    if (file) {
        Object(value, {"type", "path", "text", "contentType", "fileName", "description"}, place);
    } else {
        Object(value, {"type", "path", "text", "contentType"}, place);
    }
    SmartPtr<BinaryDataType> binary;
    if (file) {
        SmartPtr<FileDataType> fileValue = new FileDataType;
        const Json* path = Optional(value, "path");
        const std::string fallbackName = path && path->is_string() ? path->get<std::string>() : "";
        const std::string fileName = OptionalText(value, "fileName", place);
        fileValue->SetFileName(fileName.empty() ? fallbackName.substr(fallbackName.rfind('/') + 1) : fileName);
        fileValue->SetDescription(OptionalText(value, "description", place));
        binary = fileValue;
    } else {
        binary = new PictureDataType;
    }
    binary->SetData(FileContent(value, scope, place));
    binary->SetContentType(OptionalText(value, "contentType", place));
    return binary;
}

SmartPtr<IDataValue> TabularValue(const Json& value, const ValueScope& scope, const Place& place)
{
    Object(value, {"type", "rows"}, place);
    const Json& rows = Array(Required(value, "rows", place), place["rows"]);
    SmartPtr<TabularDataType> table = TabularDataType::CreateOne();
    // Every column any row names, in the order first met, before the first row is made.
    std::map<std::string, SmartPtr<TabularColumn>> columns;
    for (size_t index = 0; index < rows.size(); ++index) {
        Expect(rows[index], rows[index].is_object(), "an object of column names and values", place["rows"][index]);
        for (const auto& cell : rows[index].items()) {
            if (!columns.count(cell.key())) {
                columns[cell.key()] = TabularColumn::CreateOne(cell.key());
                table->AddColumn(columns[cell.key()]);
            }
        }
    }
    for (size_t index = 0; index < rows.size(); ++index) {
        SmartPtr<TabularDataRow> row = table->PushRow();
        for (const auto& cell : rows[index].items()) {
            const SmartPtr<TabularColumn>& column = columns[cell.key()];
            row->AtCol(column) = TabularDataCell::CreateOne(ValueFromJson(cell.value(), scope, place["rows"][index][cell.key()]),
                                                           column.get());
        }
    }
    return table;
}

SmartPtr<Constraints> ConstraintsOf(const Json& value, const ValueScope& scope, const Place& place,
                                    std::vector<std::string>& names)
{
    SmartPtr<Constraints> constraints = new Constraints;
    for (const SmartPtr<Constraint>& constraint :
         ParametersWithValues<Constraint>(Optional(value, "constraints"), scope, place["constraints"])) {
        constraints->AddConstraint(constraint);
    }
    AddNames(constraints->AccessConstraints(), names);
    return constraints;
}

SmartPtr<XYDatum> SeriesPoint(const Json& value, const Place& place)
{
    Expect(value, value.is_array() && (value.size() == 2 || value.size() == 3), "[x, y] or [x, lower y, upper y]",
           place);
    SmartPtr<XYDatum> datum;
    if (value.size() == 2) {
        SmartPtr<XYPoint> point = new XYPoint;
        point->SetY(Number(value[1], place[1]));
        datum = point;
    } else {
        SmartPtr<XYRange> range = new XYRange;
        range->SetLowerY(Number(value[1], place[1]));
        range->SetUpperY(Number(value[2], place[2]));
        datum = range;
    }
    datum->SetParameterValue(ParameterValueOf(value[0], place[0]));
    return datum;
}

SmartPtr<IDataValue> SeriesValue(const Json& value, const ValueScope& scope, const Place& place)
{
    Object(value, {"type", "unit", "xAxis", "logarithmic", "series"}, place);
    const std::string xAxis = Text(Required(value, "xAxis", place), place["xAxis"]);
    std::vector<std::string> names{xAxis};
    SmartPtr<FloatFunctionalSeriesGraph> graph = new FloatFunctionalSeriesGraph;
    if (const Json* logarithmic = Optional(value, "logarithmic")) {
        graph->SetLogarithmicYAxis(Flag(*logarithmic, place["logarithmic"]));
    }
    const Json& series = Array(Required(value, "series", place), place["series"]);
    for (size_t index = 0; index < series.size(); ++index) {
        const Place at = place["series"][index];
        Object(series[index], {"constraints", "points", "decoration"}, at);
        SmartPtr<Series> one = new Series;
        one->SetConstraints(ConstraintsOf(series[index], scope, at, names));
        one->SetDecoration(Decoration(series[index], at));
        SmartPtr<XYData> points = new XYData;
        const Json& list = Array(Required(series[index], "points", at), at["points"]);
        for (size_t point = 0; point < list.size(); ++point) {
            points->AddXYPoint(SeriesPoint(list[point], at["points"][point]));
        }
        one->SetXYPoints(points);
        graph->AddSeries(one);
    }
    SmartPtr<FloatFunctionalSeriesDataType> function = new FloatFunctionalSeriesDataType;
    function->SetParameters(ParameterList(names, scope));
    graph->SetXAxisParameter(function->GetParameters()->AccessParameters().front());
    function->SetGraph(graph);
    function->SetUnitInformation(Unit(value, place));
    return function;
}

SmartPtr<IDataValue> GriddedValue(const Json& value, const ValueScope& scope, const Place& place)
{
    Object(value, {"type", "unit", "decoration", "values"}, place);
    std::vector<std::string> names;
    SmartPtr<FloatFunctionalValues> values = new FloatFunctionalValues;
    const Json& list = Array(Required(value, "values", place), place["values"]);
    for (size_t index = 0; index < list.size(); ++index) {
        const Place at = place["values"][index];
        Object(list[index], {"value", "low", "high", "estimated", "constraints"}, at);
        SmartPtr<FloatFunctionalValue> entry;
        if (const Json* single = Optional(list[index], "value")) {
            SmartPtr<FloatFunctionalPointValue> point = new FloatFunctionalPointValue;
            point->SetValue(Number(*single, at["value"]));
            entry = point;
        } else {
            SmartPtr<FloatFunctionalRangeValue> range = new FloatFunctionalRangeValue;
            range->SetLowValue(Number(Required(list[index], "low", at), at["low"]));
            range->SetHighValue(Number(Required(list[index], "high", at), at["high"]));
            entry = range;
        }
        if (const Json* estimated = Optional(list[index], "estimated")) {
            entry->SetEstimated(Flag(*estimated, at["estimated"]));
        }
        entry->SetConstraints(ConstraintsOf(list[index], scope, at, names));
        values->AddValue(entry);
    }
    SmartPtr<FloatFunctionalGriddedDataType> function = new FloatFunctionalGriddedDataType;
    function->SetParameters(ParameterList(names, scope));
    function->SetValues(values);
    function->SetUnitInformation(Unit(value, place));
    function->SetDecoration(Decoration(value, place));
    return function;
}

using ValueReader = std::function<SmartPtr<IDataValue>(const Json&, const ValueScope&, const Place&)>;

// The readers by type code; a file names the type by code or by the name the tool shows.
const std::map<std::string, ValueReader>& Readers()
{
    static const std::map<std::string, ValueReader> s_readers = {
        {AttributeTypes::INTEGER_TYPE_STRING, [](auto& v, auto&, auto& p) { return IntegerValue(v, p); }},
        {AttributeTypes::LOGICAL_TYPE_STRING, [](auto& v, auto&, auto& p) { return LogicalValue(v, p); }},
        {AttributeTypes::SHORT_TEXT_TYPE_STRING,
         [](auto& v, auto&, auto& p) { return TextValue<ShortTextDataType>(v, p); }},
        {AttributeTypes::LONG_TEXT_TYPE_STRING, [](auto& v, auto&, auto& p) { return TextValue<LongTextDataType>(v, p); }},
        {AttributeTypes::DATE_TIME_TYPE_STRING, [](auto& v, auto&, auto& p) { return TextValue<DateTimeDataType>(v, p); }},
        {AttributeTypes::HYPERLINK_TYPE_STRING, [](auto& v, auto&, auto& p) { return HyperlinkValue(v, p); }},
        {AttributeTypes::DISCRETE_TYPE_STRING, [](auto& v, auto&, auto& p) { return DiscreteValueOf(v, p); }},
        {AttributeTypes::RANGE_TYPE_STRING, [](auto& v, auto&, auto& p) { return RangeValue(v, p); }},
        {AttributeTypes::POINT_TYPE_STRING, PointValue},
        {AttributeTypes::FILE_TYPE_STRING, [](auto& v, auto& s, auto& p) { return BinaryValue(v, s, p, true); }},
        {AttributeTypes::PICTURE_TYPE_STRING, [](auto& v, auto& s, auto& p) { return BinaryValue(v, s, p, false); }},
        {AttributeTypes::TABULAR_TYPE_STRING, TabularValue},
        {AttributeTypes::FLOAT_FUNCTIONAL_SERIES_TYPE_STRING, SeriesValue},
        {AttributeTypes::FLOAT_FUNCTIONAL_GRIDDED_TYPE_STRING, GriddedValue},
    };
    return s_readers;
}

} // namespace

SmartPtr<IDataValue> ValueFromJson(const Json& value, const ValueScope& scope, const Place& place)
{
    // The plain JSON forms of the three simplest types.
    if (value.is_string()) {
        return TextValue<ShortTextDataType>(Json{{"value", value}}, place);
    }
    if (value.is_boolean()) {
        return LogicalValue(Json{{"value", value}}, place);
    }
    if (value.is_number_integer()) {
        return IntegerValue(Json{{"value", value}}, place);
    }
    Expect(value, value.is_object(), "a string, a whole number, true, false, null or an object with a \"type\"", place);
    const std::string type = Text(Required(value, "type", place), place["type"]);
    for (const auto& [code, reader] : Readers()) {
        if (type == code || type == TypeName(code)) {
            return reader(value, scope, place);
        }
    }
    std::string known;
    for (const auto& entry : Readers()) {
        known += (known.empty() ? "" : ", ") + TypeName(entry.first);
    }
    place["type"].Fail("is '" + type + "', which cannot be imported; expected one of " + known);
}

} // namespace dorsatool
