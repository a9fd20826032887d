#pragma once

#include <cstddef>
#include <string>

namespace zvrtkDorsaServiceLayer {
namespace detail {

// The codecs behind Utf8ToWide and WideToUtf8, one per width of wchar_t: UTF-16 where it
// has 16 bits, UTF-32 where it has 32. Both are reachable here so that each is tested
// whatever the platform's wchar_t. Invalid input of either side throws std::range_error.
std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const std::u16string& text);
std::u32string Utf8ToUtf32(const std::string& text);
std::string Utf32ToUtf8(const std::u32string& text);

// The library's one UTF-8 encoder: writes the 1 to 4 bytes of `c` (at most U+10FFFF; the
// caller has refused what is no character) to `out` and gives how many it wrote.
std::size_t EncodeUtf8(char32_t c, char (&out)[4]);

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
