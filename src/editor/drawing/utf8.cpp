#include "editor/drawing/utf8.h"

namespace drawing {

const char* NextCodePoint(const char* text, const char* end, std::uint32_t& codePoint) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const auto* limit = reinterpret_cast<const unsigned char*>(end);
    const unsigned lead = p[0];
    int length = 0;
    std::uint32_t value = 0;
    std::uint32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return text + 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        codePoint = kReplacementCharacter;
        return text + 1;
    }
    if (limit - p < length) {
        codePoint = kReplacementCharacter;
        return text + 1;
    }
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80) {
            codePoint = kReplacementCharacter;
            return text + 1;
        }
        value = (value << 6) | (p[i] & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        codePoint = kReplacementCharacter;
        return text + 1;
    }
    codePoint = value;
    return text + length;
}

}  // namespace drawing
