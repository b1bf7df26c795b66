#pragma once
// The renderer's images, named by a handle > 0 (0 is never an image). Pictures are
// given as straight-alpha RGBA bytes and kept premultiplied, so that linear filtering
// does not darken transparent edges; they are filtered linearly, without mipmaps, and
// clamp at their edges. No texture side exceeds the store's limit: a larger picture
// is kept as a grid of tiles, each overlapping its neighbours by one pixel so that
// filtering across a tile edge reads the same pixels as one texture would. Needs a
// current GL context.
#include <cstddef>
#include <vector>

namespace drawing {

class ImageStore {
public:
    // One texture of an image: the image pixels it answers for, and where its
    // texture lies in the image (one pixel more on each side that has a neighbour).
    struct Tile {
        unsigned texture = 0;
        int ownedX0 = 0, ownedY0 = 0, ownedX1 = 0, ownedY1 = 0;
        int textureX = 0, textureY = 0, textureWidth = 0, textureHeight = 0;
    };
    // How the shader must read an image.
    struct Sampling {
        const Tile* tiles = nullptr;  // row by row; null for an unknown image
        int tileCount = 0;
        int width = 0, height = 0;
        bool flipY = false;  // rows stored bottom-up (a frame buffer's colour texture)
    };

    // [ui] No texture side will exceed maxTextureSize (at least 3).
    explicit ImageStore(int maxTextureSize);
    ImageStore(const ImageStore&) = delete;
    ImageStore& operator=(const ImageStore&) = delete;
    // [ui] Deletes every texture still alive.
    ~ImageStore();
    // [ui] The context is gone: forgets every texture without deleting it.
    void ForgetContext() { mEntries.clear(); }

    // [ui] An image from width x height straight-alpha RGBA bytes (rows top to bottom),
    // in tiles where a side exceeds the limit; 0 when a size is not positive or beyond
    // kMaxImageSide, the bytes are missing or the driver refuses a texture.
    int CreateRGBA(int width, int height, const unsigned char* pixels);
    // [ui] An empty premultiplied texture stored bottom-up, for a frame buffer's colour;
    // always one texture, so 0 when a side exceeds the limit.
    int CreateRenderTarget(int width, int height);

    // [ui] False (and 0 x 0) for a handle that is not an image.
    bool Size(int image, int& width, int& height) const;
    // [ui] Unknown handles are ignored.
    void Delete(int image);
    // [ui] The tiles behind a handle; none for an unknown one.
    Sampling Sample(int image) const;
    // [ui] The texture of a one-tile image (a render target); 0 otherwise.
    unsigned Texture(int image) const;
    // [ui] The largest texture side this store makes.
    int MaxTextureSize() const { return mMaxTextureSize; }

private:
    struct Entry {
        std::vector<Tile> tiles;  // empty marks a free slot
        int width = 0;
        int height = 0;
        bool flipY = false;
    };

    unsigned Upload(int width, int height, const unsigned char* premultiplied, int rowLength);
    int Store(Entry entry);
    const Entry* Find(int image) const;

    int mMaxTextureSize;
    std::vector<Entry> mEntries;  // handle = index + 1
};

// [any] The largest image side accepted, tiled or not.
inline constexpr int kMaxImageSide = 32768;

}  // namespace drawing
