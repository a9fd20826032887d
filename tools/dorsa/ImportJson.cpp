#include "ImportJson.h"

#include "TableLookup.h"
#include "ValueText.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <map>
#include <utility>

namespace dorsatool {

using namespace zvrtkDorsaServiceLayer;
using Json = nlohmann::ordered_json;

namespace {

// A place in the file, as messages name it: records[2].values["Yield strength"].low
class Place final {
public:
    explicit Place(std::string path) : m_path(std::move(path)) {}

    Place operator[](const std::string& key) const
    {
        const bool plain = !key.empty() && key.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ") ==
                                               std::string::npos;
        return Place(plain ? (m_path.empty() ? key : m_path + "." + key) : m_path + "[" + Json(key).dump() + "]");
    }
    Place operator[](size_t index) const { return Place(m_path + "[" + std::to_string(index) + "]"); }

    [[noreturn]] void Fail(const std::string& problem) const
    {
        throw ImportFileError((m_path.empty() ? "the top level" : m_path) + ": " + problem);
    }

private:
    std::string m_path;
};

const char* Kind(const Json& value)
{
    switch (value.type()) {
    case Json::value_t::object:
        return "an object";
    case Json::value_t::array:
        return "an array";
    case Json::value_t::string:
        return "a string";
    case Json::value_t::boolean:
        return "true or false";
    case Json::value_t::null:
        return "null";
    default:
        return "a number";
    }
}

const Json& Expect(const Json& value, bool matches, const char* expected, const Place& place)
{
    if (!matches) {
        place.Fail(std::string("is ") + Kind(value) + ", expected " + expected);
    }
    return value;
}

// An object whose keys are all among `allowed`.
const Json& Object(const Json& value, std::initializer_list<const char*> allowed, const Place& place)
{
    Expect(value, value.is_object(), "an object", place);
    for (const auto& item : value.items()) {
        if (std::none_of(allowed.begin(), allowed.end(), [&](const char* key) { return item.key() == key; })) {
            std::string keys;
            for (const char* key : allowed) {
                keys += std::string(keys.empty() ? "" : ", ") + key;
            }
            place[item.key()].Fail("is not known here; expected one of " + keys);
        }
    }
    return value;
}

std::string Text(const Json& value, const Place& place)
{
    return Expect(value, value.is_string(), "a string", place).get<std::string>();
}

double Number(const Json& value, const Place& place)
{
    return Expect(value, value.is_number(), "a number", place).get<double>();
}

bool Flag(const Json& value, const Place& place)
{
    return Expect(value, value.is_boolean(), "true or false", place).get<bool>();
}

const Json& Array(const Json& value, const Place& place)
{
    return Expect(value, value.is_array(), "an array", place);
}

const Json* Optional(const Json& object, const char* key)
{
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

const Json& Required(const Json& object, const char* key, const Place& place)
{
    const Json* value = Optional(object, key);
    if (!value) {
        place.Fail(std::string("has no \"") + key + "\"");
    }
    return *value;
}

std::string OptionalText(const Json& object, const char* key, const Place& place)
{
    const Json* value = Optional(object, key);
    return value ? Text(*value, place[key]) : "";
}

// What the values of one file refer to.
struct Scope {
    std::string dbKey;
    std::string table;
    std::string directory;
};

SmartPtr<RecordReference> Record(const Json& value, const Scope& scope, const Place& place)
{
    const std::string text = value.is_number_integer() ? std::to_string(value.get<long long>()) : Text(value, place);
    if (!RecordProblem(text).empty()) {
        place.Fail(RecordProblem(text));
    }
    return MakeRecordReference(scope.dbKey, text);
}

SmartPtr<ParameterReference> Parameter(const std::string& name, const Scope& scope)
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
std::vector<SmartPtr<Item>> ParametersWithValues(const Json* value, const Scope& scope, const Place& place)
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
SmartPtr<Parameters> ParameterList(const std::vector<std::string>& names, const Scope& scope)
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

SmartPtr<IDataValue> PointValue(const Json& value, const Scope& scope, const Place& place)
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

std::string FileContent(const Json& value, const Scope& scope, const Place& place)
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
    return std::string(std::istreambuf_iterator<char>(input), std::istreambuf_iterator<char>());
}

SmartPtr<IDataValue> BinaryValue(const Json& value, const Scope& scope, const Place& place, bool file)
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

SmartPtr<IDataValue> ReadValue(const Json& value, const Scope& scope, const Place& place);

SmartPtr<IDataValue> TabularValue(const Json& value, const Scope& scope, const Place& place)
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
            row->AtCol(column) = TabularDataCell::CreateOne(ReadValue(cell.value(), scope, place["rows"][index][cell.key()]),
                                                           column.get());
        }
    }
    return table;
}

