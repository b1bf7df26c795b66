#include "vst3/vst3_strings.h"

#include <cstdint>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 character at text; advances text.
char32_t NextCodePoint(const unsigned char*& text) {
    const unsigned char lead = *text++;
    if (lead < 0x80) {
        return lead;
    }
    int extra = 0;
    char32_t value = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        value = lead & 0x07;
    } else {
        return kReplacement;
    }
    for (int i = 0; i < extra; ++i) {
        if ((*text & 0xC0) != 0x80) {
            return kReplacement;
        }
        value = (value << 6) | (*text++ & 0x3F);
    }
    const bool overlong = (extra == 1 && value < 0x80) || (extra == 2 && value < 0x800) ||
                          (extra == 3 && value < 0x10000);
    if (overlong || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return kReplacement;
    }
    return value;
}

void AppendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

void CopyToString128(const char* utf8, vst3::Char16* out) {
    constexpr int kUnits = 128;
    int at = 0;
    const auto* text = reinterpret_cast<const unsigned char*>(utf8 != nullptr ? utf8 : "");
    while (*text != 0) {
        const char32_t c = NextCodePoint(text);
        const int units = c >= 0x10000 ? 2 : 1;
        if (at + units >= kUnits) {
            break;
        }
        if (units == 2) {
            out[at++] = static_cast<vst3::Char16>(0xD800 + ((c - 0x10000) >> 10));
            out[at++] = static_cast<vst3::Char16>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out[at++] = static_cast<vst3::Char16>(c);
        }
    }
    out[at] = 0;
}

std::string Utf16ToUtf8(const vst3::Char16* text) {
    std::string out;
    if (text == nullptr) {
        return out;
    }
    for (int i = 0; i < kVST3MaxTextUnits && text[i] != 0; ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < kVST3MaxTextUnits && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        AppendUtf8(c, out);
    }
    return out;
}
