#pragma once
// Off-screen frame buffers: a GL frame buffer object with an 8-bit stencil and a
// colour texture that is also an image of the ImageStore, so what is rendered into
// it can be painted with an image pattern. Handles are > 0. Needs a current GL context.
#include <vector>

#include "editor/drawing/image_store.h"

namespace drawing {

class FramebufferStore {
public:
    // [ui] Colour textures are made in `images`, which must outlive the store.
    explicit FramebufferStore(ImageStore& images) : mImages(images) {}
    FramebufferStore(const FramebufferStore&) = delete;
    FramebufferStore& operator=(const FramebufferStore&) = delete;
    // [ui] Deletes every frame buffer still alive, with its image.
    ~FramebufferStore();
    // [ui] The context is gone: forgets every frame buffer without deleting it.
    void ForgetContext() { mEntries.clear(); }

    // [ui] A frame buffer of width x height pixels, content undefined; 0 when the size
    // is not positive or too large, or the driver cannot complete it.
    int Create(int width, int height);
    // [ui] Deletes the frame buffer, its stencil and its colour image.
    void Delete(int framebuffer);
    // [ui] The image showing the colour texture; 0 for an unknown handle.
    int Image(int framebuffer) const;
    // [ui] The GL frame buffer object's name; 0 for an unknown handle.
    unsigned Object(int framebuffer) const;

private:
    struct Entry {
        unsigned object = 0;
        unsigned stencil = 0;
        int image = 0;
    };

    const Entry* Find(int framebuffer) const;

    ImageStore& mImages;
    std::vector<Entry> mEntries;
};

}  // namespace drawing