SmartPtr<Constraints> ConstraintsOf(const Json& value, const Scope& scope, const Place& place,
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

SmartPtr<IDataValue> SeriesValue(const Json& value, const Scope& scope, const Place& place)
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

SmartPtr<IDataValue> GriddedValue(const Json& value, const Scope& scope, const Place& place)
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

using ValueReader = std::function<SmartPtr<IDataValue>(const Json&, const Scope&, const Place&)>;

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

SmartPtr<IDataValue> ReadValue(const Json& value, const Scope& scope, const Place& place)
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

const std::map<std::string, ImportRecordModes::eImportRecordMode> s_modes = {
    {"update", ImportRecordModes::Update},
    {"create", ImportRecordModes::Create},
    {"copy", ImportRecordModes::Copy},
};

SmartPtr<SubsetReference> Subset(const Json& value, const Scope& scope, const Place& place)
{
    SmartPtr<SubsetReference> subset = new SubsetReference;
    subset->SetDBKey(scope.dbKey);
    if (value.is_number_integer()) {
        subset->SetSubsetIdentity(value.get<int>());
    } else {
        subset->SetName(Text(value, place));
        subset->GetPartialTableReference()->SetTableName(scope.table);
    }
    return subset;
}

void ReadSubsets(const Json& value, ImportRecord& record, const Scope& scope, const Place& place)
{
    const std::string mode = OptionalText(value, "subsetsMode", place);
    if (mode != "" && mode != "append" && mode != "replace") {
        place["subsetsMode"].Fail("is '" + mode + "', expected append or replace");
    }
    const Json* subsets = Optional(value, "subsets");
    if (!subsets) {
        return;
    }
    record.SetUpdateSubsetsMode(mode == "replace" ? ImportRecord::UpdateSubsets::Replace
                                                  : ImportRecord::UpdateSubsets::Append);
    Array(*subsets, place["subsets"]);
    for (size_t index = 0; index < subsets->size(); ++index) {
        record.AddSubsetReference(Subset((*subsets)[index], scope, place["subsets"][index]));
    }
}

SmartPtr<ImportRecord> ReadRecord(const Json& value, Scope scope, const Place& place)
{
    Object(value, {"mode", "record", "parent", "name", "folder", "release", "table", "values", "subsets", "subsetsMode"},
           place);
    const std::string modeText = Text(Required(value, "mode", place), place["mode"]);
    const auto mode = s_modes.find(modeText);
    if (mode == s_modes.end()) {
        place["mode"].Fail("is '" + modeText + "', expected create, update or copy");
    }
    scope.table = OptionalText(value, "table", place).empty() ? scope.table : OptionalText(value, "table", place);
    SmartPtr<ImportRecord> record = new ImportRecord;
    record->SetImportRecordMode(mode->second);
    // The existing record is the parent to create under, the record to update or the one to copy.
    const char* existing = mode->second == ImportRecordModes::Create ? "parent" : "record";
    record->SetExistingRecord(Record(Required(value, existing, place), scope, place[existing]));
    if (mode->second == ImportRecordModes::Copy) {
        record->SetCopyDestinationParent(Record(Required(value, "parent", place), scope, place["parent"]));
    } else if (Optional(value, mode->second == ImportRecordModes::Create ? "record" : "parent")) {
        place.Fail(mode->second == ImportRecordModes::Create ? "a new record has a \"parent\", not a \"record\""
                                                             : "an updated record stays where it is: no \"parent\"");
    }
    record->SetRecordName(OptionalText(value, "name", place));
    if (const Json* folder = Optional(value, "folder")) {
        record->SetIsFolder(Flag(*folder, place["folder"]));
    }
    if (const Json* release = Optional(value, "release")) {
        record->SetRelease(Flag(*release, place["release"]));
    }
    ReadSubsets(value, *record, scope, place);
    if (const Json* values = Optional(value, "values")) {
        Expect(*values, values->is_object(), "an object of attribute names and values", place["values"]);
        if (scope.table.empty() && !values->empty()) {
            place.Fail("names attributes, but neither it nor the file says their \"table\"");
        }
        for (const auto& item : values->items()) {
            SmartPtr<IDataValue> data =
                item.value().is_null() ? nullptr : ReadValue(item.value(), scope, place["values"][item.key()]);
            record->AddImportAttributeValue(
                new ImportAttributeValue(data, MakeAttributeReference(scope.dbKey, scope.table, item.key())));
        }
    }
    return record;
}

} // namespace

std::vector<SmartPtr<ImportRecord>> ReadImportRecords(const Json& file, const std::string& directory)
{
    const Place top("");
    Object(file, {"database", "table", "records"}, top);
    const Scope scope{Text(Required(file, "database", top), top["database"]), OptionalText(file, "table", top),
                      directory};
    const Json& records = Array(Required(file, "records", top), top["records"]);
    std::vector<SmartPtr<ImportRecord>> result;
    for (size_t index = 0; index < records.size(); ++index) {
        result.push_back(ReadRecord(records[index], scope, top["records"][index]));
    }
    return result;
}

} // namespace dorsatool
