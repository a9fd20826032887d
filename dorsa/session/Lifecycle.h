#pragma once

#include "dorsa/DorsaExport.h"

namespace zvrtkDorsaServiceLayer {

/**
 * @brief Fills the process-wide registries that reply readers consult (data value
 * factories, element-name tables, table filters). Call before the first session, while
 * no other thread uses the library. A second call before Shutdown does nothing.
 */
DORSA_EXPORT void Initialize();

/**
 * @brief Empties the data value registries. Call after every library object has been
 * released, while no other thread uses the library; Initialize may run again afterwards.
 * Harmless without Initialize and when repeated.
 */
DORSA_EXPORT void Shutdown();

} // namespace zvrtkDorsaServiceLayer
