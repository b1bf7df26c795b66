#include "editor/drawing/image_store.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <memory>

namespace drawing {

namespace {

// One axis of a tiled image: the pixels a tile answers for and its texture's
// extent, one pixel wider on each side that has a neighbour.
struct Span {
    int owned0, owned1, texture0, texture1;
};

std::vector<Span> Spans(int size, int limit) {
    if (size <= limit) return {{0, size, 0, size}};
    std::vector<Span> spans;
    int owned0 = 0;
    while (owned0 < size) {
        const int texture0 = owned0 == 0 ? 0 : owned0 - 1;
        const int texture1 = std::min(size, texture0 + limit);
        const int owned1 = texture1 == size ? size : texture1 - 1;
        spans.push_back({owned0, owned1, texture0, texture1});
        owned0 = owned1;
    }
    return spans;
}

}  // namespace

ImageStore::ImageStore(int maxTextureSize) : mMaxTextureSize(std::max(3, maxTextureSize)) {}

ImageStore::~ImageStore() {
    for (const Entry& e : mEntries) {
        for (const Tile& t : e.tiles) glDeleteTextures(1, &t.texture);
    }
}

unsigned ImageStore::Upload(int width, int height, const unsigned char* premultiplied,
                            int rowLength) {
    // Earlier errors are not this upload's; a lost context would report forever.
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    if (!texture) return 0;
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 premultiplied);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glBindTexture(GL_TEXTURE_2D, GLuint(previous));
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &texture);
        return 0;
    }
    return texture;
}

int ImageStore::Store(Entry entry) {
    for (std::size_t i = 0; i < mEntries.size(); ++i) {
        if (mEntries[i].tiles.empty()) {
            mEntries[i] = std::move(entry);
            return int(i) + 1;
        }
    }
    mEntries.push_back(std::move(entry));
    return int(mEntries.size());
}

int ImageStore::CreateRGBA(int width, int height, const unsigned char* pixels) {
    if (!pixels || width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) {
        return 0;
    }
    const std::size_t count = std::size_t(width) * std::size_t(height) * 4;
    std::unique_ptr<unsigned char[]> premultiplied(new (std::nothrow) unsigned char[count]);
    if (!premultiplied) return 0;
    for (std::size_t i = 0; i < count; i += 4) {
        const unsigned alpha = pixels[i + 3];
        for (int c = 0; c < 3; ++c) {
            premultiplied[i + c] = static_cast<unsigned char>((pixels[i + c] * alpha + 127) / 255);
        }
        premultiplied[i + 3] = static_cast<unsigned char>(alpha);
    }
    Entry entry{{}, width, height, false};
    for (const Span& row : Spans(height, mMaxTextureSize)) {
        for (const Span& column : Spans(width, mMaxTextureSize)) {
            Tile tile{0,
                      column.owned0,
                      row.owned0,
                      column.owned1,
                      row.owned1,
                      column.texture0,
                      row.texture0,
                      column.texture1 - column.texture0,
                      row.texture1 - row.texture0};
            const std::size_t first =
                (std::size_t(tile.textureY) * std::size_t(width) + std::size_t(tile.textureX)) * 4;
            tile.texture =
                Upload(tile.textureWidth, tile.textureHeight, premultiplied.get() + first, width);
            if (!tile.texture) {
                for (const Tile& t : entry.tiles) glDeleteTextures(1, &t.texture);
                return 0;
            }
            entry.tiles.push_back(tile);
        }
    }
    return Store(std::move(entry));
}

int ImageStore::CreateRenderTarget(int width, int height) {
    if (width <= 0 || height <= 0 || width > mMaxTextureSize || height > mMaxTextureSize) return 0;
    const unsigned texture = Upload(width, height, nullptr, 0);
    if (!texture) return 0;
    Entry entry{{Tile{texture, 0, 0, width, height, 0, 0, width, height}}, width, height, true};
    return Store(std::move(entry));
}

const ImageStore::Entry* ImageStore::Find(int image) const {
    if (image <= 0 || image > int(mEntries.size())) return nullptr;
    const Entry& e = mEntries[std::size_t(image) - 1];
    return e.tiles.empty() ? nullptr : &e;
}

bool ImageStore::Size(int image, int& width, int& height) const {
    const Entry* e = Find(image);
    width = e ? e->width : 0;
    height = e ? e->height : 0;
    return e != nullptr;
}

void ImageStore::Delete(int image) {
    if (!Find(image)) return;
    Entry& entry = mEntries[std::size_t(image) - 1];
    for (const Tile& t : entry.tiles) glDeleteTextures(1, &t.texture);
    entry = Entry{};
}

ImageStore::Sampling ImageStore::Sample(int image) const {
    const Entry* e = Find(image);
    if (!e) return {};
    return {e->tiles.data(), int(e->tiles.size()), e->width, e->height, e->flipY};
}

unsigned ImageStore::Texture(int image) const {
    const Entry* e = Find(image);
    return e && e->tiles.size() == 1 ? e->tiles.front().texture : 0;
}

}  // namespace drawing
