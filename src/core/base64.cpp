#include "core/base64.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Six-bit value of an alphabet character, -1 for anything else.
int SextetOf(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

void EncodeBase64(const uint8_t* bytes, int count, std::string& out) {
    out.clear();
    if (bytes == nullptr || count <= 0) {
        return;
    }
    out.reserve(static_cast<std::size_t>((count + 2) / 3) * 4);
    for (int i = 0; i < count; i += 3) {
        const int left = count - i;
        uint32_t group = static_cast<uint32_t>(bytes[i]) << 16;
        if (left > 1) group |= static_cast<uint32_t>(bytes[i + 1]) << 8;
        if (left > 2) group |= bytes[i + 2];
        out += kAlphabet[(group >> 18) & 63];
        out += kAlphabet[(group >> 12) & 63];
        out += left > 1 ? kAlphabet[(group >> 6) & 63] : '=';
        out += left > 2 ? kAlphabet[group & 63] : '=';
    }
}

std::string EncodeBase64(const uint8_t* bytes, int count) {
    std::string out;
    EncodeBase64(bytes, count, out);
    return out;
}

int DecodeBase64(const char* text, uint8_t* out, int size) {
    if (text == nullptr || out == nullptr) {
        return 0;
    }
    int written = 0;
    uint32_t bits = 0;
    int bitCount = 0;
    for (const char* c = text; written < size; ++c) {
        const int sextet = SextetOf(*c);
        if (sextet < 0) {
            break;
        }
        bits = (bits << 6) | static_cast<uint32_t>(sextet);
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            out[written++] = static_cast<uint8_t>((bits >> bitCount) & 0xFF);
        }
    }
    return written;
}
