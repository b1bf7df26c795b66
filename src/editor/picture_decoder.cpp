#include "editor/picture_decoder.h"

#include <stb_image.h>

#include <cctype>
#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

bool WithinLimits(int width, int height) {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           static_cast<long long>(width) * height <= kMaxPicturePixels;
}

}  // namespace

DecodedPicture DecodePicture(const unsigned char* data, std::size_t size) {
    DecodedPicture picture;
    if (data == nullptr || size == 0 || size > static_cast<std::size_t>(INT_MAX)) return picture;
    const int length = static_cast<int>(size);
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
