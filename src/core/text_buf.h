#pragma once
// Bounded text: a growable NUL-terminated string whose setters take a limit
// and cut whatever does not fit, so display texts, names and descriptions
// never grow past what their reader expects. Limits count bytes; a cut never
// splits a UTF-8 sequence, so a cut text may be a few bytes shorter.
//
// Also the helper for the fixed char[32] text fields (parameter names, labels,
// groups, display texts): CopyTextField cuts at 31 characters and always
// terminates inside the field.
//
// A TextBuf allocates, so it is for [main] and [ui] code only; CopyTextField
// allocates nothing and is safe from [any] thread on memory it owns.
#include <cstddef>
#include <string>

// Size of the fixed text fields, terminator included.
inline constexpr int kTextFieldSize = 32;
// Characters a fixed text field holds; also the usual limit for display texts.
inline constexpr int kMaxTextFieldChars = kTextFieldSize - 1;
// Limit of the display texts written by parameter formatting.
inline constexpr int kMaxDisplayChars = 32;
// Passed as a limit when the text may be as long as it likes.
inline constexpr int kUnlimitedChars = -1;

class TextBuf {
public:
    TextBuf() = default;
    // [main, ui]
    explicit TextBuf(const char* text, int maxChars = kUnlimitedChars);

    // [main, ui] Replace the content with text (null counts as ""), at most maxChars of it.
    void Set(const char* text, int maxChars = kUnlimitedChars);
    // [main, ui] Replace the content with printf-style output, at most maxChars of it.
    void SetFormatted(int maxChars, const char* format, ...)
        __attribute__((format(printf, 3, 4)));
    // [main, ui] Append text (null counts as ""), at most maxChars of it.
    void Append(const char* text, int maxChars = kUnlimitedChars);
    // [main, ui] Append printf-style output, at most maxChars of it.
    void AppendFormatted(int maxChars, const char* format, ...)
        __attribute__((format(printf, 3, 4)));
    // [main, ui]
    void Clear();

    // [any] never null
    const char* Get() const { return mText.c_str(); }
    // [any]
    int Length() const { return static_cast<int>(mText.size()); }
    // [any]
    bool Empty() const { return mText.empty(); }
    // [any]
    const std::string& Str() const { return mText; }

    // [any]
    bool operator==(const char* text) const;

private:
    std::string mText;
};

// [any] Length of the longest prefix of text[0..length) that holds at most maxChars
// bytes without ending inside a UTF-8 sequence. maxChars < 0 means no limit.
std::size_t CutLength(const char* text, std::size_t length, int maxChars);

// [any] Copy text (null counts as "") into a fixed field of fieldSize bytes: at most
// fieldSize - 1 characters, always NUL-terminated, nothing written past it.
void CopyTextField(char* field, std::size_t fieldSize, const char* text);

// [any]
template <std::size_t N>
void CopyTextField(char (&field)[N], const char* text) {
    CopyTextField(field, N, text);
}
