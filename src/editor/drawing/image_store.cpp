#include "editor/drawing/image_store.h"

#include <epoxy/gl.h>
#include <stb/stb_image.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>

namespace drawing {

namespace {

struct StbFree {
    void operator()(unsigned char* p) const { stbi_image_free(p); }
};

}  // namespace

ImageStore::~ImageStore() {
    for (const Entry& e : mEntries) {
        if (e.texture) glDeleteTextures(1, &e.texture);
    }
}

int ImageStore::Allocate(int width, int height, const unsigned char* premultiplied, bool flipY) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (width <= 0 || height <= 0 || width > maxSize || height > maxSize) return 0;
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
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 premultiplied);
    glBindTexture(GL_TEXTURE_2D, GLuint(previous));
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &texture);
        return 0;
    }
    const Entry entry{texture, width, height, flipY};
    for (std::size_t i = 0; i < mEntries.size(); ++i) {
        if (!mEntries[i].texture) {
            mEntries[i] = entry;
            return int(i) + 1;
        }
    }
    mEntries.push_back(entry);
    return int(mEntries.size());
}

int ImageStore::CreateRGBA(int width, int height, const unsigned char* pixels) {
    if (!pixels || width <= 0 || height <= 0) return 0;
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (width > maxSize || height > maxSize) return 0;
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
    return Allocate(width, height, premultiplied.get(), false);
}

int ImageStore::CreateFromEncoded(const unsigned char* bytes, std::size_t size) {
    // Only PNG reaches stb: its other decoders are not safe on damaged input.
    static constexpr unsigned char kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (!bytes || size < sizeof kPng || size > std::size_t(std::numeric_limits<int>::max()) ||
        std::memcmp(bytes, kPng, sizeof kPng) != 0) {
        return 0;
    }
    int width = 0, height = 0, channels = 0;
    std::unique_ptr<unsigned char, StbFree> pixels(
        stbi_load_from_memory(bytes, int(size), &width, &height, &channels, 4));
    if (!pixels) return 0;
    return CreateRGBA(width, height, pixels.get());
}

int ImageStore::CreateFromFile(const char* path) {
    if (!path) return 0;
    std::ifstream file(path, std::ios::binary);
    if (!file) return 0;
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)),
                                           std::istreambuf_iterator<char>());
    return CreateFromEncoded(bytes.data(), bytes.size());
}

int ImageStore::CreateRenderTarget(int width, int height) {
    return Allocate(width, height, nullptr, true);
}

const ImageStore::Entry* ImageStore::Find(int image) const {
    if (image <= 0 || image > int(mEntries.size())) return nullptr;
    const Entry& e = mEntries[std::size_t(image) - 1];
    return e.texture ? &e : nullptr;
}

bool ImageStore::Size(int image, int& width, int& height) const {
    const Entry* e = Find(image);
    width = e ? e->width : 0;
    height = e ? e->height : 0;
    return e != nullptr;
}

void ImageStore::Delete(int image) {
    const Entry* e = Find(image);
    if (!e) return;
    Entry& entry = mEntries[std::size_t(image) - 1];
    glDeleteTextures(1, &entry.texture);
    entry = Entry{};
}

ImageStore::Sampling ImageStore::Sample(int image) const {
    const Entry* e = Find(image);
    return e ? Sampling{e->texture, e->flipY} : Sampling{};
}

}  // namespace drawing
