#include "dorsa/platform/WideText.h"

#include <codecvt>
#include <locale>

namespace zvrtkDorsaServiceLayer {

namespace {
using Utf8Converter = std::wstring_convert<std::codecvt_utf8<wchar_t>>;
}

std::wstring Utf8ToWide(const std::string& text)
{
    return Utf8Converter().from_bytes(text);
}

std::string WideToUtf8(const std::wstring& text)
{
    return Utf8Converter().to_bytes(text);
}

} // namespace zvrtkDorsaServiceLayer
