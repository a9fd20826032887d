#include "dorsa/platform/WideText.h"
#include "dorsa/platform/WideTextPrivate.h"

#include <cstddef>
#include <stdexcept>
#include <string>
#include <type_traits>

namespace zvrtkDorsaServiceLayer {

namespace {

constexpr char32_t s_maxCodePoint = 0x10FFFF;
constexpr char32_t s_firstSurrogate = 0xD800;
constexpr char32_t s_firstLowSurrogate = 0xDC00;
constexpr char32_t s_lastSurrogate = 0xDFFF;
constexpr char32_t s_firstSupplementary = 0x10000;

// The UTF-8 sequence lengths: a lead byte whose bits outside `payloadMask` equal
// `leadBits` starts a sequence with `continuations` more bytes, which must decode to at
// least `smallest` (anything smaller has a shorter, and so the only valid, form).
struct Utf8Form {
    unsigned char leadBits;
    unsigned char payloadMask;
    std::size_t continuations;
    char32_t smallest;
};

const Utf8Form s_utf8Forms[] = {
    {0x00, 0x7F, 0, 0x0},
    {0xC0, 0x1F, 1, 0x80},
    {0xE0, 0x0F, 2, 0x800},
    {0xF0, 0x07, 3, s_firstSupplementary},
};

[[noreturn]] void Reject(const char* encoding, const char* problem, std::size_t offset)
{
    throw std::range_error(std::string("invalid ") + encoding + " at offset " + std::to_string(offset) + ": " +
                           problem);
}

bool IsSurrogate(char32_t c)
{
    return c >= s_firstSurrogate && c <= s_lastSurrogate;
}

// Surrogates and values past U+10FFFF are no characters, in any encoding.
void CheckScalarValue(char32_t c, const char* encoding, std::size_t offset)
{
    if (IsSurrogate(c)) {
        Reject(encoding, "surrogate code point", offset);
    }
    if (c > s_maxCodePoint) {
        Reject(encoding, "code point above U+10FFFF", offset);
    }
}

const Utf8Form* FormOfLead(unsigned char lead)
{
    for (const Utf8Form& form : s_utf8Forms) {
        if ((lead & ~form.payloadMask) == form.leadBits) {
            return &form;
        }
    }
    return nullptr;
}

// The character that starts at `pos`; moves `pos` past it.
char32_t ReadUtf8(const std::string& text, std::size_t& pos)
{
    const std::size_t start = pos;
    const auto lead = static_cast<unsigned char>(text[pos++]);
    const Utf8Form* form = FormOfLead(lead);
    if (!form) {
        Reject("UTF-8", "not a lead byte", start);
    }
    char32_t c = lead & form->payloadMask;
    for (std::size_t i = 0; i < form->continuations; ++i, ++pos) {
        if (pos == text.size()) {
            Reject("UTF-8", "truncated sequence", start);
        }
        const auto next = static_cast<unsigned char>(text[pos]);
        if ((next & 0xC0) != 0x80) {
            Reject("UTF-8", "not a continuation byte", pos);
        }
        c = (c << 6) | (next & 0x3F);
    }
    if (c < form->smallest) {
        Reject("UTF-8", "overlong form", start);
    }
    CheckScalarValue(c, "UTF-8", start);
    return c;
}

void AppendUtf8(char32_t c, std::string& out)
{
    char bytes[4];
    out.append(bytes, detail::EncodeUtf8(c, bytes));
}

template <class Unit>
char32_t UnitAt(const std::basic_string<Unit>& text, std::size_t pos)
{
    // Through the unsigned type, so that a negative wchar_t reads as out of range.
    return static_cast<char32_t>(static_cast<std::make_unsigned_t<Unit>>(text[pos]));
}

// The character that starts at `pos` of UTF-16 or UTF-32 text; moves `pos` past it.
template <class Unit>
char32_t ReadWide(const std::basic_string<Unit>& text, std::size_t& pos)
{
    static_assert(sizeof(Unit) == 2 || sizeof(Unit) == 4, "wide text is UTF-16 or UTF-32");
    const std::size_t start = pos;
    const char32_t unit = UnitAt(text, pos++);
    if constexpr (sizeof(Unit) == 2) {
        if (!IsSurrogate(unit)) {
            return unit;
        }
        if (unit >= s_firstLowSurrogate || pos == text.size() || UnitAt(text, pos) < s_firstLowSurrogate ||
            UnitAt(text, pos) > s_lastSurrogate) {
            Reject("UTF-16", "lone surrogate", start);
        }
        const char32_t low = UnitAt(text, pos++);
        return s_firstSupplementary + ((unit - s_firstSurrogate) << 10) + (low - s_firstLowSurrogate);
    } else {
        CheckScalarValue(unit, "UTF-32", start);
        return unit;
    }
}

template <class Unit>
void AppendWide(char32_t c, std::basic_string<Unit>& out)
{
    if constexpr (sizeof(Unit) == 2) {
        if (c >= s_firstSupplementary) {
            c -= s_firstSupplementary;
            out.push_back(static_cast<Unit>(s_firstSurrogate + (c >> 10)));
            out.push_back(static_cast<Unit>(s_firstLowSurrogate + (c & 0x3FF)));
            return;
        }
    }
    out.push_back(static_cast<Unit>(c));
}

template <class Unit>
std::basic_string<Unit> FromUtf8(const std::string& text)
{
    std::basic_string<Unit> wide;
    wide.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        AppendWide(ReadUtf8(text, pos), wide);
    }
    return wide;
}

template <class Unit>
std::string ToUtf8(const std::basic_string<Unit>& text)
{
    std::string narrow;
    narrow.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        AppendUtf8(ReadWide(text, pos), narrow);
    }
    return narrow;
}

} // namespace

namespace detail {

std::size_t EncodeUtf8(char32_t c, char (&out)[4])
{
    const Utf8Form* form = &s_utf8Forms[0];
    for (const Utf8Form& longer : s_utf8Forms) {
        if (c >= longer.smallest) {
            form = &longer;
        }
    }
    std::size_t shift = 6 * form->continuations;
    std::size_t count = 0;
    out[count++] = static_cast<char>(form->leadBits | (c >> shift));
    while (shift > 0) {
        shift -= 6;
        out[count++] = static_cast<char>(0x80 | ((c >> shift) & 0x3F));
    }
    return count;
}

std::u16string Utf8ToUtf16(const std::string& text)
{
    return FromUtf8<char16_t>(text);
}

std::string Utf16ToUtf8(const std::u16string& text)
{
    return ToUtf8(text);
}

std::u32string Utf8ToUtf32(const std::string& text)
{
    return FromUtf8<char32_t>(text);
}

std::string Utf32ToUtf8(const std::u32string& text)
{
    return ToUtf8(text);
}

} // namespace detail

// wchar_t takes the codec of its width: UTF-16 where it has 16 bits, UTF-32 where 32.
std::wstring Utf8ToWide(const std::string& text)
{
    return FromUtf8<wchar_t>(text);
}

std::string WideToUtf8(const std::wstring& text)
{
    return ToUtf8(text);
}

} // namespace zvrtkDorsaServiceLayer
