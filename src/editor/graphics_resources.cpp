// Pictures and fonts of Graphics: lookup over scales, the per-editor bitmap
// cache, decoding into the back end, and the process-wide fonts.
#include <climits>
#include <cmath>
#include <fstream>
#include <iterator>
#include <mutex>

#include "editor/font_cache.h"
#include "editor/font_tables.h"
#include "editor/graphics.h"
#include "editor/picture_decoder.h"
#include "editor/resource_lookup.h"

namespace {

// ceil of the screen scale, kept within what an int holds.
int TargetScaleFor(float screenScale) {
    const float target = std::ceil(screenScale);
    if (!(target >= 1.0f)) return 1;
    return target > 64.0f ? 64 : static_cast<int>(target);
}

DecodedPicture DecodeLocated(ResourceLocation location, const std::string& path,
                             const std::string& type, const EmbeddedResourceTable* table) {
    if (location == kResourceOnDisk) return DecodePictureFile(path);
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    if (!ReadEmbeddedResource(table, path, type, data, size)) return {};
    return DecodePicture(data, size);
}

}  // namespace

BitmapStrip Graphics::LoadBitmap(const std::string& name, int frames, bool framesHorizontal,
                                 int targetScale) {
    if (targetScale <= 0) targetScale = TargetScaleFor(mScreenScale);
    std::lock_guard<std::mutex> guard(mBitmapCache.Lock());
    BackendBitmap* bitmap = mBitmapCache.Find(name, targetScale);
    if (bitmap == nullptr) {
        const std::string extension = NameExtension(name);
        std::string path;
        int found = targetScale;
        const ResourceLocation location =
            FindScaledPicture(name, extension, path, targetScale, found, mResources);
        if (location == kResourceNotFound || !IsSupportedPictureExtension(extension)) return {};
        if (found != targetScale) bitmap = mBitmapCache.Find(name, found);
        if (bitmap == nullptr) {
            const DecodedPicture picture = DecodeLocated(location, path, extension, mResources);
            ++mDecodeCount;
            auto decoded = std::make_unique<BackendBitmap>();
            if (picture.Valid()) {
                decoded->image = mCanvas->CreateImage(picture);
                if (decoded->image != 0) {
                    decoded->width = picture.width;
                    decoded->height = picture.height;
                }
            }
            decoded->scale = static_cast<float>(found);
            bitmap = mBitmapCache.Add(name, found, std::move(decoded));
        }
    }
    BitmapStrip strip;
    // A picture that did not decode has no size, and so shows nothing.
    if (bitmap->image == 0) return strip;
    strip.bitmap = bitmap;
    strip.width = static_cast<int>(static_cast<float>(bitmap->width) / bitmap->scale);
    strip.height = static_cast<int>(static_cast<float>(bitmap->height) / bitmap->scale);
    strip.frames = frames < 1 ? 1 : frames;
    strip.framesHorizontal = framesHorizontal;
    strip.name = name;
    return strip;
}

BitmapStrip Graphics::ReloadBitmapForScale(const BitmapStrip& strip) {
    return LoadBitmap(strip.name, strip.frames, strip.framesHorizontal,
                      TargetScaleFor(mScreenScale));
}

bool Graphics::LoadFont(const std::string& fontId, const std::string& fileName) {
    if (FontCacheFind(fontId) == nullptr) {
        std::string path;
        const ResourceLocation location = LookUpResource(fileName, "ttf", path, mResources);
        CachedFont font;
        if (location == kResourceEmbedded) {
            const unsigned char* data = nullptr;
            std::size_t size = 0;
            if (!ReadEmbeddedResource(mResources, path, "ttf", data, size)) return false;
            font.bytes.assign(data, data + size);
        } else if (location == kResourceOnDisk) {
            std::ifstream file(path, std::ios::binary);
            font.bytes.assign(std::istreambuf_iterator<char>(file),
                              std::istreambuf_iterator<char>());
        } else {
            return false;
        }
        if (!ReadFontTables(font.bytes.data(), font.bytes.size(), font.tables)) return false;
        FontCacheAdd(fontId, std::move(font));
    }
    const CachedFont* font = FontCacheFind(fontId);
    return font != nullptr &&
           mCanvas->LoadFont(fontId, font->bytes.data(), font->bytes.size(), font->tables);
}

void Graphics::ReleaseBitmaps() {
    std::lock_guard<std::mutex> guard(mBitmapCache.Lock());
    mBitmapCache.Clear([this](BackendBitmap& bitmap) {
        if (bitmap.image != 0) mCanvas->FreeImage(bitmap.image);
    });
}
