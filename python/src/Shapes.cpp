// Library results as the named tuples of dorsa.types: references, catalogue entries and
// every kind of attribute value.

#include "Binding.h"

#include "ValueText.h"

#include <cmath>

namespace dorsapy {

namespace {

py::object None()
{
    return py::none();
}

// A value of `type`: its type code, `fields`, then the fields every value ends with.
template <class... Fields>
py::object MakeValue(const py::object& type, const dsl::IDataValue& value, Fields&&... fields)
{
    return type(value.GetTypeString(), std::forward<Fields>(fields)..., !value.IsApplicable(), value.IsFallback(),
                value.IsDataVersionAvailable() ? py::object(py::int_(value.GetDataVersionNo())) : None());
}

py::object Unit(const Ptr<dsl::UnitInformation>& unit)
{
    return Text(dorsatool::UnitSymbol(unit));
}

py::list ParameterInfos(const Ptr<dsl::Parameters>& parameters)
{
    py::list list;
    if (parameters) {
        for (const Ptr<dsl::ParameterInformation>& parameter : parameters->AccessParameters()) {
            list.append(Shape(parameter));
        }
    }
    return list;
}

// Parameter values by parameter name.
template <class Items>
py::dict ParameterValues(const Items& items)
{
    py::dict values;
    for (const auto& item : items) {
        const Ptr<dsl::ParameterReference> reference = item->GetParameter();
        const std::string name = reference ? reference->GetName() : std::string();
        values[py::str(name)] = ShapeParameterValue(item->GetValue());
    }
    return values;
}

py::dict Constraints(const Ptr<dsl::Constraints>& constraints)
{
    if (!constraints) {
        return py::dict();
    }
    return ParameterValues(constraints->AccessConstraints());
}

py::object Binary(const dsl::BinaryDataType& binary)
{
    const std::string data = binary.GetData();
    return data.empty() ? None() : py::object(py::bytes(data));
}

py::object Row(dsl::TabularDataRow& row)
{
    py::list cells;
    for (const Ptr<dsl::TabularDataCell>& cell : row.GetData()) {
        cells.append(cell ? ShapeValue(cell->GetData()) : None());
    }
    return Classes().TableRow(row.GetIdentity(), Text(row.GetLinkingVal()), ShapeAll(row.GetLinkedRecords()), cells);
}

py::object Point(dsl::PointDataType& point)
{
    PyClasses& classes = Classes();
    py::list points;
    for (const Ptr<dsl::PointValueWithParameters>& item : point.AccessPoints()) {
        py::dict parameters;
        if (item->GetParameters()) {
            parameters = ParameterValues(item->GetParameters()->AccessParameterValues());
        }
        points.append(classes.PointItem(item->GetValue(), parameters));
    }
    return MakeValue(classes.Point, point, Text(point.GetUnitSymbol()), point.IsEstimated(), points,
                     ParameterInfos(point.GetParameters()));
}

py::object Range(const dsl::RangeDataType& range)
{
    return MakeValue(Classes().Range, range, Text(range.GetUnitSymbol()), range.IsEstimated(),
                     range.HasLowBound() ? py::object(py::float_(range.GetLow())) : None(),
                     range.HasHighBound() ? py::object(py::float_(range.GetHigh())) : None());
}

py::object Tabular(dsl::TabularDataType& table)
{
    PyClasses& classes = Classes();
    py::list columns;
    for (const Ptr<dsl::TabularColumn>& column : table.GetColumns()) {
        columns.append(classes.TableColumn(column->GetName(), dorsatool::ColumnKind(column->GetType())));
    }
    py::list rows;
    for (const Ptr<dsl::TabularDataRow>& row : table.GetRows()) {
        rows.append(Row(*row));
    }
    return MakeValue(classes.Table, table, columns, rows, table.GetSummary() ? Row(*table.GetSummary()) : None());
}

py::object SeriesValue(dsl::FloatFunctionalSeriesDataType& function)
{
    PyClasses& classes = Classes();
    py::list lines;
    const Ptr<dsl::FloatFunctionalSeriesGraph> graph = function.GetGraph();
    if (graph) {
        for (const Ptr<dsl::Series>& one : graph->AccessSeries()) {
            py::list points;
            if (one->GetXYPoints()) {
                for (const Ptr<dsl::XYDatum>& datum : one->GetXYPoints()->AccessXYPoints()) {
                    py::object y = None(), low = None(), high = None();
                    if (const auto* single = dynamic_cast<const dsl::XYPoint*>(datum.get())) {
                        y = py::float_(single->GetY());
                    } else if (const auto* range = dynamic_cast<const dsl::XYRange*>(datum.get())) {
                        low = py::float_(range->GetLowerY());
                        high = py::float_(range->GetUpperY());
                    }
                    points.append(classes.SeriesPoint(ShapeParameterValue(datum->GetParameterValue()), y, low, high,
                                                      datum->GetIsEstimated()));
                }
            }
            lines.append(classes.SeriesLine(dsl::GraphDecoration::ToString(one->GetDecoration()),
                                            Constraints(one->GetConstraints()), points));
        }
    }
    const Ptr<dsl::ParameterInformation> axis = graph ? graph->GetXAxisParameter() : nullptr;
    return MakeValue(classes.Series, function, Unit(function.GetUnitInformation()),
                     ParameterInfos(function.GetParameters()), axis ? Text(axis->GetName()) : None(),
                     graph && graph->GetLogarithmicYAxis(), lines);
}

py::object GridValue(dsl::FloatFunctionalGriddedDataType& function)
{
    PyClasses& classes = Classes();
    py::list values;
    if (function.GetValues()) {
        for (const Ptr<dsl::FloatFunctionalValue>& value : function.GetValues()->AccessValues()) {
            py::object point = None(), low = None(), high = None();
            if (const auto* single = dynamic_cast<const dsl::FloatFunctionalPointValue*>(value.get())) {
                point = py::float_(single->GetValue());
            } else if (const auto* range = dynamic_cast<const dsl::FloatFunctionalRangeValue*>(value.get())) {
                low = py::float_(range->GetLowValue());
                high = py::float_(range->GetHighValue());
            }
            values.append(classes.GridValue(point, low, high, value->GetEstimated(), Constraints(value->GetConstraints())));
        }
    }
    const dsl::GraphDecoration::eOptions decoration = function.GetDecoration();
    return MakeValue(classes.Grid, function, Unit(function.GetUnitInformation()), ParameterInfos(function.GetParameters()),
                     decoration == dsl::GraphDecoration::Unspecified ? None()
                                                                     : py::object(py::str(dsl::GraphDecoration::ToString(decoration))),
                     values);
}

py::object LinkedGroup(const Ptr<dsl::RecordLinkGroup>& group)
{
    py::list filters;
    for (dsl::TableFilters::eTablesFilter filter : group->GetTableFilters()) {
        filters.append(dsl::TableFilters::ToString(filter));
    }
    return Classes().LinkedGroup(group->GetName(), ShapeAll(group->GetLinkedRecords()), filters,
                                 group->GetStandardNames());
}

} // namespace

// --- References -------------------------------------------------------------------------

py::object Shape(const Ptr<dsl::TableReference>& table)
{
    if (!table) {
        return None();
    }
    return Classes().TableRef(Text(table->GetDBKey()), Text(table->GetTableName()), table->GetTableID(),
                              Text(table->GetTableGUID()));
}

py::object Shape(const Ptr<dsl::PartialTableReference>& table, const std::string& db)
{
    if (!table || (table->GetTableName().empty() && table->GetTableID() == 0 && table->GetTableGUID().empty())) {
        return None();
    }
    // The attribute references of a table all name it alike: they share one (immutable)
    // TableRef. Shapes are made with the interpreter lock held, which guards the last one made;
    // it is never released, so nothing is left to free after the interpreter has gone.
    static std::string s_db, s_name, s_guid;
    static int s_id = 0;
    static PyObject* s_last = nullptr;
    if (s_last && s_id == table->GetTableID() && s_name == table->GetTableName() && s_guid == table->GetTableGUID() &&
        s_db == db) {
        return py::reinterpret_borrow<py::object>(s_last);
    }
    py::object made =
        Classes().TableRef(Text(db), Text(table->GetTableName()), table->GetTableID(), Text(table->GetTableGUID()));
    Py_XDECREF(s_last);
    s_last = made.inc_ref().ptr();
    s_db = db;
    s_name = table->GetTableName();
    s_guid = table->GetTableGUID();
    s_id = table->GetTableID();
    return made;
}

py::object Shape(const Ptr<dsl::AttributeReference>& attribute)
{
    if (!attribute) {
        return None();
    }
    return Classes().AttributeRef(Text(attribute->GetDBKey()), Text(attribute->GetName()), attribute->GetAttributeID(),
                                  Shape(attribute->GetPartialTableReference(), attribute->GetDBKey()),
                                  attribute->GetIsStandardName());
}

py::object Shape(const Ptr<dsl::RecordReference>& record)
{
    if (!record) {
        return None();
    }
    return Classes().RecordRef(Text(record->GetDBKey()), record->GetIdentity(), Text(record->GetRecordGUID()),
                               Text(record->GetHistoryGUID()));
}

py::object Shape(const Ptr<dsl::ParameterReference>& parameter)
{
    if (!parameter) {
        return None();
    }
    return Classes().ParameterRef(Text(parameter->GetDBKey()), parameter->GetID(), Text(parameter->GetName()));
}

py::object Shape(const Ptr<dsl::SubsetReference>& subset)
{
    if (!subset) {
        return None();
    }
    return Classes().SubsetRef(Text(subset->GetDBKey()), subset->GetSubsetIdentity(), Text(subset->GetName()),
                               Shape(subset->GetPartialTableReference(), subset->GetDBKey()));
}

py::object Shape(const Ptr<dsl::RecordLinkGroupReference>& group)
{
    if (!group) {
        return None();
    }
    return Classes().LinkGroupRef(Text(group->GetDBKey()), group->GetRecordLinkGroupIdentity(), Text(group->GetName()),
                                  Text(group->GetRecordLinkGroupType()),
                                  Shape(group->GetPartialTableReference(), group->GetDBKey()), group->GetStandard());
}

py::object Shape(const Ptr<dsl::RevisionInfo>& revision)
{
    if (!revision) {
        return None();
    }
    return Classes().Revision(Text(revision->GetCreated()), Text(revision->GetCreatedUser()),
                              Text(revision->GetModified()), Text(revision->GetModifiedUser()),
                              revision->GetUpdateCount());
}

py::object Shape(const Ptr<dsl::NamedRecord>& record)
{
    if (!record) {
        return None();
    }
    return Classes().NamedRecord(Shape(record->GetRecordReference()), record->GetLongName(), record->GetShortName());
}

py::object Shape(const Ptr<dsl::NamedAttribute>& attribute)
{
    if (!attribute) {
        return None();
    }
    return Classes().NamedAttribute(Shape(attribute->GetAttribute()), attribute->GetName(), attribute->IsMeta());
}

py::object Shape(const Ptr<dsl::ParameterInformation>& parameter)
{
    if (!parameter) {
        return None();
    }
    return Classes().ParameterInfo(parameter->GetName(), Unit(parameter->GetUnit()));
}

py::object Shape(const Ptr<dsl::ParameterDetail>& parameter)
{
    if (!parameter) {
        return None();
    }
    PyClasses& classes = Classes();
    static const char* const s_scales[] = {"NotSet", "Linear", "Log"};
    static const char* const s_interpolations[] = {"None", "Linear", "CubicSpline"};
    static const char* const s_types[] = {"NumericUnrestricted", "NumericRestricted", "Discrete"};
    auto choice = [&](const Ptr<dsl::DorsaParameterValue>& value) {
        return value ? classes.ParameterChoice(value->GetValue(), Text(value->GetValueName())) : None();
    };
    py::list values;
    for (const Ptr<dsl::DorsaParameterValue>& value : parameter->GetParameterValues()) {
        values.append(choice(value));
    }
    const Ptr<dsl::HelpInfo> help = parameter->GetHelpInfo();
    return classes.ParameterDetail(Shape(parameter->GetParameterReference()), parameter->GetName(),
                                   Unit(parameter->GetUnit()), s_types[parameter->GetParameterType()],
                                   s_scales[parameter->GetScaleType()],
                                   s_interpolations[parameter->GetInterpolationType()], choice(parameter->GetDefaultValue()),
                                   values, Shape(parameter->GetAppliesToAttribute()),
                                   Shape(parameter->GetAppliesToRecord()), parameter->GetOrder(),
                                   help ? Text(help->GetHelpURI()) : None(), Shape(parameter->GetRevisionInfo()));
}

py::object Shape(const Ptr<dsl::TreeRecord>& record)
{
    if (!record) {
        return None();
    }
    return Classes().TreeRecord(Shape(record->GetRecordReference()), record->GetLongName(), record->GetShortName(),
                                Text(record->GetType()), record->GetColor(), record->GetParentRecordHistoryIdentity(),
                                record->GetHasChildren(), ShapeAll(record->AccessChildren()));
}

py::object Shape(const Ptr<dsl::CurrencyDetail>& currency)
{
    return Classes().Currency(currency->GetCode(), currency->GetName(), currency->GetFactor());
}

py::object Shape(const Ptr<dsl::SearchResult>& hit)
{
    return Classes().SearchHit(Shape(hit->GetRecordReference()), hit->GetLongName(), hit->GetShortName(),
                               Text(hit->GetRanking()), Text(hit->GetColor()), Text(hit->GetRecordType()));
}

py::object Shape(const Ptr<dsl::LinkedRecordsDataType>& links)
{
    py::list groups;
    if (links) {
        for (const Ptr<dsl::RecordLinkGroup>& group : links->AccessRecordLinkGroups()) {
            groups.append(LinkedGroup(group));
        }
    }
    return groups;
}

py::object Shape(const Ptr<dsl::RecordData>& data)
{
    PyClasses& classes = Classes();
    py::list values;
    for (const Ptr<dsl::AttributeValue>& value : data->AccessAttributeValues()) {
        values.append(classes.AttributeValue(value->GetAttributeName(), value->GetAttributeID(),
                                             Text(value->GetStandardAttributeName()), value->GetDataType(),
                                             ShapeValue(value->GetDataValue())));
    }
    return classes.RecordData(Shape(data->GetRecordReference()), values);
}

// --- Values -----------------------------------------------------------------------------

py::object ShapeParameterValue(const Ptr<dsl::ParameterValue>& value)
{
    if (!value) {
        return None();
    }
    return value->eGetType() == dsl::ParameterValue::Numeric ? py::object(py::float_(value->GetValue_Numeric()))
                                                              : py::object(py::str(value->GetValue_Discrete()));
}

py::object ShapeValue(const Ptr<dsl::IDataValue>& pointer)
{
    if (!pointer) {
        return None();
    }
    PyClasses& classes = Classes();
    dsl::IDataValue& value = *pointer;
    if (auto* integer = dynamic_cast<dsl::IntegerDataType*>(&value)) {
        return MakeValue(classes.Scalar, value, integer->GetValue());
    }
    if (auto* logical = dynamic_cast<dsl::LogicalDataType*>(&value)) {
        return MakeValue(classes.Scalar, value, logical->GetValue());
    }
    if (auto* text = dynamic_cast<dsl::ShortTextDataType*>(&value)) {
        return MakeValue(classes.Scalar, value, text->GetValue());
    }
    if (auto* text = dynamic_cast<dsl::LongTextDataType*>(&value)) {
        return MakeValue(classes.Scalar, value, text->GetValue());
    }
    if (auto* date = dynamic_cast<dsl::DateTimeDataType*>(&value)) {
        return MakeValue(classes.Scalar, value, date->GetValue());
    }
    if (auto* link = dynamic_cast<dsl::HyperlinkDataType*>(&value)) {
        return MakeValue(classes.Hyperlink, value, link->GetValue(), Text(link->GetDescription()));
    }
    if (auto* discrete = dynamic_cast<dsl::DiscreteDataType*>(&value)) {
        py::list choices;
        for (const Ptr<dsl::DiscreteValue>& choice : discrete->AccessDiscreteValues()) {
            choices.append(choice->GetValue());
        }
        return MakeValue(classes.Discrete, value, choices);
    }
    if (auto* point = dynamic_cast<dsl::PointDataType*>(&value)) {
        return Point(*point);
    }
    if (auto* range = dynamic_cast<dsl::RangeDataType*>(&value)) {
        return Range(*range);
    }
    if (auto* file = dynamic_cast<dsl::FileDataType*>(&value)) {
        return MakeValue(classes.File, value, Text(file->GetFileName()), Text(file->GetDescription()),
                         Text(file->GetContentType()), Text(file->GetURL()), Binary(*file));
    }
    if (auto* picture = dynamic_cast<dsl::PictureDataType*>(&value)) {
        return MakeValue(classes.Picture, value, Text(picture->GetContentType()), Text(picture->GetURL()),
                         Binary(*picture));
    }
    if (auto* table = dynamic_cast<dsl::TabularDataType*>(&value)) {
        return Tabular(*table);
    }
    if (auto* list = dynamic_cast<dsl::ListDataType*>(&value)) {
        py::list items;
        for (const dsl::ListItem& item : list->GetItems()) {
            items.append(classes.ListItem(item.sourceRecordHistoryId, ShapeValue(item.value)));
        }
        return MakeValue(classes.ListValue, value, items);
    }
    if (auto* series = dynamic_cast<dsl::FloatFunctionalSeriesDataType*>(&value)) {
        return SeriesValue(*series);
    }
    if (auto* gridded = dynamic_cast<dsl::FloatFunctionalGriddedDataType*>(&value)) {
        return GridValue(*gridded);
    }
    if (auto* links = dynamic_cast<dsl::LinkedRecordsDataType*>(&value)) {
        return MakeValue(classes.LinkedRecords, value, Shape(Ptr<dsl::LinkedRecordsDataType>(links)));
    }
    return MakeValue(classes.Empty, value);
}

} // namespace dorsapy
