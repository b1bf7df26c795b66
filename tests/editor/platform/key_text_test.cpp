// A key's text handed to the editor: UTF-8 from XLookupString's Latin-1 byte
// or from a Unicode keysym.
#include "editor/platform/key_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(KeyText, IsOneUtf8CharacterFromTheLatin1ByteOrTheUnicodeKeysym) {
    const struct {
        const char* what;
        uint32_t keysym;
        std::string latin1;
        std::string utf8;
    } kCases[] = {
        {"q", 0x71, "q", "q"},
        {"Control+Q", 0x71, "\x11", "\x11"},
        {"e acute, a Latin-1 byte", 0xE9, "\xE9", "\xC3\xA9"},
        {"euro sign keysym", 0x010020AC, "", "\xE2\x82\xAC"},
        {"emoji keysym", 0x0101F600, "", "\xF0\x9F\x98\x80"},
        {"F1", 0xFFBE, "", ""},
        {"two bytes composed", 0x71, "ab", ""},
        {"keysym beyond Unicode", 0x01110000, "", ""},
        {"surrogate keysym", 0x0100D800, "", ""},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        char out[5] = {'x', 'x', 'x', 'x', 'x'};
        KeyText(c.keysym, c.latin1.data(), static_cast<int>(c.latin1.size()), out);
        EXPECT_EQ(std::string(out), c.utf8);
    }
}

}  // namespace
