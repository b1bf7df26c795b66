#include "editor/bitmap_cache.h"

#include <cstdio>

uint64_t Fnv1a64(std::string_view text) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

std::string BitmapCacheKey(const std::string& name, double scale) {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, "-%.1fx", scale);
    return name + suffix;
}

BackendBitmap* BitmapCache::Find(const std::string& name, double scale) const {
    const uint64_t hash = Fnv1a64(BitmapCacheKey(name, scale));
    for (const Entry& entry : mEntries) {
        if (entry.hash == hash && entry.scale == scale && entry.name == name)
            return entry.bitmap.get();
    }
    return nullptr;
}

BackendBitmap* BitmapCache::Add(const std::string& name, double scale,
                                std::unique_ptr<BackendBitmap> bitmap) {
    BackendBitmap* stored = bitmap.get();
    mEntries.push_back({Fnv1a64(BitmapCacheKey(name, scale)), name, scale, std::move(bitmap)});
    return stored;
}

void BitmapCache::Clear(const std::function<void(BackendBitmap&)>& release) {
    for (Entry& entry : mEntries) release(*entry.bitmap);
    mEntries.clear();
}

std::size_t BitmapCache::Count() const {
    return mEntries.size();
}
