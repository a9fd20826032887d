#pragma once

// How the examples check a call: every operation records its outcome on its response,
// and a host looks at it before reading anything else from the response.

#include <dorsa/ServiceLayer.h>

#include <iostream>
#include <string>

// True when the call succeeded; otherwise says on stderr how it ended.
inline bool Succeeded(const std::string& call,
                      const zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::ServiceLayerResponse>& outcome)
{
    using zvrtkDorsaServiceLayer::CallOutcomes;
    if (outcome && outcome->IsSuccess()) {
        return true;
    }
    std::cerr << call << " failed: ";
    if (!outcome) {
        std::cerr << "no outcome recorded\n";
        return false;
    }
    std::cerr << CallOutcomes::eCallOutcome_ToString(outcome->GetOutcome());
    if (outcome->GetOutcome() == CallOutcomes::TransportFailure) {
        std::cerr << ": " << outcome->GetTransportError();
    } else if (outcome->GetOutcome() == CallOutcomes::SoapFault) {
        std::cerr << ": " << outcome->GetErrorMessage();
    } else {
        std::cerr << " (HTTP " << outcome->GetResponseCode() << ")";
    }
    std::cerr << "\n";
    return false;
}
