#include "dorsa/session/Lifecycle.h"
#include "dorsa/browse/AttributeDetails.h"
#include "dorsa/browse/ParameterDetails.h"
#include "dorsa/browse/TableFilters.h"
#include "dorsa/values/AttributeValue.h"
#include "dorsa/values/BinaryValues.h"
#include "dorsa/values/FunctionalData.h"
#include "dorsa/values/ListData.h"
#include "dorsa/values/ScalarValues.h"
#include "dorsa/values/TabularData.h"
#include "dorsa/values/UnittedValues.h"

#include <iterator>

namespace zvrtkDorsaServiceLayer {

namespace {

struct StartAndStop {
    void (*start)();
    void (*stop)();
};

template <class T>
constexpr StartAndStop Registration()
{
    return {&T::StaticInit, &T::StaticShutdown};
}

// The data types with a factory, in start-up order; shutdown runs in reverse. Linked
// records are left to the host, which registers them itself when it needs them.
const StartAndStop s_dataTypes[] = {
    Registration<PointDataType>(),
    Registration<RangeDataType>(),
    Registration<LogicalDataType>(),
    Registration<DiscreteDataType>(),
    Registration<ShortTextDataType>(),
    Registration<LongTextDataType>(),
    Registration<IntegerDataType>(),
    Registration<DateTimeDataType>(),
    Registration<HyperlinkDataType>(),
    Registration<PictureDataType>(),
    Registration<FileDataType>(),
    Registration<TabularDataType>(),
    Registration<FloatFunctionalSeriesDataType>(),
    Registration<FloatFunctionalGriddedDataType>(),
    Registration<ListDataType>(),
    Registration<EmptyDataType>(),
};

// Set by Initialize, cleared by Shutdown; both run while no other thread uses the library.
bool s_initialized = false;

} // namespace

void Initialize()
{
    if (s_initialized) {
        return;
    }
    s_initialized = true;
    for (const StartAndStop& dataType : s_dataTypes) {
        dataType.start();
    }
    AttributeValue::StaticInit();
    TabularDataCell::StaticInit();
    ListItem::StaticInit();
    AttributeDetail::StaticInit();
    TableFilters::StaticInit();
    ParameterDetail::StaticInit();
}

// Each shutdown step is harmless for what was never started, so this runs in full
// whatever came before it.
void Shutdown()
{
    s_initialized = false;
    ListItem::StaticShutdown();
    TabularDataCell::StaticShutdown();
    AttributeValue::StaticShutdown();
    for (auto dataType = std::rbegin(s_dataTypes); dataType != std::rend(s_dataTypes); ++dataType) {
        dataType->stop();
    }
}

} // namespace zvrtkDorsaServiceLayer
