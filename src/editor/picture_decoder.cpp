#include "editor/picture_decoder.h"

#include <stb_image.h>
#include <turbojpeg.h>

#include <cctype>
#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

namespace {

bool WithinLimits(int width, int height) {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           static_cast<long long>(width) * height <= kMaxPicturePixels;
}

bool StartsWith(const unsigned char* data, std::size_t size, const unsigned char* magic,
                std::size_t length) {
    return size >= length && std::memcmp(data, magic, length) == 0;
}

bool IsPng(const unsigned char* data, std::size_t size) {
    static constexpr unsigned char kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return StartsWith(data, size, kSignature, sizeof kSignature);
}

bool IsJpeg(const unsigned char* data, std::size_t size) {
    static constexpr unsigned char kStartOfImage[] = {0xFF, 0xD8, 0xFF};
    return StartsWith(data, size, kStartOfImage, sizeof kStartOfImage);
}

// stb only ever sees bytes with a PNG signature, so none of its other
// decoders (whose handling of damaged input is not safe) is reached.
DecodedPicture DecodePng(const unsigned char* data, int length) {
    DecodedPicture picture;
    int width = 0;
    int height = 0;
    int channels = 0;
    // Ask for the size first, so a lying header cannot make the decoder allocate.
    if (stbi_info_from_memory(data, length, &width, &height, &channels) == 0 ||
        !WithinLimits(width, height)) {
        return picture;
    }
    unsigned char* pixels = stbi_load_from_memory(data, length, &width, &height, &channels, 4);
    if (pixels == nullptr) return picture;
    if (WithinLimits(width, height)) {
        picture.width = width;
        picture.height = height;
        picture.rgba.assign(pixels, pixels + static_cast<std::size_t>(width) * height * 4);
    }
    stbi_image_free(pixels);
    return picture;
}

struct TurboJpegDestroy {
    void operator()(void* handle) const { tjDestroy(handle); }
};

// libjpeg-turbo: its decoder is hardened against damaged streams, and a
// warning (a truncated or corrupt stream) counts as failure.
DecodedPicture DecodeJpeg(const unsigned char* data, std::size_t size) {
    DecodedPicture picture;
    const std::unique_ptr<void, TurboJpegDestroy> handle(tjInitDecompress());
    if (!handle) return picture;
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourspace = 0;
    if (tjDecompressHeader3(handle.get(), data, static_cast<unsigned long>(size), &width, &height,
                            &subsampling, &colourspace) != 0 ||
        !WithinLimits(width, height)) {
        return picture;
    }
    std::vector<unsigned char> rgba(static_cast<std::size_t>(width) * height * 4);
    if (tjDecompress2(handle.get(), data, static_cast<unsigned long>(size), rgba.data(), width,
                      width * 4, height, TJPF_RGBA,
                      TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS) != 0) {
        return picture;
    }
    picture.width = width;
    picture.height = height;
    picture.rgba = std::move(rgba);
    return picture;
}

}  // namespace

DecodedPicture DecodePicture(const unsigned char* data, std::size_t size) {
    if (data == nullptr || size == 0 || size > static_cast<std::size_t>(INT_MAX)) return {};
    if (IsPng(data, size)) return DecodePng(data, static_cast<int>(size));
    if (IsJpeg(data, size)) return DecodeJpeg(data, size);
    return {};
}

DecodedPicture DecodePictureFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return {};
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)),
                                           std::istreambuf_iterator<char>());
    return DecodePicture(bytes.data(), bytes.size());
}

bool IsSupportedPictureExtension(const std::string& extension) {
    std::string lower = extension;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.find("png") != std::string::npos || lower.find("jpg") != std::string::npos ||
           lower.find("jpeg") != std::string::npos;
}
