#include "dorsa/ServiceLayer.h"
#include "support/Fixtures.h"
#include "support/XmlFragments.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <string>
#include <utility>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

using ValueForms = StartedLibrary;

const std::string s_notApplicable = " zbt:isNotApplicable=\"false\"";

SmartPtr<IDataValue> Read(const char* code, const std::string& xml)
{
    Fragment fragment(xml);
    return DataValueFactoryNew::CreateOne(code, fragment.Root());
}

SmartPtr<ParameterReferenceAndValue> Condition(const std::string& name, double value)
{
    SmartPtr<ParameterReferenceAndValue> condition = new ParameterReferenceAndValue;
    condition->GetParameter()->SetName(name);
    condition->GetValue()->SetValue_Numeric(value);
    return condition;
}

struct WriteCase {
    const char* name;
    std::function<SmartPtr<IDataValue>()> make;
    std::string expected;
};

TEST_F(ValueForms, EachImportableTypeWritesItsExactForm)
{
    const WriteCase cases[] = {
        {"integer", [] { return Read("INPT", "<IntegerDataValue>42</IntegerDataValue>"); },
         "<zbt:IntegerDataValue>42</zbt:IntegerDataValue>"},
        {"logical", [] { return Read("LOGI", "<LogicalDataValue>Y</LogicalDataValue>"); },
         "<zbt:LogicalDataValue>true</zbt:LogicalDataValue>"},
        {"escaped text", [] { return Read("STXT", "<ShortTextDataValue>a &lt; b</ShortTextDataValue>"); },
         "<zbt:ShortTextDataValue>a &lt; b</zbt:ShortTextDataValue>"},
        {"hyperlink", [] { return Read("HLNK", "<HyperlinkDataValue><Value>http://x</Value></HyperlinkDataValue>"); },
         "<zbt:HyperlinkDataValue><zbt:Value>http://x</zbt:Value><zbt:Description/></zbt:HyperlinkDataValue>"},
        {"discrete", [] { return Read("DISC", "<DiscreteDataValue><Discrete order=\"4\">Excellent</Discrete>"
                                              "</DiscreteDataValue>"); },
         "<zbt:DiscreteDataValue><zbt:Discrete zbt:order=\"4\">Excellent</zbt:Discrete></zbt:DiscreteDataValue>"},
        {"range with only a low bound",
         [] { return Read("RNGE", "<RangeDataValue isNotApplicable=\"true\"><UnitSymbol>MPa</UnitSymbol>"
                                  "<LowValue>205</LowValue></RangeDataValue>"); },
         "<zbt:RangeDataValue" + s_notApplicable + "><zbt:Estimated>false</zbt:Estimated><zbt:UnitSymbol>MPa"
         "</zbt:UnitSymbol><zbt:LowValue>2.05000000000000000e+02</zbt:LowValue><zbt:HighValue>NaN</zbt:HighValue>"
         "</zbt:RangeDataValue>"},
        {"file, URL not sent", [] {
             SmartPtr<FileDataType> file = new FileDataType;
             file->SetDescription("Datasheet");
             file->SetFileName("a.txt");
             file->SetURL("http://host/a.txt");
             file->SetContentType("text/plain");
             file->SetData("hi");
             return SmartPtr<IDataValue>(file);
         },
         "<zbt:FileDataValue><zbt:data>aGk=</zbt:data><zbt:contentType>text/plain</zbt:contentType><zbt:fileName>a.txt"
         "</zbt:fileName><zbt:description>Datasheet</zbt:description></zbt:FileDataValue>"},
        {"point with a parameter", [] {
             SmartPtr<PointDataType> point = new PointDataType;
             point->SetUnitSymbol("kg/m^3");
             SmartPtr<PointValueWithParameters> value = new PointValueWithParameters;
             value->SetValue(7900);
             value->GetParameters()->AddParameterValue(Condition("Temperature", 20));
             point->AddPoint(value);
             return SmartPtr<IDataValue>(point);
         },
         "<zbt:PointDataValue" + s_notApplicable + "><zbt:Estimated>false</zbt:Estimated><zbt:UnitSymbol>kg/m^3"
         "</zbt:UnitSymbol><zbt:Parameters/><zbt:Point><zbt:Value>7.90000000000000000e+03</zbt:Value>"
         "<zbt:ValueParameters><zbt:ParameterWithValue><zbt:Parameter><zbt:dbKey/><zbt:name>Temperature</zbt:name>"
         "</zbt:Parameter><zbt:ParameterValue xsi:type=\"zbt:NumericParameterValue\"><zbt:Value>"
         "2.00000000000000000e+01</zbt:Value></zbt:ParameterValue></zbt:ParameterWithValue></zbt:ValueParameters>"
         "</zbt:Point></zbt:PointDataValue>"},
        {"default series", [] { return SmartPtr<IDataValue>(new FloatFunctionalSeriesDataType); },
         "<zbt:FloatFunctionalSeriesDataValue" + s_notApplicable + "><zbt:Parameters/><zbt:Unit/><zbt:Graph "
         "zbt:HideGraph=\"false\" zbt:LogarithmicYAxis=\"false\"><zbt:XAxisParameter><zbt:ParameterReference>"
         "<zbt:dbKey/></zbt:ParameterReference><zbt:Unit/></zbt:XAxisParameter></zbt:Graph>"
         "</zbt:FloatFunctionalSeriesDataValue>"},
        {"series read from a server", [] {
             return Read("FLOAT_FUNCTIONAL_SERIES",
                         "<FloatFunctionalSeriesDataValue><Graph><Series decoration=\"Lines\"><XYPoints>"
                         "<XYPoint xsi:type=\"zbt:XYRange\"><X type=\"Discrete\"><Value>hot</Value></X>"
                         "<LowerY>1</LowerY><UpperY>2</UpperY></XYPoint><XYPoint><Y>9</Y></XYPoint></XYPoints>"
                         "</Series></Graph></FloatFunctionalSeriesDataValue>");
         },
         "<zbt:FloatFunctionalSeriesDataValue" + s_notApplicable + "><zbt:Parameters/><zbt:Unit/><zbt:Graph "
         "zbt:HideGraph=\"false\" zbt:LogarithmicYAxis=\"false\"><zbt:Series zbt:decoration=\"Markers\">"
         "<zbt:Constraints/><zbt:XYPoints><zbt:XYPoint xsi:type=\"zbt:XYRange\"><zbt:X xsi:type="
         "\"zbt:DiscreteParameterValue\"><zbt:Value>hot</zbt:Value></zbt:X><zbt:Estimated>false</zbt:Estimated>"
         "<zbt:LowerY>1.00000000000000000e+00</zbt:LowerY><zbt:UpperY>2.00000000000000000e+00</zbt:UpperY>"
         "</zbt:XYPoint></zbt:XYPoints></zbt:Series><zbt:XAxisParameter><zbt:ParameterReference><zbt:dbKey/>"
         "</zbt:ParameterReference><zbt:Unit/></zbt:XAxisParameter></zbt:Graph></zbt:FloatFunctionalSeriesDataValue>"},
        {"default gridded", [] { return SmartPtr<IDataValue>(new FloatFunctionalGriddedDataType); },
         "<zbt:FloatFunctionalGriddedDataValue" + s_notApplicable + " zbt:decoration=\"Markers\"><zbt:Parameters/>"
         "<zbt:Unit/><zbt:Values/></zbt:FloatFunctionalGriddedDataValue>"},
        {"gridded range", [] {
             return Read("FLOAT_FUNCTIONAL_GRIDDED",
                         "<FloatFunctionalGriddedDataValue decoration=\"LinesAndMarkers\"><Values>"
                         "<Value type=\"FloatFunctionalRangedValue\"><Constraints><Constraint><Label/></Constraint>"
                         "</Constraints><Low>1</Low><High>2</High></Value><Value><Value>3</Value></Value></Values>"
                         "</FloatFunctionalGriddedDataValue>");
         },
         "<zbt:FloatFunctionalGriddedDataValue" + s_notApplicable + " zbt:decoration=\"LinesAndMarkers\">"
         "<zbt:Parameters/><zbt:Unit/><zbt:Values><zbt:Value xsi:type=\"zbt:FloatFunctionalRangedValue\">"
         "<zbt:Constraints><zbt:Constraint><zbt:Parameter><zbt:dbKey/></zbt:Parameter><zbt:ParameterValue "
         "xsi:type=\"zbt:DiscreteParameterValue\"><zbt:Value/></zbt:ParameterValue></zbt:Constraint>"
         "</zbt:Constraints><zbt:Estimated>false</zbt:Estimated><zbt:Low>1.00000000000000000e+00</zbt:Low>"
         "<zbt:High>2.00000000000000000e+00</zbt:High></zbt:Value></zbt:Values></zbt:FloatFunctionalGriddedDataValue>"},
        {"list", [] { return Read("LIST", "<ListDataValue><listItem><Integer>1</Integer></listItem></ListDataValue>"); },
         "<zbt:ListDataValue/>"},
        {"empty", [] { return SmartPtr<IDataValue>(EmptyDataType::CreateOne(nullptr)); }, "<zbt:Empty/>"},
    };
    for (const WriteCase& c : cases) {
        const SmartPtr<IDataValue> value = c.make();
        ASSERT_TRUE(value) << c.name;
        EXPECT_EQ(WrittenValue(*value), c.expected) << c.name;
    }
}

