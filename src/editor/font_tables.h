#pragma once
// What the editor reads from a TrueType font's own tables instead of handing
// the font to the operating system: units per em and style bits ("head"),
// family and style names ("name"), vertical metrics ("hhea"). Every read is
// checked against the font's length, so a damaged font is refused, never read
// beyond its end.
#include <cstddef>
#include <cstdint>
#include <string>

struct FontTables {
    int unitsPerEm = 0;
    int styleBits = 0;  // bit 0 bold, bit 1 italic, bit 2 underline
    std::string family;
    std::string style;
    int ascender = 0;
    int descender = 0;
    int lineGap = 0;

    // [any]
    bool Bold() const { return (styleBits & 1) != 0; }
    // [any]
    bool Italic() const { return (styleBits & 2) != 0; }
};

// [any] False when the bytes are not a TrueType font with these tables.
bool ReadFontTables(const unsigned char* data, std::size_t size, FontTables& out);
