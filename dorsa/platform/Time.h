#pragma once

#include "dorsa/DorsaExport.h"

#include <cstdint>

namespace zvrtkDorsaServiceLayer {

/// Monotonic performance timer. Sessions bracket their lifetime with
/// StaticInit/StaticShutdown; the tick source needs no global set-up.
class DORSA_EXPORT Time final {
public:
    static void StaticInit();
    static void StaticShutdown();

    /// Ticks of a monotonic clock; only differences are meaningful.
    static std::uint64_t GetPerformanceTime();
    static double PerformanceTimeToSeconds(std::uint64_t ticks);
};

} // namespace zvrtkDorsaServiceLayer