TEST_F(ValueForms, NaNBoundsInAnyLetterCaseAreAbsent)
{
    for (const char* nan : {"NaN", "nan", "NAN", "nAn"}) {
        const SmartPtr<IDataValue> value = Read("RNGE", std::string("<RangeDataValue><LowValue>") + nan +
                                                            "</LowValue><HighValue>3</HighValue></RangeDataValue>");
        const auto* range = dynamic_cast<RangeDataType*>(value.get());
        ASSERT_NE(range, nullptr);
        EXPECT_EQ(range->GetRangeType(), RangeDataType::s_highBound) << nan;
    }
    RangeDataType range;
    range.SetLow(1.0);
    range.SetHigh(2.0);
    range.ClearLow();
    range.ClearHigh();
    EXPECT_TRUE(range.IsEmptyRange());
    EXPECT_NE(range.GetLow(), range.GetLow()) << "a cleared bound is NaN";
}

SmartPtr<TabularDataType> CompositionForImport()
{
    SmartPtr<TabularDataType> table = TabularDataType::CreateOne();
    table->AddColumn(TabularColumn::CreateOne("Element"));
    table->AddColumn(TabularColumn::CreateOne("Tested"));
    SmartPtr<TabularDataRow> row = table->PushRow();
    SmartPtr<ShortTextDataType> element = new ShortTextDataType;
    element->SetValue("Fe");
    row->AtCol(table->GetColumns()[0]) = TabularDataCell::CreateOne(element, table->GetColumns()[0].get());
    SmartPtr<DateTimeDataType> tested = new DateTimeDataType;
    tested->SetValue("2016-03-14");
    row->At(1)->SetData(tested);
    row->SetLinkingVal("Fe");
    return table;
}

