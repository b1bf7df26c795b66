#pragma once
// Decoding of PNG and JPEG pictures into 8-bit RGBA rows (palettes and
// transparency expanded), from memory or from a file. The format is told by
// the bytes' signature, never by a name; anything else decodes to nothing.
#include <cstddef>
#include <string>
#include <vector>

// Pictures larger than this are refused rather than decoded.
inline constexpr int kMaxPictureSide = 32768;
inline constexpr long long kMaxPicturePixels = 32LL * 1024 * 1024;

struct DecodedPicture {
    std::vector<unsigned char> rgba;  // width * height * 4 bytes, rows top first
    int width = 0;
    int height = 0;
    // [any]
    bool Valid() const { return width > 0 && height > 0; }
};

// [any] An invalid (0 x 0) picture when the bytes are not a picture, are
// truncated, or describe one beyond the limits above.
DecodedPicture DecodePicture(const unsigned char* data, std::size_t size);
// [any] The same for a file; a missing or unreadable file gives 0 x 0.
DecodedPicture DecodePictureFile(const std::string& path);

// [any] Whether the extension names a picture type the decoder reads: it
// contains "png", "jpg" or "jpeg" in any case.
bool IsSupportedPictureExtension(const std::string& extension);
