// Pictures and fonts from outside: any bytes handed to the picture decoder or
// the font-table reader give a whole picture, a whole set of tables, or
// nothing, and are never read out of bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "editor/font_tables.h"
#include "editor/picture_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const DecodedPicture picture = DecodePicture(data, size);
    if (picture.Valid() &&
        picture.rgba.size() != static_cast<std::size_t>(picture.width) * picture.height * 4) {
        std::abort();
    }
    if (!picture.Valid() && !picture.rgba.empty()) std::abort();
    FontTables tables;
    if (ReadFontTables(data, size, tables) && (tables.unitsPerEm == 0 || tables.family.empty()))
        std::abort();
    return 0;
}
