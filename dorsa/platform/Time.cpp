#include "dorsa/platform/Time.h"

#include <chrono>

namespace zvrtkDorsaServiceLayer {

using PerformanceClock = std::chrono::steady_clock;

void Time::StaticInit() {}

void Time::StaticShutdown() {}

std::uint64_t Time::GetPerformanceTime()
{
    return static_cast<std::uint64_t>(PerformanceClock::now().time_since_epoch().count());
}

double Time::PerformanceTimeToSeconds(std::uint64_t ticks)
{
    return std::chrono::duration<double>(PerformanceClock::duration(ticks)).count();
}

} // namespace zvrtkDorsaServiceLayer
