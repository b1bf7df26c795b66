#include "core/base64.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const uint8_t* Raw(const char* text) { return reinterpret_cast<const uint8_t*>(text); }

// The RFC 4648 test vectors, plus a byte from each end of the alphabet.
struct Vector { const char* plain; const char* encoded; };
const Vector kVectors[] = {
    {"", ""},
    {"f", "Zg=="},
    {"fo", "Zm8="},
    {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="},
    {"fooba", "Zm9vYmE="},
    {"foobar", "Zm9vYmFy"},
    {"\xfb\xff", "+/8="},
};

TEST(Base64, EncodesTheStandardVectors) {
    for (const auto& v : kVectors) {
        SCOPED_TRACE(v.plain);
        EXPECT_EQ(EncodeBase64(Raw(v.plain), static_cast<int>(std::strlen(v.plain))), v.encoded);
    }
}

TEST(Base64, SingleByteEndsInTwoPaddingCharacters) {
    const uint8_t zero = 0;
    const std::string text = EncodeBase64(&zero, 1);
    EXPECT_EQ(text, "AA==");
}

TEST(Base64, DecodesBackStoppingAtPadding) {
    for (const auto& v : kVectors) {
        SCOPED_TRACE(v.encoded);
        const int size = static_cast<int>(std::strlen(v.plain));
        std::vector<uint8_t> out(static_cast<std::size_t>(size) + 4, 0xAA);
        EXPECT_EQ(DecodeBase64(v.encoded, out.data(), size), size);
        EXPECT_EQ(std::memcmp(out.data(), v.plain, static_cast<std::size_t>(size)), 0);
        EXPECT_EQ(out[static_cast<std::size_t>(size)], 0xAA);  // nothing past size
    }
}

TEST(Base64, DecodingStopsAtSizeOrAtAForeignCharacter) {
    struct Case { const char* text; int size; std::vector<uint8_t> expected; const char* why; };
    const Case kCases[] = {
        {"Zm9vYmFy", 2, {'f', 'o', 0, 0, 0, 0}, "size reached first"},
        {"Zm9v YmFy", 6, {'f', 'o', 'o', 0, 0, 0}, "blank ends the text"},
        {"Zm9vYmFy", 6, {'f', 'o', 'o', 'b', 'a', 'r'}, "whole text"},
        {"", 6, {0, 0, 0, 0, 0, 0}, "empty text leaves the zeroed buffer"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        std::vector<uint8_t> out(6, 0);
        DecodeBase64(c.text, out.data(), c.size);
        EXPECT_EQ(out, c.expected);
    }
    uint8_t byte = 0;
    EXPECT_EQ(DecodeBase64(nullptr, &byte, 1), 0);
}

}  // namespace
