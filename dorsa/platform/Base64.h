#pragma once

#include "dorsa/DorsaExport.h"

#include <string>

namespace zvrtkDorsaServiceLayer {
namespace Insecure {

// Standard Base64 (RFC 4648 alphabet, padded), the form the server uses for binary content.
class DORSA_EXPORT Crypto_Base64 final {
public:
    // Writes the Base64 text of `in` to `out`; returns 0.
    static int Encode(const std::string& in, std::string* out);
    // Writes the bytes of the Base64 text `in` to `out`, skipping line breaks and
    // white space; returns 0, or -1 (leaving `out` empty) for text that is not Base64.
    static int Decode(const std::string& in, std::string* out);
};

} // namespace Insecure
} // namespace zvrtkDorsaServiceLayer
