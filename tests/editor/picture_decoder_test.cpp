// Decoding pictures: palette pictures with transparency come out as RGBA, and
// anything that is not a whole picture of sane size comes out as nothing.
#include "editor/picture_decoder.h"

#include <gtest/gtest.h>

#include "editor/bitmap_cache.h"
#include "test_pictures.h"

namespace {

using test_pictures::Bytes;

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
