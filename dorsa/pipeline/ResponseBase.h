#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/pipeline/ServiceLayerResponse.h"
#include "dorsa/platform/SmartPtr.h"

namespace zvrtkDorsaServiceLayer {

/// @brief Base of every response: carries the outcome of the call that filled it.
class DORSA_EXPORT ResponseBase : public SmartPtrTarget_ts {
public:
    /// @brief Null until a call has run with this object.
    SmartPtr<ServiceLayerResponse> GetServiceLayerResponse() const { return m_outcome; }
    void SetServiceLayerResponse(SmartPtr<ServiceLayerResponse> outcome) { m_outcome = outcome; }

private:
    SmartPtr<ServiceLayerResponse> m_outcome;
};

} // namespace zvrtkDorsaServiceLayer
