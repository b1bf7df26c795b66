#include "core/text_buf.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// printf-style output as a std::string; an encoding error gives "".
std::string FormatToString(const char* format, va_list args) {
    if (format == nullptr) return {};
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) return {};
    std::string out(static_cast<std::size_t>(length), '\0');
    std::vsnprintf(out.data(), out.size() + 1, format, args);
    return out;
}

}  // namespace

std::size_t CutLength(const char* text, std::size_t length, int maxChars) {
    if (maxChars < 0 || length <= static_cast<std::size_t>(maxChars)) return length;
    std::size_t cut = static_cast<std::size_t>(maxChars);
    // Back up over continuation bytes so the kept part ends on a whole character.
    while (cut > 0 && IsContinuationByte(text[cut])) --cut;
    return cut;
}

void CopyTextField(char* field, std::size_t fieldSize, const char* text) {
    if (field == nullptr || fieldSize == 0) return;
    if (text == nullptr) text = "";
    const std::size_t maxChars = fieldSize - 1;
    const std::size_t length = strnlen(text, maxChars + 1);
    const std::size_t keep = CutLength(text, length, static_cast<int>(maxChars));
    std::memmove(field, text, keep);
    field[keep] = '\0';
}

TextBuf::TextBuf(const char* text, int maxChars) { Set(text, maxChars); }

void TextBuf::Set(const char* text, int maxChars) {
    if (text == nullptr) text = "";
    // Copy first: text may point into this buffer.
    std::string copy(text, CutLength(text, std::strlen(text), maxChars));
    mText = std::move(copy);
}

void TextBuf::SetFormatted(int maxChars, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string out = FormatToString(format, args);
    va_end(args);
    out.resize(CutLength(out.c_str(), out.size(), maxChars));
    mText = std::move(out);
}

void TextBuf::Append(const char* text, int maxChars) {
    if (text == nullptr) return;
    std::string copy(text, CutLength(text, std::strlen(text), maxChars));
    mText += copy;
}

void TextBuf::AppendFormatted(int maxChars, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string out = FormatToString(format, args);
    va_end(args);
    out.resize(CutLength(out.c_str(), out.size(), maxChars));
    mText += out;
}

void TextBuf::Clear() { mText.clear(); }

bool TextBuf::operator==(const char* text) const {
    return mText == (text == nullptr ? "" : text);
}
