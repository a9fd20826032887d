#pragma once

#include "dorsa/ServiceLayer.h"

namespace dorsatest {

// References by identity into the sample database, as requests carry them.
inline zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::RecordReference> SampleRecord(int identity)
{
    zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::RecordReference> record =
        new zvrtkDorsaServiceLayer::RecordReference;
    record->SetDBKey("DORSA_SAMPLES");
    record->SetIdentity(identity);
    return record;
}

inline zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::AttributeReference> SampleAttribute(int identity)
{
    zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::AttributeReference> attribute =
        new zvrtkDorsaServiceLayer::AttributeReference;
    attribute->SetDBKey("DORSA_SAMPLES");
    attribute->SetAttributeID(identity);
    return attribute;
}

inline zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::SubsetReference> SampleSubset(int identity)
{
    zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::SubsetReference> subset =
        new zvrtkDorsaServiceLayer::SubsetReference;
    subset->SetDBKey("DORSA_SAMPLES");
    subset->SetSubsetIdentity(identity);
    return subset;
}

} // namespace dorsatest
