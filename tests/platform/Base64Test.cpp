#include "dorsa/platform/Base64.h"

#include <gtest/gtest.h>

namespace {

using zvrtkDorsaServiceLayer::Insecure::Crypto_Base64;

struct Vector {
    const char* bytes;
    const char* base64;
};

// RFC 4648, section 10.
const Vector s_rfcVectors[] = {
    {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
};

TEST(Base64, EncodesAndDecodesTheRfcVectors)
{
    for (const Vector& vector : s_rfcVectors) {
        std::string encoded;
        std::string decoded;
        EXPECT_EQ(Crypto_Base64::Encode(vector.bytes, &encoded), 0);
        EXPECT_EQ(encoded, vector.base64);
        EXPECT_EQ(Crypto_Base64::Decode(vector.base64, &decoded), 0);
        EXPECT_EQ(decoded, vector.bytes);
    }
}

TEST(Base64, RoundTripsEveryByteValue)
{
    std::string bytes;
    for (int i = 0; i < 256; ++i) {
        bytes += static_cast<char>(i);
    }
    std::string encoded;
    std::string decoded;
    Crypto_Base64::Encode(bytes, &encoded);
    Crypto_Base64::Decode(encoded, &decoded);
    EXPECT_EQ(decoded, bytes);
}

TEST(Base64, DecodingSkipsLineBreaksAndWhiteSpace)
{
    std::string decoded;
    EXPECT_EQ(Crypto_Base64::Decode(" Zm9v\r\nYmFy\n\tZm8=\n", &decoded), 0);
    EXPECT_EQ(decoded, "foobarfo");
}

TEST(Base64, RefusesTextThatIsNotBase64)
{
    for (const char* text : {"Zm9v!", "Zg==Zg==", "Zm9v===", "\xc3\xa9"}) {
        std::string decoded = "kept?";
        EXPECT_EQ(Crypto_Base64::Decode(text, &decoded), -1) << text;
        EXPECT_EQ(decoded, "") << text;
    }
}

} // namespace
