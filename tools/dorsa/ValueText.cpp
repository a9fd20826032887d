#include "ValueText.h"

#include "Commands.h"
#include "ValueTypes.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>
#include <vector>

namespace dorsatool {

using namespace zvrtkDorsaServiceLayer;

namespace {

const char* const s_dash = "\u2013";

const std::map<std::string, std::string> s_typeNames = {
    {AttributeTypes::POINT_TYPE_STRING, "point"},
    {AttributeTypes::RANGE_TYPE_STRING, "range"},
    {AttributeTypes::FLOAT_FUNCTIONAL_TYPE_STRING, "functional"},
    {AttributeTypes::INTEGER_TYPE_STRING, "integer"},
    {AttributeTypes::LOGICAL_TYPE_STRING, "logical"},
    {AttributeTypes::DISCRETE_TYPE_STRING, "discrete"},
    {AttributeTypes::SHORT_TEXT_TYPE_STRING, "short text"},
    {AttributeTypes::LONG_TEXT_TYPE_STRING, "long text"},
    {AttributeTypes::DATE_TIME_TYPE_STRING, "date"},
    {AttributeTypes::HYPERLINK_TYPE_STRING, "hyperlink"},
    {AttributeTypes::PICTURE_TYPE_STRING, "picture"},
    {AttributeTypes::FILE_TYPE_STRING, "file"},
    {AttributeTypes::DISCRETE_FUNCTIONAL_TYPE_STRING, "discrete functional"},
    {AttributeTypes::MATHS_FUNCTIONAL_TYPE_STRING, "maths functional"},
    {AttributeTypes::TABULAR_TYPE_STRING, "tabular"},
    {AttributeTypes::LIST_TYPE_STRING, "list"},
    {AttributeTypes::EMPTY_TYPE_STRING, "empty"},
    {AttributeTypes::LINK_TYPE_STRING, "linked records"},
    {AttributeTypes::FLOAT_FUNCTIONAL_SERIES_TYPE_STRING, "functional series"},
    {AttributeTypes::FLOAT_FUNCTIONAL_GRIDDED_TYPE_STRING, "functional grid"},
};

std::string WithUnit(const std::string& number, const std::string& unit)
{
    return unit.empty() ? number : number + " " + unit;
}

// One line: a value inside a table cell or a list keeps to its cell.
std::string OneLine(std::string text)
{
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

// The parameters a value depends on, found by identity or else by name.
class ParameterUnits final {
public:
    explicit ParameterUnits(const SmartPtr<Parameters>& parameters)
    {
        if (!parameters) {
            return;
        }
        for (const SmartPtr<ParameterInformation>& parameter : parameters->AccessParameters()) {
            const SmartPtr<ParameterReference> reference = parameter->GetParameterReference();
            const std::string symbol = UnitSymbol(parameter->GetUnit());
            if (reference && reference->GetID() != 0) {
                m_byIdentity[reference->GetID()] = symbol;
            }
            m_byName[parameter->GetName()] = symbol;
        }
    }

    std::string Unit(const SmartPtr<ParameterReference>& reference) const
    {
        if (!reference) {
            return "";
        }
        const auto byIdentity = m_byIdentity.find(reference->GetID());
        if (byIdentity != m_byIdentity.end()) {
            return byIdentity->second;
        }
        const auto byName = m_byName.find(reference->GetName());
        return byName == m_byName.end() ? "" : byName->second;
    }

private:
    std::map<int, std::string> m_byIdentity;
    std::map<std::string, std::string> m_byName;
};

std::string ParameterName(const SmartPtr<ParameterReference>& reference)
{
    return reference ? reference->GetName() : "";
}

// The values one parameter takes across a function, for a short summary of it.
class ValueSpread final {
public:
    void Add(const SmartPtr<ParameterValue>& value)
    {
        if (!value) {
            return;
        }
        if (value->eGetType() == ParameterValue::Numeric) {
            m_numbers.insert(value->GetValue_Numeric());
        } else {
            m_names.insert(value->GetValue_Discrete());
        }
    }
    void Add(double number) { m_numbers.insert(number); }
    bool Empty() const { return m_numbers.empty() && m_names.empty(); }

    // "20, 300 °C" for a few values, "0–40 %" for many.
    std::string Text(const std::string& unit, bool alwaysRange = false) const
    {
        std::vector<std::string> parts;
        if (m_numbers.size() > 3 || (alwaysRange && m_numbers.size() > 1)) {
            parts.push_back(WithUnit(Number(*m_numbers.begin()) + s_dash + Number(*m_numbers.rbegin()), unit));
        } else if (!m_numbers.empty()) {
            std::vector<std::string> numbers;
            for (const double number : m_numbers) {
                numbers.push_back(Number(number));
            }
            parts.push_back(WithUnit(Join(numbers), unit));
        }
        parts.insert(parts.end(), m_names.begin(), m_names.end());
        return Join(parts);
    }

private:
    std::set<double> m_numbers;
    std::set<std::string> m_names;
};

// The spread of every constrained parameter, by name in the order first met.
class ConstraintSpreads final {
public:
    void Add(const SmartPtr<Constraints>& constraints)
    {
        if (!constraints) {
            return;
        }
        for (const SmartPtr<Constraint>& constraint : constraints->AccessConstraints()) {
            const std::string name = ParameterName(constraint->GetParameter());
            if (m_spreads.find(name) == m_spreads.end()) {
                m_order.push_back({name, constraint->GetParameter()});
            }
            m_spreads[name].Add(constraint->GetValue());
        }
    }

    std::vector<std::string> Texts(const ParameterUnits& units) const
    {
        std::vector<std::string> texts;
        for (const auto& [name, reference] : m_order) {
            texts.push_back(name + " " + m_spreads.at(name).Text(units.Unit(reference)));
        }
        return texts;
    }

private:
    std::vector<std::pair<std::string, SmartPtr<ParameterReference>>> m_order;
    std::map<std::string, ValueSpread> m_spreads;
};

std::string TextOf(PointDataType& point)
{
    const ParameterUnits units(point.GetParameters());
    std::vector<std::string> points;
    for (const SmartPtr<PointValueWithParameters>& item : point.AccessPoints()) {
        std::string text = WithUnit(Number(item->GetValue()), point.GetUnitSymbol());
        std::vector<std::string> conditions;
        if (item->GetParameters()) {
            for (const SmartPtr<ParameterReferenceAndValue>& parameter : item->GetParameters()->AccessParameterValues()) {
                conditions.push_back(WithUnit(ParameterValueText(parameter->GetValue()), units.Unit(parameter->GetParameter())));
            }
        }
        points.push_back(conditions.empty() ? text : text + " @ " + Join(conditions));
    }
    return Join(points, "; ");
}

// "200–250 MPa"; a range open at one end as "≥ 205 MPa" or "≤ 250 MPa".
std::string TextOf(const RangeDataType& range)
{
    const std::string unit = range.GetUnitSymbol();
    if (!range.HasLowBound()) {
        return range.HasHighBound() ? WithUnit("\u2264 " + Number(range.GetHigh()), unit) : "unbounded";
    }
    if (!range.HasHighBound()) {
        return WithUnit("\u2265 " + Number(range.GetLow()), unit);
    }
    return WithUnit(Number(range.GetLow()) + s_dash + Number(range.GetHigh()), unit);
}

std::string BinaryText(const BinaryDataType& binary, const std::string& fileName)
{
    std::vector<std::string> parts;
    for (const std::string& part : {fileName, binary.GetContentType()}) {
        if (!part.empty()) {
            parts.push_back(part);
        }
    }
    const std::string data = binary.GetData();
    if (!data.empty()) {
        parts.push_back(std::to_string(data.size()) + (data.size() == 1 ? " byte" : " bytes"));
    }
    if (!binary.GetURL().empty()) {
        parts.push_back(binary.GetURL());
    }
    return Join(parts);
}

std::string TextOf(TabularDataType& table)
{
    TextTable nested{{}, {}};
    for (const SmartPtr<TabularColumn>& column : table.GetColumns()) {
        nested.headers.push_back(column->GetName());
    }
    bool linked = false;
    for (const SmartPtr<TabularDataRow>& row : table.GetRows()) {
        linked = linked || !row->GetLinkedRecords().empty();
    }
    if (linked) {
        nested.headers.push_back("(linked records)");
    }
    const auto addRow = [&](TabularDataRow& row) {
        std::vector<std::string> cells;
        for (const SmartPtr<TabularDataCell>& cell : row.GetData()) {
            cells.push_back(cell ? OneLine(ValueText(cell->GetData())) : "");
        }
        cells.resize(table.GetColumns().size());
        if (linked) {
            std::vector<std::string> records;
            for (const SmartPtr<RecordReference>& record : row.GetLinkedRecords()) {
                records.push_back(std::to_string(record->GetIdentity()));
            }
            cells.push_back(Join(records));
        }
        nested.rows.push_back(cells);
    };
    for (const SmartPtr<TabularDataRow>& row : table.GetRows()) {
        addRow(*row);
    }
    if (table.GetSummary() && !table.GetSummary()->GetData().empty()) {
        addRow(*table.GetSummary());
    }
    std::string text = FormatTable(nested);
    text.erase(text.find_last_not_of('\n') + 1);
    return text;
}

std::string TextOf(ListDataType& list)
{
    std::vector<std::string> items;
    for (const ListItem& item : list.GetItems()) {
        const std::string text = OneLine(ValueText(item.value));
        if (!text.empty()) {
            items.push_back(text);
        }
    }
    return Join(items, "; ");
}

std::string TextOf(FloatFunctionalSeriesDataType& function)
{
    const ParameterUnits units(function.GetParameters());
    const SmartPtr<FloatFunctionalSeriesGraph> graph = function.GetGraph();
    if (!graph) {
        return "no graph";
    }
    ValueSpread x;
    ValueSpread y;
    ConstraintSpreads constraints;
    size_t points = 0;
    for (const SmartPtr<Series>& series : graph->AccessSeries()) {
        constraints.Add(series->GetConstraints());
        if (!series->GetXYPoints()) {
            continue;
        }
        for (const SmartPtr<XYDatum>& datum : series->GetXYPoints()->AccessXYPoints()) {
            ++points;
            x.Add(datum->GetParameterValue());
            if (const auto* point = dynamic_cast<const XYPoint*>(datum.get())) {
                y.Add(point->GetY());
            } else if (const auto* range = dynamic_cast<const XYRange*>(datum.get())) {
                y.Add(range->GetLowerY());
                y.Add(range->GetUpperY());
            }
        }
    }
    const size_t count = graph->AccessSeries().size();
    std::vector<std::string> parts{std::to_string(count) + " series, " +
                                   std::to_string(points) + (points == 1 ? " point" : " points")};
    const SmartPtr<ParameterInformation> axis = graph->GetXAxisParameter();
    if (!x.Empty()) {
        const std::string name = axis ? axis->GetName() : "x";
        parts.push_back(name + " " + x.Text(units.Unit(axis ? axis->GetParameterReference() : nullptr), true));
    }
    for (const std::string& text : constraints.Texts(units)) {
        parts.push_back(text);
    }
    if (!y.Empty()) {
        parts.push_back("values " + y.Text(UnitSymbol(function.GetUnitInformation()), true));
    }
    return Join(parts, "; ");
}

std::string TextOf(FloatFunctionalGriddedDataType& function)
{
    const ParameterUnits units(function.GetParameters());
    ValueSpread y;
    ConstraintSpreads constraints;
    size_t count = 0;
    if (function.GetValues()) {
        for (const SmartPtr<FloatFunctionalValue>& value : function.GetValues()->AccessValues()) {
            ++count;
            constraints.Add(value->GetConstraints());
            if (const auto* point = dynamic_cast<const FloatFunctionalPointValue*>(value.get())) {
                y.Add(point->GetValue());
            } else if (const auto* range = dynamic_cast<const FloatFunctionalRangeValue*>(value.get())) {
                y.Add(range->GetLowValue());
                y.Add(range->GetHighValue());
            }
        }
    }
    std::vector<std::string> parts{std::to_string(count) + (count == 1 ? " value" : " values")};
    for (const std::string& text : constraints.Texts(units)) {
        parts.push_back(text);
    }
    if (!y.Empty()) {
        parts.push_back("values " + y.Text(UnitSymbol(function.GetUnitInformation()), true));
    }
    return Join(parts, "; ");
}

std::string TextOf(IntegerDataType& integer)
{
    return std::to_string(integer.GetValue());
}

std::string TextOf(LogicalDataType& logical)
{
    return logical.GetValue() ? "yes" : "no";
}

std::string TextOf(ShortTextDataType& text)
{
    return text.GetValue();
}

std::string TextOf(LongTextDataType& text)
{
    return text.GetValue();
}

std::string TextOf(DateTimeDataType& date)
{
    return date.GetValue();
}

std::string TextOf(HyperlinkDataType& link)
{
    return link.GetDescription().empty() ? link.GetValue() : link.GetDescription() + " <" + link.GetValue() + ">";
}

std::string TextOf(DiscreteDataType& discrete)
{
    std::vector<std::string> choices;
    for (const SmartPtr<DiscreteValue>& choice : discrete.AccessDiscreteValues()) {
        choices.push_back(choice->GetValue());
    }
    return Join(choices);
}

std::string TextOf(EmptyDataType&)
{
    return "";
}

std::string TextOf(FileDataType& file)
{
    return BinaryText(file, file.GetFileName());
}

std::string TextOf(PictureDataType& picture)
{
    return BinaryText(picture, "");
}

// A type the tool has no text for: its name.
std::string TextOf(IDataValue& value)
{
    return "(" + TypeName(value.GetTypeString()) + ")";
}

} // namespace

const char* ColumnKind(TabularColumn::eColType type)
{
    switch (type) {
    case TabularColumn::Local:
        return "local";
    case TabularColumn::TargetAttribute:
        return "target attribute";
    case TabularColumn::TargetRecord:
        return "target record";
    case TabularColumn::TargetTabularColumn:
        return "target column";
    case TabularColumn::Unrecognised:
        break;
    }
    return "unavailable";
}

std::string UnitSymbol(const SmartPtr<UnitInformation>& unit)
{
    return unit ? unit->GetUnitSymbol() : "";
}

std::string TypeName(const std::string& typeCode)
{
    const auto found = s_typeNames.find(typeCode);
    return found == s_typeNames.end() ? typeCode : found->second;
}

std::string ValueText(const SmartPtr<IDataValue>& value)
{
    if (!value) {
        return "";
    }
    if (!value->IsApplicable()) {
        return "n/a";
    }
    std::string text = WithValueType(*value, [](auto& typed) { return TextOf(typed); });
    const auto* unitted = dynamic_cast<const UnittedRealDataType*>(value.get());
    if (unitted && unitted->IsEstimated()) {
        text += " (estimated)";
    }
    if (value->IsFallback()) {
        text += " (fallback)";
    }
    return text;
}

std::string ParameterValueText(const SmartPtr<ParameterValue>& value)
{
    if (!value) {
        return "";
    }
    return value->eGetType() == ParameterValue::Numeric ? Number(value->GetValue_Numeric()) : value->GetValue_Discrete();
}

} // namespace dorsatool
