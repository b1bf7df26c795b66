// Decoding pictures: palette pictures with transparency come out as RGBA, and
// anything that is not a whole picture of sane size comes out as nothing.
#include "editor/picture_decoder.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cstdlib>

#include "editor/bitmap_cache.h"
#include "test_pictures.h"

namespace {

using test_pictures::Bytes;

// A baseline JPEG (4:4:4, quality 95) of width x height RGB pixels.
Bytes Jpeg(int width, int height, const std::vector<unsigned char>& rgb) {
    tjhandle handle = tjInitCompress();
    unsigned char* encoded = nullptr;
    unsigned long size = 0;
    const int status = tjCompress2(handle, rgb.data(), width, width * 3, height, TJPF_RGB, &encoded,
                                   &size, TJSAMP_444, 95, 0);
    Bytes bytes;
    if (status == 0) bytes.assign(encoded, encoded + size);
    tjFree(encoded);
    tjDestroy(handle);
    return bytes;
}

// Left half orange, right half dark blue.
std::vector<unsigned char> TwoColours(int width, int height) {
    std::vector<unsigned char> rgb;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool left = x < width / 2;
            rgb.insert(rgb.end(), {static_cast<unsigned char>(left ? 240 : 20),
                                   static_cast<unsigned char>(left ? 140 : 30),
                                   static_cast<unsigned char>(left ? 20 : 120)});
        }
    }
    return rgb;
}

TEST(PictureDecoder, PaletteAndTransparencyAreExpandedToRgba) {
    // Index 0 opaque red, 1 half-transparent green, 2 fully transparent blue.
    const Bytes png = test_pictures::PalettePng(3, 2, {0xFFFF0000u, 0x8000FF00u, 0x000000FFu},
                                                {0, 1, 2, 2, 1, 0});
    const DecodedPicture picture = DecodePicture(png.data(), png.size());
    ASSERT_TRUE(picture.Valid());
    ASSERT_EQ(picture.width, 3);
    ASSERT_EQ(picture.height, 2);
    const std::vector<unsigned char> expected = {
        255, 0, 0,   255, 0, 255, 0, 128, 0,   0, 255, 0,    // row 1
        0,   0, 255, 0,   0, 255, 0, 128, 255, 0, 0,   255,  // row 2
    };
    EXPECT_EQ(picture.rgba, expected);
}

TEST(PictureDecoder, JpegComesOutOpaqueAndCloseToWhatWasEncoded) {
    const int width = 32;
    const int height = 16;
    const std::vector<unsigned char> rgb = TwoColours(width, height);
    const Bytes jpeg = Jpeg(width, height, rgb);
    ASSERT_FALSE(jpeg.empty());
    const DecodedPicture picture = DecodePicture(jpeg.data(), jpeg.size());
    ASSERT_TRUE(picture.Valid());
    ASSERT_EQ(picture.width, width);
    ASSERT_EQ(picture.height, height);
    ASSERT_EQ(picture.rgba.size(), static_cast<std::size_t>(width * height * 4));
    int worst = 0;
    for (int i = 0; i < width * height; ++i) {
        EXPECT_EQ(picture.rgba[i * 4 + 3], 255);
        for (int c = 0; c < 3; ++c)
            worst = std::max(worst, std::abs(picture.rgba[i * 4 + c] - rgb[i * 3 + c]));
    }
    // Lossy, but a flat two-colour picture at quality 95 stays within a few steps.
    EXPECT_LE(worst, 12);
}

TEST(PictureDecoder, DamagedOrForeignBytesGiveNoPicture) {
    const Bytes good =
        test_pictures::RgbaPng(8, 8, [](int x, int y) { return 0xFF000000u | (x * 16 + y); });
    ASSERT_TRUE(DecodePicture(good.data(), good.size()).Valid());
    Bytes hugeHeader = good;
    // IHDR width at byte 16: claim 100000 pixels wide.
    hugeHeader[16] = 0x00;
    hugeHeader[17] = 0x01;
    hugeHeader[18] = 0x86;
    hugeHeader[19] = 0xA0;
    const Bytes text = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'};
    const Bytes jpeg = Jpeg(32, 16, TwoColours(32, 16));
    // A Huffman table that claims 16 x 255 codes where 256 is the most.
    Bytes hugeHuffmanTable = {0xFF, 0xD8, 0xFF, 0xC4, 0x00, 0x13, 0x00};
    hugeHuffmanTable.insert(hugeHuffmanTable.end(), 16, 0xFF);
    hugeHuffmanTable.insert(hugeHuffmanTable.end(), 64, 0x00);
    // Fill bytes before a start-of-image marker, then the same kind of table:
    // stb's JPEG reader took these and wrote past its table.
    Bytes paddedStart(14, 0xFF);
    paddedStart.insert(paddedStart.end(),
                       {0xD8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xC4, 0xC4});
    paddedStart.insert(paddedStart.end(), 43, 0x00);
    paddedStart.insert(paddedStart.end(), {0xFF, 0x2A});
    // A whole 1 x 1 GIF: a format this decoder does not read.
    const Bytes gif = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80,
                       0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x21, 0xF9, 0x04,
                       0x01, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x01,
                       0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
    struct Case {
        const char* what;
        Bytes bytes;
    };
    const Case cases[] = {
        {"truncated to its header", Bytes(good.begin(), good.begin() + 33)},
        {"truncated in its data", Bytes(good.begin(), good.end() - 30)},
        {"text", text},
        {"empty", {}},
        {"a size beyond the limits", hugeHeader},
        {"a JPEG cut short", Bytes(jpeg.begin(), jpeg.begin() + jpeg.size() / 2)},
        {"a JPEG Huffman table with too many codes", hugeHuffmanTable},
        {"fill bytes before a JPEG start", paddedStart},
        {"a GIF", gif},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const DecodedPicture picture = DecodePicture(c.bytes.data(), c.bytes.size());
        EXPECT_FALSE(picture.Valid());
        EXPECT_TRUE(picture.rgba.empty());
    }
    EXPECT_FALSE(DecodePicture(nullptr, 100).Valid());
    EXPECT_FALSE(DecodePictureFile("/nonexistent/picture.png").Valid());
}

TEST(PictureDecoder, OnlyPictureExtensionsAreSupported) {
    for (const char* yes : {"png", "PNG", "jpg", "JPEG", "xpng"})
        EXPECT_TRUE(IsSupportedPictureExtension(yes)) << yes;
    for (const char* no : {"txt", "ttf", "", "pn"})
        EXPECT_FALSE(IsSupportedPictureExtension(no)) << no;
}

TEST(BitmapCacheKey, IsTheNameAndOneDecimalScaleHashedWithFnv1a) {
    EXPECT_EQ(BitmapCacheKey("GAIN.png", 2.0), "GAIN.png-2.0x");
    EXPECT_EQ(BitmapCacheKey("GAIN.png", 1.5), "GAIN.png-1.5x");
    // Published 64-bit FNV-1a values.
    EXPECT_EQ(Fnv1a64(""), 0xcbf29ce484222325ull);
    EXPECT_EQ(Fnv1a64("a"), 0xaf63dc4c8601ec8cull);
    EXPECT_EQ(Fnv1a64("foobar"), 0x85944171f73967e8ull);
}

}  // namespace
