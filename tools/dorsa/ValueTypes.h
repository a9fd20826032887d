#pragma once

#include <dorsa/ServiceLayer.h>

namespace dorsatool {

namespace detail {

template <class Form>
auto WithType(zvrtkDorsaServiceLayer::IDataValue& value, Form& form)
{
    return form(value);
}

template <class Type, class... Others, class Form>
auto WithType(zvrtkDorsaServiceLayer::IDataValue& value, Form& form)
{
    if (auto* typed = dynamic_cast<Type*>(&value)) {
        return form(*typed);
    }
    return WithType<Others...>(value, form);
}

} // namespace detail

// The value types the tool shows, each as text and as JSON: `form` is called with `value` as
// the first of these types it is, or as the plain IDataValue when it is none of them, so that
// an overload per type writes each form.
template <class Form>
auto WithValueType(zvrtkDorsaServiceLayer::IDataValue& value, Form form)
{
    using namespace zvrtkDorsaServiceLayer;
    return detail::WithType<IntegerDataType, LogicalDataType, ShortTextDataType, LongTextDataType, DateTimeDataType,
                            HyperlinkDataType, DiscreteDataType, EmptyDataType, PointDataType, RangeDataType,
                            FileDataType, PictureDataType, TabularDataType, ListDataType,
                            FloatFunctionalSeriesDataType, FloatFunctionalGriddedDataType>(value, form);
}

} // namespace dorsatool
