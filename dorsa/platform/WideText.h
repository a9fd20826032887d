#pragma once

#include "dorsa/DorsaExport.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

// UTF-8 to wide text and back. Invalid input throws std::range_error.
DORSA_EXPORT std::wstring Utf8ToWide(const std::string& text);
DORSA_EXPORT std::string WideToUtf8(const std::wstring& text);

} // namespace zvrtkDorsaServiceLayer
