#include "editor/drawing/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::uint32_t> Decode(const std::string& bytes) {
    std::vector<std::uint32_t> out;
    const char* end = bytes.data() + bytes.size();
    for (const char* p = bytes.data(); p < end;) {
        std::uint32_t codePoint = 0;
        const char* next = drawing::NextCodePoint(p, end, codePoint);
        EXPECT_GT(next, p);
        EXPECT_LE(next, end);
        p = next;
        out.push_back(codePoint);
    }
    return out;
}

constexpr std::uint32_t kBad = drawing::kReplacementCharacter;

struct Utf8Case {
    const char* what;
    std::string bytes;
    std::vector<std::uint32_t> codePoints;
};

TEST(Utf8, DecodesWellFormedTextAndReplacesEachMalformedByte) {
    const Utf8Case cases[] = {
        {"ascii", "Ab", {'A', 'b'}},
        {"two, three and four bytes",
         "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB8",
         {0xE9, 0x20AC, 0x1F3B8}},
        {"stray continuation",
         "\x80"
         "A",
         {kBad, 'A'}},
        {"truncated at the end", "A\xE2\x82", {'A', kBad, kBad}},
        {"lead followed by ascii",
         "\xC3"
         "A",
         {kBad, 'A'}},
        {"overlong slash", "\xC0\xAF", {kBad, kBad}},
        {"surrogate", "\xED\xA0\x80", {kBad, kBad, kBad}},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", {kBad, kBad, kBad, kBad}},
        {"invalid lead bytes", "\xFE\xFF", {kBad, kBad}},
    };
    for (const Utf8Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Decode(c.bytes), c.codePoints);
    }
}

}  // namespace
