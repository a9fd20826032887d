#pragma once

namespace zvrtkDorsaServiceLayer {

/// @brief Values of the SOAP header settings.
struct HeaderVals {
    enum eOptionalBool : int {
        eFalse = 0,
        eTrue = 1, ///< the only value that reaches the wire
        eNotSet = 2,
    };
};

} // namespace zvrtkDorsaServiceLayer
