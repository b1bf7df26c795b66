#pragma once
// The renderer's images: one GL texture each, named by a handle > 0 (0 is never an
// image). Pictures are given as straight-alpha RGBA bytes and kept premultiplied,
// so that linear filtering does not darken transparent edges; they are filtered
// linearly, without mipmaps, and clamp at their edges. Needs a current GL context.
#include <cstddef>
#include <vector>

namespace drawing {

class ImageStore {
public:
    // How the shader must read a texture.
    struct Sampling {
        unsigned texture = 0;
        bool flipY = false;  // rows stored bottom-up (a frame buffer's colour texture)
    };

    // [ui]
    ImageStore() = default;
    ImageStore(const ImageStore&) = delete;
    ImageStore& operator=(const ImageStore&) = delete;
    // [ui] Deletes every texture still alive.
    ~ImageStore();

    // [ui] An image from width x height straight-alpha RGBA bytes (rows top to bottom);
    // 0 when a size is not positive or beyond the GL limit, or the bytes are missing.
    int CreateRGBA(int width, int height, const unsigned char* pixels);
    // [ui] An image from a PNG picture; 0 when the bytes are not a PNG or do not decode.
    int CreateFromEncoded(const unsigned char* bytes, std::size_t size);
    // [ui] An image from a PNG file; 0 when it cannot be read or decoded.
    int CreateFromFile(const char* path);
    // [ui] An empty premultiplied texture stored bottom-up, for a frame buffer's colour.
    int CreateRenderTarget(int width, int height);

    // [ui] False (and 0 x 0) for a handle that is not an image.
    bool Size(int image, int& width, int& height) const;
    // [ui] Unknown handles are ignored.
    void Delete(int image);
    // [ui] The texture behind a handle; texture 0 for an unknown one.
    Sampling Sample(int image) const;

private:
    struct Entry {
        unsigned texture = 0;
        int width = 0;
        int height = 0;
        bool flipY = false;
    };

    int Allocate(int width, int height, const unsigned char* premultiplied, bool flipY);
    const Entry* Find(int image) const;

    std::vector<Entry> mEntries;  // handle = index + 1; texture 0 marks a free slot
};

}  // namespace drawing
