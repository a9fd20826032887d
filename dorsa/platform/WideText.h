#pragma once

#include "dorsa/DorsaExport.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

// UTF-8 to wide text and back; wide text is UTF-16 or UTF-32, by the width of wchar_t.
// Invalid input on either side throws std::range_error: malformed or overlong UTF-8,
// surrogates other than a UTF-16 pair, and values past U+10FFFF.
DORSA_EXPORT std::wstring Utf8ToWide(const std::string& text);
DORSA_EXPORT std::string WideToUtf8(const std::wstring& text);

} // namespace zvrtkDorsaServiceLayer
