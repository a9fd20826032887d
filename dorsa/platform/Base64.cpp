#include "dorsa/platform/Base64.h"

#include <array>
#include <cctype>

namespace zvrtkDorsaServiceLayer {
namespace Insecure {

namespace {

const char s_alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int s_notBase64 = -1;

std::array<int, 256> MakeDecodeTable()
{
    std::array<int, 256> table{};
    table.fill(s_notBase64);
    for (int i = 0; i < 64; ++i) {
        table[static_cast<unsigned char>(s_alphabet[i])] = i;
    }
    return table;
}

} // namespace

int Crypto_Base64::Encode(const std::string& in, std::string* out)
{
    if (!out) {
        return -1;
    }
    out->clear();
    out->reserve((in.size() + 2) / 3 * 4);
    const auto byteAt = [&](size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(in[i])); };
    size_t i = 0;
    for (; i + 2 < in.size(); i += 3) {
        const unsigned triple = byteAt(i) << 16 | byteAt(i + 1) << 8 | byteAt(i + 2);
        *out += s_alphabet[triple >> 18 & 63];
        *out += s_alphabet[triple >> 12 & 63];
        *out += s_alphabet[triple >> 6 & 63];
        *out += s_alphabet[triple & 63];
    }
    const size_t rest = in.size() - i;
    if (rest > 0) {
        const unsigned pair = byteAt(i) << 16 | (rest == 2 ? byteAt(i + 1) << 8 : 0u);
        *out += s_alphabet[pair >> 18 & 63];
        *out += s_alphabet[pair >> 12 & 63];
        *out += rest == 2 ? s_alphabet[pair >> 6 & 63] : '=';
        *out += '=';
    }
    return 0;
}

int Crypto_Base64::Decode(const std::string& in, std::string* out)
{
    static const std::array<int, 256> s_decode = MakeDecodeTable();
    if (!out) {
        return -1;
    }
    out->clear();
    out->reserve(in.size() / 4 * 3);
    unsigned bits = 0;
    int bitCount = 0;
    size_t padding = 0;
    for (const char c : in) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isspace(byte)) {
            continue;
        }
        if (c == '=') {
            ++padding;
            continue;
        }
        const int value = s_decode[byte];
        if (value == s_notBase64 || padding > 0) {
            out->clear();
            return -1;
        }
        bits = (bits << 6 | static_cast<unsigned>(value)) & 0xffffff;
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            *out += static_cast<char>(bits >> bitCount & 0xff);
        }
    }
    if (padding > 2) {
        out->clear();
        return -1;
    }
    return 0;
}

} // namespace Insecure
} // namespace zvrtkDorsaServiceLayer
