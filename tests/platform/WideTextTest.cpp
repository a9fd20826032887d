#include "dorsa/platform/WideText.h"
#include "dorsa/platform/WideTextPrivate.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <stdexcept>
#include <string>

namespace {

using namespace zvrtkDorsaServiceLayer;

struct ValidCase {
    const char* name;
    std::string utf8;
    std::u16string utf16;
    std::u32string utf32;
};

// Each UTF-8 sequence length at its bounds, and characters outside the basic plane.
const ValidCase s_validCases[] = {
    {"empty", "", u"", U""},
    {"ASCII", "Alloy 7", u"Alloy 7", U"Alloy 7"},
    {"embedded NUL", std::string("a\0b", 3), std::u16string(u"a\0b", 3), std::u32string(U"a\0b", 3)},
    {"last one-byte character", "\x7F", u"\u007F", U"\u007F"},
    {"first two-byte character", "\xC2\x80", u"\u0080", U"\u0080"},
    {"two-byte text", "Gr\xC3\xBC" "n", u"Gr\u00FCn", U"Gr\u00FCn"},
    {"last two-byte character", "\xDF\xBF", u"\u07FF", U"\u07FF"},
    {"first three-byte character", "\xE0\xA0\x80", u"\u0800", U"\u0800"},
    {"three-byte text", "\xE2\x82\xAC" "5", u"\u20AC" "5", U"\u20AC" "5"},
    {"last character before the surrogates", "\xED\x9F\xBF", u"\uD7FF", U"\uD7FF"},
    {"first character after the surrogates", "\xEE\x80\x80", u"\uE000", U"\uE000"},
    {"last basic plane character", "\xEF\xBF\xBF", u"\uFFFF", U"\uFFFF"},
    {"first four-byte character", "\xF0\x90\x80\x80", u"\U00010000", U"\U00010000"},
    {"four-byte text", "x\xF0\x9F\x94\xA9y", u"x\U0001F529y", U"x\U0001F529y"},
    {"last code point", "\xF4\x8F\xBF\xBF", u"\U0010FFFF", U"\U0010FFFF"},
};

// The case's text as this platform's wchar_t holds it.
std::wstring Wide(const ValidCase& c)
{
    if (sizeof(wchar_t) == 2) {
        return std::wstring(c.utf16.begin(), c.utf16.end());
    }
    return std::wstring(c.utf32.begin(), c.utf32.end());
}

TEST(WideText, ValidTextConvertsBothWaysInEachWidth)
{
    for (const ValidCase& c : s_validCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(detail::Utf8ToUtf16(c.utf8), c.utf16);
        EXPECT_EQ(detail::Utf8ToUtf32(c.utf8), c.utf32);
        EXPECT_EQ(Utf8ToWide(c.utf8), Wide(c));
        EXPECT_EQ(detail::Utf16ToUtf8(c.utf16), c.utf8);
        EXPECT_EQ(detail::Utf32ToUtf8(c.utf32), c.utf8);
        EXPECT_EQ(WideToUtf8(Wide(c)), c.utf8);
    }
}

// Whether `convert` throws std::range_error whose message holds `reason`.
template <class Convert>
void ExpectRejected(Convert convert, const char* reason)
{
    try {
        convert();
        ADD_FAILURE() << "accepted";
    } catch (const std::range_error& error) {
        EXPECT_NE(std::string(error.what()).find(reason), std::string::npos) << error.what();
    }
}

struct InvalidUtf8Case {
    const char* name;
    std::string utf8;
    const char* reason;
};

TEST(WideText, InvalidUtf8IsRejectedByEveryWidth)
{
    const InvalidUtf8Case cases[] = {
        {"continuation byte first", "\x80", "not a lead byte"},
        {"continuation byte after text", "ab\xBF", "not a lead byte"},
        {"five-byte lead", "\xF8\x88\x80\x80\x80", "not a lead byte"},
        {"byte 0xFF", "\xFF", "not a lead byte"},
        {"two-byte sequence cut short", "\xC3", "truncated sequence"},
        {"three-byte sequence cut short", "ok\xE2\x82", "truncated sequence"},
        {"four-byte sequence cut short", "\xF0\x9F\x94", "truncated sequence"},
        {"ASCII inside a sequence", "\xE2\x82" "A", "not a continuation byte"},
        {"lead byte inside a sequence", "\xC3\xC3\xBC", "not a continuation byte"},
        {"last continuation is a lead byte", "\xF0\x9F\x94\xF0", "not a continuation byte"},
        {"two-byte NUL", "\xC0\x80", "overlong form"},
        {"two-byte ASCII", "\xC1\xBF", "overlong form"},
        {"three-byte slash", "\xE0\x80\xAF", "overlong form"},
        {"three-byte form of a two-byte character", "\xE0\x9F\xBF", "overlong form"},
        {"four-byte NUL", "\xF0\x80\x80\x80", "overlong form"},
        {"four-byte form of a basic plane character", "\xF0\x8F\xBF\xBF", "overlong form"},
        {"first surrogate", "\xED\xA0\x80", "surrogate code point"},
        {"last surrogate", "\xED\xBF\xBF", "surrogate code point"},
        {"surrogate pair encoded one by one", "\xED\xA0\xBD\xED\xB8\x80", "surrogate code point"},
        {"just above the last code point", "\xF4\x90\x80\x80", "above U+10FFFF"},
        {"lead byte 0xF5", "\xF5\x80\x80\x80", "above U+10FFFF"},
        {"largest four-byte form", "\xF7\xBF\xBF\xBF", "above U+10FFFF"},
    };
    for (const InvalidUtf8Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectRejected([&] { detail::Utf8ToUtf16(c.utf8); }, c.reason);
        ExpectRejected([&] { detail::Utf8ToUtf32(c.utf8); }, c.reason);
        ExpectRejected([&] { Utf8ToWide(c.utf8); }, c.reason);
    }
}

template <class Text>
struct InvalidWideCase {
    const char* name;
    Text text;
};

const InvalidWideCase<std::u16string> s_invalidUtf16[] = {
    {"high surrogate alone", {0xD83D}},
    {"high surrogate at the end", {u'a', 0xD83D}},
    {"high surrogate before a character", {0xD83D, u'a'}},
    {"two high surrogates", {0xD83D, 0xD83D, 0xDD29}},
    {"low surrogate alone", {0xDD29}},
    {"pair in the wrong order", {0xDD29, 0xD83D}},
};

const InvalidWideCase<std::u32string> s_invalidUtf32[] = {
    {"first surrogate", {0xD800}},
    {"last surrogate", {U'a', 0xDFFF}},
    {"surrogate pair as two values", {0xD83D, 0xDD29}},
    {"just above the last code point", {0x110000}},
    {"all bits set", {0xFFFFFFFF}},
};

// Each invalid text is refused by its own width's conversion and, where wchar_t has that
// width, as wchar_t text (all bits set reads as -1 where wchar_t is signed).
TEST(WideText, LoneUtf16SurrogatesAreRejected)
{
    for (const auto& c : s_invalidUtf16) {
        SCOPED_TRACE(c.name);
        ExpectRejected([&] { detail::Utf16ToUtf8(c.text); }, "lone surrogate");
        if (sizeof(wchar_t) == 2) {
            ExpectRejected([&] { WideToUtf8(std::wstring(c.text.begin(), c.text.end())); }, "invalid UTF-16");
        }
    }
}

TEST(WideText, Utf32SurrogatesAndValuesPastTheLastCodePointAreRejected)
{
    for (const auto& c : s_invalidUtf32) {
        SCOPED_TRACE(c.name);
        ExpectRejected([&] { detail::Utf32ToUtf8(c.text); }, "invalid UTF-32");
        if (sizeof(wchar_t) == 4) {
            ExpectRejected([&] { WideToUtf8(std::wstring(c.text.begin(), c.text.end())); }, "invalid UTF-32");
        }
    }
}

} // namespace
