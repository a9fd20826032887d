#pragma once

#include "dorsa/DorsaExport.h"

namespace zvrtkDorsaServiceLayer {

/**
 * @brief Fills the process-wide registries that reply readers consult (data value
 * factories, element-name tables, table filters). Call once, before the first session,
 * while no other thread uses the library.
 */
DORSA_EXPORT void Initialize();

/**
 * @brief Empties the data value registries. Call once, after every library object has
 * been released; Initialize may run again afterwards.
 */
DORSA_EXPORT void Shutdown();

} // namespace zvrtkDorsaServiceLayer
