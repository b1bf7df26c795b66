#pragma once
// Small pictures made inside the tests: PNG bytes in memory, resource tables
// built from them, and the product's nine pictures at their real sizes
// written to a scratch folder, so the editor's tests need no artwork.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/embedded_resources.h"

namespace test_pictures {

using Bytes = std::vector<unsigned char>;

// An 8-bit RGBA PNG whose pixel (x, y) is pixel(x, y) as 0xAARRGGBB.
Bytes RgbaPng(int width, int height, const std::function<uint32_t(int x, int y)>& pixel);
// An 8-bit palette PNG with a transparency chunk (alpha from each palette
// entry, 0xAARRGGBB), one index per pixel, rows top first.
Bytes PalettePng(int width, int height, const std::vector<uint32_t>& palette,
                 const std::vector<uint8_t>& indices);

// Resources as a module would carry them: "GAIN@2x.png" is stored as
// "\"GAIN@2X.PNG\"" of type "PNG".
class ResourceSet {
public:
    void Add(const std::string& fileName, Bytes bytes);
    const EmbeddedResourceTable* Table();

private:
    struct Stored {
        std::string name;
        std::string type;
        Bytes bytes;
    };
    std::vector<std::unique_ptr<Stored>> mStored;
    std::vector<EmbeddedResource> mEntries;
    EmbeddedResourceTable mTable{nullptr, 0};
};

// The product's pictures at scale 2 (BG@2x.png ... MF@2x.png) at their real
// pixel sizes, in a scratch folder made once per process.
const std::string& ProductPictureFolder();

// Makes folder the working directory for its lifetime.
class ScopedWorkingDirectory {
public:
    explicit ScopedWorkingDirectory(const std::string& folder);
    ~ScopedWorkingDirectory();

private:
    std::string mPrevious;
};

}  // namespace test_pictures
