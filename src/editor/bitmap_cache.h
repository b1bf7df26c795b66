#pragma once
// The per-editor cache of decoded pictures, keyed by name and scale through
// the 64-bit FNV-1a hash of "<name>-<scale, one decimal>x" (for example
// "GAIN.png-2.0x"), so a picture is decoded once per open editor.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "editor/bitmap_strip.h"

// [any] The standard 64-bit FNV-1a hash.
uint64_t Fnv1a64(std::string_view text);
// [any] "GAIN.png-2.0x" for ("GAIN.png", 2).
std::string BitmapCacheKey(const std::string& name, double scale);

class BitmapCache {
public:
    // [ui] The bitmap stored for (name, scale), or null.
    BackendBitmap* Find(const std::string& name, double scale) const;
    // [ui] Stores the bitmap for (name, scale) and returns it.
    BackendBitmap* Add(const std::string& name, double scale,
                       std::unique_ptr<BackendBitmap> bitmap);
    // [ui] Hands every bitmap to release (to free its back-end image), then
    // forgets them all.
    void Clear(const std::function<void(BackendBitmap&)>& release);
    // [ui]
    std::size_t Count() const;
    // [ui] Held for the whole of a load, so a lookup and its decode are one step.
    std::mutex& Lock() { return mLock; }

private:
    struct Entry {
        uint64_t hash;
        std::string name;
        double scale;
        std::unique_ptr<BackendBitmap> bitmap;
    };
    std::vector<Entry> mEntries;
    mutable std::mutex mLock;
};
