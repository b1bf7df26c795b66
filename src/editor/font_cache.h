#pragma once
// The process-wide cache of loaded fonts, shared by every editor of the
// process (several plug-in instances may be open at once) and emptied when
// the last editor goes away.
#include <cstddef>
#include <string>
#include <vector>

#include "editor/font_tables.h"

struct CachedFont {
    std::vector<unsigned char> bytes;  // a copy: a font read from disk has no other owner
    FontTables tables;
};

// [any] Stores the font under fontId unless it is there already.
void FontCacheAdd(const std::string& fontId, CachedFont font);
// [any] The font stored under fontId, or null. It stays valid until
// FontCacheClear, which runs only when no editor is left.
const CachedFont* FontCacheFind(const std::string& fontId);
// [any] Forgets every font.
void FontCacheClear();
// [any] The fonts stored.
int FontCacheCount();
