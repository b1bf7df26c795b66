#include "editor/platform/key_text.h"

namespace {

void EncodeUtf8(uint32_t codepoint, char (&out)[5]) {
    out[0] = out[1] = out[2] = out[3] = out[4] = '\0';
    if (codepoint == 0 || codepoint > 0x10FFFF || (codepoint >= 0xD800 && codepoint <= 0xDFFF)) {
        return;
    }
    if (codepoint < 0x80) {
        out[0] = static_cast<char>(codepoint);
    } else if (codepoint < 0x800) {
        out[0] = static_cast<char>(0xC0 | (codepoint >> 6));
        out[1] = static_cast<char>(0x80 | (codepoint & 0x3F));
    } else if (codepoint < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (codepoint >> 12));
        out[1] = static_cast<char>(0x80 | ((codepoint >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (codepoint & 0x3F));
    } else {
        out[0] = static_cast<char>(0xF0 | (codepoint >> 18));
        out[1] = static_cast<char>(0x80 | ((codepoint >> 12) & 0x3F));
        out[2] = static_cast<char>(0x80 | ((codepoint >> 6) & 0x3F));
        out[3] = static_cast<char>(0x80 | (codepoint & 0x3F));
    }
}

}  // namespace

void KeyText(uint32_t keysym, const char* latin1, int length, char (&out)[5]) {
    uint32_t codepoint = 0;
    if (length == 1) {
        codepoint = static_cast<unsigned char>(latin1[0]);
    } else if ((keysym & 0xFF000000u) == 0x01000000u) {
        // Keysyms 0x01000000 + U carry the Unicode character U.
        codepoint = keysym & 0x00FFFFFFu;
    }
    EncodeUtf8(codepoint, out);
}
