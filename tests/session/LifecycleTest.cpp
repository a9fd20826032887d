#include "dorsa/ServiceLayer.h"
#include "support/XmlFragments.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

template <class... Types>
struct TypeList {};

// The data types Initialize starts.
using StartedTypes =
    TypeList<PointDataType, RangeDataType, LogicalDataType, DiscreteDataType, ShortTextDataType, LongTextDataType,
             IntegerDataType, DateTimeDataType, HyperlinkDataType, PictureDataType, FileDataType, TabularDataType,
             FloatFunctionalSeriesDataType, FloatFunctionalGriddedDataType, ListDataType, EmptyDataType>;

using FactoryOfCode = std::pair<std::string, const DataValueFactoryNew*>;

// Each started type's code and the factory it holds.
template <class... Types>
std::vector<FactoryOfCode> HeldFactories(TypeList<Types...>)
{
    return {{Types::s_typeCode, Types::s_factory}...};
}

// The element-name tables start-up makes.
std::vector<const ContainedDataValueFactory*> ElementTables()
{
    return {AttributeValue::s_factory, TabularDataCell::s_factory, ListItem::s_factory};
}

void ExpectNothingStarted()
{
    EXPECT_TRUE(DataValueFactoryNew::s_factories.empty());
    for (const FactoryOfCode& held : HeldFactories(StartedTypes())) {
        EXPECT_EQ(held.second, nullptr) << held.first;
    }
    for (const ContainedDataValueFactory* table : ElementTables()) {
        EXPECT_EQ(table, nullptr);
    }
}

TEST(Lifecycle, InitializeTwiceKeepsTheFactoriesOfTheFirstCall)
{
    Initialize();
    const std::vector<FactoryOfCode> first = HeldFactories(StartedTypes());
    const std::vector<const ContainedDataValueFactory*> firstTables = ElementTables();
    Initialize();
    EXPECT_EQ(HeldFactories(StartedTypes()), first);
    EXPECT_EQ(ElementTables(), firstTables);
    EXPECT_EQ(DataValueFactoryNew::s_factories.size(), first.size());
    for (const FactoryOfCode& held : first) {
        EXPECT_EQ(DataValueFactoryNew::s_factories.at(held.first), held.second) << held.first;
    }
    Shutdown();
}

// Each order of start-ups and shut-downs ends with nothing started; leaks of a second
// start-up are caught by the sanitizer build.
TEST(Lifecycle, EveryShutdownLeavesNothingStarted)
{
    const std::vector<std::pair<const char*, std::vector<void (*)()>>> orders = {
        {"initialize twice", {Initialize, Initialize, Shutdown}},
        {"without initialize", {Shutdown}},
        {"shut down twice", {Initialize, Shutdown, Shutdown}},
    };
    for (const auto& order : orders) {
        SCOPED_TRACE(order.first);
        for (void (*step)() : order.second) {
            step();
        }
        ExpectNothingStarted();
    }
}

// An attribute, a table cell and a list item, each through its own element table.
void ExpectValuesRead()
{
    Fragment attribute("<attribute><RangeDataValue><LowValue>1</LowValue></RangeDataValue></attribute>");
    EXPECT_EQ(AttributeValue::CreateOne(attribute.Root())->GetDataType(), AttributeTypes::RANGE_TYPE_STRING);

    Fragment table("<TabularDataValue><columns><column>Grade</column></columns><rows><row><Cells>"
                   "<TabularDataCell><ShortText>B2</ShortText></TabularDataCell></Cells></row></rows><summaryRow/>"
                   "</TabularDataValue>");
    const SmartPtr<TabularDataType> read = TabularDataType::CreateOne(table.Root());
    ASSERT_TRUE(read);
    ASSERT_EQ(read->GetRows().size(), 1u);
    ASSERT_TRUE(read->GetRows()[0]->At(0));
    EXPECT_EQ(read->GetRows()[0]->At(0)->GetData()->GetTypeString(), AttributeTypes::SHORT_TEXT_TYPE_STRING);

    Fragment list("<ListDataValue><listItem><Integer>4</Integer></listItem></ListDataValue>");
    const SmartPtr<IDataValue> value = DataValueFactoryNew::CreateOne(AttributeTypes::LIST_TYPE_STRING, list.Root());
    auto* items = dynamic_cast<ListDataType*>(value.get());
    ASSERT_NE(items, nullptr);
    const std::vector<ListItem>& entries = items->GetItems();
    ASSERT_EQ(entries.size(), 1u);
    ASSERT_TRUE(entries[0].value);
    EXPECT_EQ(entries[0].value->GetTypeString(), AttributeTypes::INTEGER_TYPE_STRING);

    EXPECT_EQ(TableFilters::FromString("RegionsTablesOnly"), TableFilters::RegionsTablesOnly);
}

struct StartCase {
    const char* name;
    std::vector<void (*)()> steps;
};

TEST(Lifecycle, ValuesReadAfterEachWayOfStarting)
{
    const StartCase cases[] = {
        {"initialized", {&Initialize}},
        {"initialized twice", {&Initialize, &Initialize}},
        {"shut down and initialized again", {&Initialize, &Shutdown, &Initialize}},
    };
    for (const StartCase& c : cases) {
        SCOPED_TRACE(c.name);
        for (void (*step)() : c.steps) {
            step();
        }
        ExpectValuesRead();
        Shutdown();
    }
}

struct OwnerCase {
    const char* name;
    void (*init)();
    void (*shutdown)();
    const void* (*factory)();
    const char* typeCode; // the code a data type registers its factory under; null for an element table
};

template <class T>
OwnerCase Owner(const char* name, const char* typeCode = nullptr)
{
    return {name, &T::StaticInit, &T::StaticShutdown, [] { return static_cast<const void*>(T::s_factory); }, typeCode};
}

TEST(Lifecycle, StaticInitTwiceMakesAndRegistersOneFactory)
{
    const OwnerCase cases[] = {
        Owner<PointDataType>("point", PointDataType::s_typeCode),
        Owner<TabularDataType>("table", TabularDataType::s_typeCode),
        Owner<LinkedRecordsDataType>("linked records", LinkedRecordsDataType::s_typeCode),
        Owner<AttributeValue>("attribute element table"),
        Owner<TabularDataCell>("cell element table"),
        Owner<ListItem>("list item element table"),
    };
    for (const OwnerCase& c : cases) {
        SCOPED_TRACE(c.name);
        c.init();
        const void* first = c.factory();
        const std::size_t registered = DataValueFactoryNew::s_factories.size();
        c.init();
        EXPECT_NE(first, nullptr);
        EXPECT_EQ(c.factory(), first);
        EXPECT_EQ(DataValueFactoryNew::s_factories.size(), registered);
        if (c.typeCode) {
            EXPECT_EQ(registered, 1u);
            EXPECT_EQ(DataValueFactoryNew::s_factories.at(c.typeCode), first);
        }
        c.shutdown();
        c.shutdown();
        EXPECT_EQ(c.factory(), nullptr);
        EXPECT_TRUE(DataValueFactoryNew::s_factories.empty());
    }
}

} // namespace
} // namespace dorsatest