TEST_F(ValueForms, ATableIsImportedAsRowsUntilARowChanges)
{
    SmartPtr<TabularDataType> table = CompositionForImport();
    EXPECT_EQ(WrittenValue(*table),
              "<zbt:TabularDataImportValue><zbt:Rows><zbt:Row zbt:linkingValue=\"Fe\"><zbt:Cells>"
              "<zbt:Cell zbt:columnName=\"Element\"><zbt:ShortText>Fe</zbt:ShortText></zbt:Cell>"
              "<zbt:Cell zbt:columnName=\"Tested\"><zbt:Date>2016-03-14</zbt:Date></zbt:Cell></zbt:Cells></zbt:Row>"
              "</zbt:Rows></zbt:TabularDataImportValue>");

    table->PushRowForUpdate(TabularDataType::Delete, 7);
    table->PushRowForUpdate(TabularDataType::Update, 12)->At(0)->SetData(EmptyDataType::CreateOne(nullptr));
    table->PushRowForUpdate(TabularDataType::InsertBefore, 0);
    EXPECT_EQ(WrittenValue(*table),
              "<zbt:TabularDataImportValue><zbt:Changes><zbt:InsertBefore><zbt:Cells/></zbt:InsertBefore>"
              "<zbt:Update zbt:rowIdentity=\"12\"><zbt:Cells><zbt:Cell zbt:columnName=\"Element\"><zbt:Empty/>"
              "</zbt:Cell></zbt:Cells></zbt:Update><zbt:Delete zbt:rowIdentity=\"7\"><zbt:Cells/></zbt:Delete>"
              "</zbt:Changes></zbt:TabularDataImportValue>");
}

// One row, then an update and a delete: three rows, two of them changes.
SmartPtr<TabularDataType> CompositionWithChanges()
{
    SmartPtr<TabularDataType> table = CompositionForImport();
    table->PushRowForUpdate(TabularDataType::Update, 12)->At(0)->SetData(EmptyDataType::CreateOne(nullptr));
    table->PushRowForUpdate(TabularDataType::Delete, 7);
    return table;
}

// A copy of a copy, made once by construction and once by assignment.
TabularDataType CopyOfCopy(const TabularDataType& table)
{
    const TabularDataType copy(table);
    TabularDataType copyOfCopy;
    copyOfCopy = copy;
    return copyOfCopy;
}

