#include "editor/font_tables.h"

namespace {

// Big-endian reads that refuse to leave [data, data + size).
struct FontBytes {
    const unsigned char* data;
    std::size_t size;

    bool Has(std::size_t offset, std::size_t length) const {
        return offset <= size && length <= size - offset;
    }
    uint16_t U16(std::size_t at) const {
        return static_cast<uint16_t>((data[at] << 8) | data[at + 1]);
    }
    int16_t S16(std::size_t at) const { return static_cast<int16_t>(U16(at)); }
    uint32_t U32(std::size_t at) const {
        return (static_cast<uint32_t>(U16(at)) << 16) | U16(at + 2);
    }
};

struct Table {
    std::size_t offset = 0;
    std::size_t length = 0;
};

bool FindTable(const FontBytes& font, const char tag[4], Table& table) {
    if (!font.Has(0, 12)) return false;
    const uint32_t version = font.U32(0);
    if (version != 0x00010000u && version != 0x74727565u /* 'true' */) return false;
    const std::size_t count = font.U16(4);
    if (!font.Has(12, count * 16)) return false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t record = 12 + i * 16;
        const unsigned char* t = font.data + record;
        if (t[0] != tag[0] || t[1] != tag[1] || t[2] != tag[2] || t[3] != tag[3]) continue;
        table.offset = font.U32(record + 8);
        table.length = font.U32(record + 12);
        return font.Has(table.offset, table.length);
    }
    return false;
}

// A name record's text: UTF-16BE for Unicode and Windows platforms (characters
// beyond ASCII become '?'), single bytes otherwise.
std::string NameText(const FontBytes& font, std::size_t at, std::size_t length, uint16_t platform) {
    std::string text;
    if (platform == 0 || platform == 3) {
        for (std::size_t i = 0; i + 1 < length; i += 2) {
            const uint16_t c = font.U16(at + i);
            text.push_back(c < 0x80 ? static_cast<char>(c) : '?');
        }
    } else {
        text.assign(reinterpret_cast<const char*>(font.data + at), length);
    }
    return text;
}

bool ReadNames(const FontBytes& font, const Table& name, FontTables& out) {
    if (name.length < 6) return false;
    const std::size_t count = font.U16(name.offset + 2);
    const std::size_t strings = name.offset + font.U16(name.offset + 4);
    if (6 + count * 12 > name.length) return false;
    const std::size_t tableEnd = name.offset + name.length;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t record = name.offset + 6 + i * 12;
        const uint16_t platform = font.U16(record);
        const uint16_t id = font.U16(record + 6);
        const std::size_t length = font.U16(record + 8);
        const std::size_t at = strings + font.U16(record + 10);
        if (id != 1 && id != 2) continue;
        if (at > tableEnd || length > tableEnd - at) continue;
        std::string& target = id == 1 ? out.family : out.style;
        // The Windows records are preferred; the first record fills a gap.
        if (target.empty() || platform == 3) target = NameText(font, at, length, platform);
    }
    return !out.family.empty();
}

}  // namespace

bool ReadFontTables(const unsigned char* data, std::size_t size, FontTables& out) {
    if (data == nullptr) return false;
    const FontBytes font{data, size};
    Table head;
    Table hhea;
    Table name;
    if (!FindTable(font, "head", head) || !FindTable(font, "hhea", hhea) ||
        !FindTable(font, "name", name)) {
        return false;
    }
    if (head.length < 54 || hhea.length < 36) return false;
    FontTables tables;
    tables.unitsPerEm = font.U16(head.offset + 18);
    tables.styleBits = font.U16(head.offset + 44) & 7;
    tables.ascender = font.S16(hhea.offset + 4);
    tables.descender = font.S16(hhea.offset + 6);
    tables.lineGap = font.S16(hhea.offset + 8);
    if (tables.unitsPerEm == 0 || !ReadNames(font, name, tables)) return false;
    out = tables;
    return true;
}
