#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/platform/SmartPtr.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

/**
 * @brief Logging interface implemented by the host.
 *
 * The library calls only Log: level 1 for a failed call, level 3 for the timing line
 * of every call. The message is complete, without a trailing newline.
 */
class DORSA_EXPORT ILogger : public SmartPtrTarget_ts {
public:
    ILogger() = default;
    ~ILogger() override = default;

    /// @brief For the host's own use: the library never calls it.
    virtual void Flush() = 0;
    virtual void Log(int level, const std::string& message) = 0;
};

} // namespace zvrtkDorsaServiceLayer