// The copy imports the same, and holds each source row once.
TEST_F(ValueForms, ACopyOfACopyImportsTheSameInEitherMode)
{
    SmartPtr<TabularDataType> appended = CompositionForImport();
    appended->PushRowForUpdate(TabularDataType::Append, 0)->At(0)->SetData(new IntegerDataType);
    const std::pair<const char*, SmartPtr<TabularDataType>> cases[] = {
        {"whole table", CompositionForImport()},
        {"row changes", CompositionWithChanges()},
        {"appended row", appended},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        TabularDataType copy = CopyOfCopy(*c.second);
        EXPECT_EQ(WrittenValue(copy), WrittenValue(*c.second));
        ASSERT_EQ(copy.GetRows().size(), c.second->GetRows().size());
        for (std::size_t i = 0; i < copy.GetRows().size(); ++i) {
            EXPECT_EQ(Written(*copy.GetRows()[i]), Written(*c.second->GetRows()[i])) << "row " << i;
        }
    }
}

TEST_F(ValueForms, ACopiedChangeRowIsAlsoOneOfTheCopysRows)
{
    SmartPtr<TabularDataType> table = CompositionWithChanges();
    TabularDataType copy(*table);
    const std::string sourceImport = WrittenValue(*table);
    // The delete row, reached through the rows rather than the changes.
    copy.GetRows()[2]->SetIdentity(8);
    EXPECT_EQ(WrittenValue(copy),
              "<zbt:TabularDataImportValue><zbt:Changes><zbt:Update zbt:rowIdentity=\"12\"><zbt:Cells>"
              "<zbt:Cell zbt:columnName=\"Element\"><zbt:Empty/></zbt:Cell></zbt:Cells></zbt:Update>"
              "<zbt:Delete zbt:rowIdentity=\"8\"><zbt:Cells/></zbt:Delete></zbt:Changes></zbt:TabularDataImportValue>");
    EXPECT_EQ(WrittenValue(*table), sourceImport);
}

TEST_F(ValueForms, SettingACopiedCellLeavesTheSourceAlone)
{
    SmartPtr<TabularDataType> table = CompositionForImport();
    const std::string sourceImport = WrittenValue(*table);
    TabularDataType copy(*table);
    copy.GetRows()[0]->At(0)->SetData(EmptyDataType::CreateOne(nullptr));
    EXPECT_EQ(WrittenValue(*table), sourceImport);
    EXPECT_NE(WrittenValue(copy), sourceImport);
}

TEST_F(ValueForms, ACopyHasItsOwnSummaryWithTheSourceCells)
{
    const SmartPtr<IDataValue> value =
        Read("TABL", "<TabularDataValue><columns><column>Mass</column></columns><summaryRow><Cells>"
                     "<TabularDataCell><Integer>3</Integer></TabularDataCell></Cells></summaryRow></TabularDataValue>");
    auto* table = dynamic_cast<TabularDataType*>(value.get());
    ASSERT_NE(table, nullptr);
    ASSERT_TRUE(table->GetSummary());
    const TabularDataType copy = CopyOfCopy(*table);
    ASSERT_TRUE(copy.GetSummary());
    EXPECT_NE(copy.GetSummary().get(), table->GetSummary().get());
    EXPECT_EQ(Written(*copy.GetSummary()), Written(*table->GetSummary()));
    EXPECT_EQ(Written(*copy.GetSummary()),
              "<zbt:Cells><zbt:Cell zbt:columnName=\"Mass\"><zbt:Integer>3</zbt:Integer></zbt:Cell></zbt:Cells>");
}

TEST_F(ValueForms, AddingAColumnExtendsEveryRow)
{
    SmartPtr<TabularDataType> table = CompositionForImport();
    SmartPtr<TabularColumn> notes = TabularColumn::CreateOne("Notes");
    table->AddColumn(notes);
    EXPECT_EQ(table->GetRows()[0]->Size(), 3u);
    EXPECT_EQ(table->GetColumnOffset(notes.get()), 2);
    EXPECT_FALSE(table->GetRows()[0]->AtCol(notes)->GetData());
    SmartPtr<TabularColumn> foreign = TabularColumn::CreateOne("Elsewhere");
    EXPECT_EQ(table->GetColumnOffset(foreign.get()), -1);
    EXPECT_THROW(table->GetRows()[0]->AtCol(foreign), std::out_of_range);
    EXPECT_THROW(table->GetRows()[0]->At(9), std::out_of_range);
}

TEST_F(ValueForms, TablesReadOnlyWhatTheirColumnsAllow)
{
    const std::string columns = "<columns><column>A</column><column columnType=\"Bogus\">B</column>"
                                "<column columnType=\"TargetAttribute\">C</column></columns>";
    EXPECT_FALSE(Read("TABL", "<TabularDataValue>" + columns + "</TabularDataValue>"));
    EXPECT_FALSE(Read("TABL", "<TabularDataValue><summaryRow/></TabularDataValue>"));

    const SmartPtr<IDataValue> value = Read(
        "TABL", "<TabularDataValue>" + columns + "<rows>"
                "<row identity=\"5\"><Cells><TabularDataCell><Integer>1</Integer></TabularDataCell>"
                "<TabularDataCell><TabularDataValue/></TabularDataCell></Cells></row>"
                "<row><Cells><TabularDataCell><Mystery/></TabularDataCell><TabularDataCell><Logical>no</Logical>"
                "</TabularDataCell><TabularDataCell><Range/></TabularDataCell><TabularDataCell><Integer>9</Integer>"
                "</TabularDataCell></Cells></row></rows><summaryRow/></TabularDataValue>");
    auto* table = dynamic_cast<TabularDataType*>(value.get());
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->GetColumns()[1]->GetType(), TabularColumn::Unrecognised);
    EXPECT_EQ(table->GetColumns()[2]->GetType(), TabularColumn::TargetAttribute);
    ASSERT_EQ(table->GetRows().size(), 2u);
    const SmartPtr<TabularDataRow> first = table->GetRows()[0];
    EXPECT_EQ(first->GetIdentity(), 5);
    EXPECT_TRUE(first->At(0));
    EXPECT_FALSE(first->At(1)) << "a table cannot nest in a cell";
    ASSERT_TRUE(first->At(2)) << "a missing cell element keeps its empty cell";
    EXPECT_FALSE(first->At(2)->GetData());
    const SmartPtr<TabularDataRow> second = table->GetRows()[1];
    EXPECT_EQ(second->Size(), 3u) << "cells beyond the columns are ignored";
    EXPECT_FALSE(second->At(0));
    EXPECT_TRUE(dynamic_cast<RangeDataType*>(second->At(2)->GetData().get()));
    ASSERT_TRUE(table->GetSummary());
}

TEST_F(ValueForms, ListsAndSeriesSkipWhatTheyCannotType)
{
    const SmartPtr<IDataValue> list = Read("LIST", "<ListDataValue><listItem sourceRecordHistoryId=\"3\"><Empty/>"
                                                   "</listItem><listItem><Range/></listItem></ListDataValue>");
    auto* items = dynamic_cast<ListDataType*>(list.get());
    ASSERT_NE(items, nullptr);
    ASSERT_EQ(items->GetItems().size(), 2u);
    EXPECT_FALSE(items->GetItems()[0].value);
    EXPECT_EQ(items->GetItems()[0].sourceRecordHistoryId, 3);
    EXPECT_TRUE(items->GetItems()[1].value);

    Fragment points("<XYPoints><XYPoint><Y>1</Y></XYPoint><XYPoint type=\"Other\"/><XYPoint i:type=\"a:XYPoint\"><Y>2</Y>"
                    "</XYPoint></XYPoints>");
    const SmartPtr<XYData> data = XYData::CreateOne(points.Root());
    ASSERT_EQ(data->AccessXYPoints().size(), 1u);
    EXPECT_EQ(data->GetType(), XYDatum::XYPoint);
}

TEST_F(ValueForms, ParameterValuesFollowTheirType)
{
    Fragment numeric("<p xsi:type=\"zbt:NumericParameterValue\"><Value>1.5</Value></p>");
    EXPECT_EQ(ParameterValue::CreateOne(numeric.Root())->eGetType(), ParameterValue::Numeric);
    EXPECT_DOUBLE_EQ(ParameterValue::CreateOne(numeric.Root())->GetValue_Numeric(), 1.5);
    Fragment untyped("<p><Value>1.5</Value></p>");
    EXPECT_EQ(ParameterValue::CreateOne(untyped.Root())->GetValue_Discrete(), "1.5");

    ParameterValue value;
    value.SetType("Numeric");
    EXPECT_EQ(value.GetType(), "Numeric");
    try {
        value.SetType("numeric");
        ADD_FAILURE();
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "unknown parameter value type valid types are Numeric and Discrete");
    }
    EXPECT_EQ(value.GetType(), "Numeric");
}

TEST_F(ValueForms, DecorationsMapToTheirTexts)
{
    EXPECT_EQ(GraphDecoration::FromString("lines"), GraphDecoration::Unspecified);
    EXPECT_EQ(GraphDecoration::ToString(GraphDecoration::Lines), "Lines");
}

} // namespace
} // namespace dorsatest
