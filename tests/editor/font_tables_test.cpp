// Reading a font's tables instead of registering it with the system: the
// product's font gives its names and metrics; a damaged one is refused.
#include "editor/font_tables.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

namespace {

const char* kRoboto = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";

std::vector<unsigned char> ReadFile(const char* path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(FontTables, TheProductFontGivesItsFamilyStyleAndMetrics) {
    const std::vector<unsigned char> font = ReadFile(kRoboto);
    if (font.empty()) GTEST_SKIP() << "fonts-roboto-unhinted is not installed";
    FontTables tables;
    ASSERT_TRUE(ReadFontTables(font.data(), font.size(), tables));
    EXPECT_EQ(tables.family, "Roboto");
    EXPECT_EQ(tables.style, "Regular");
    EXPECT_EQ(tables.unitsPerEm, 2048);
    EXPECT_FALSE(tables.Bold());
    EXPECT_FALSE(tables.Italic());
    EXPECT_GT(tables.ascender, 0);
    EXPECT_LT(tables.descender, 0);
}

TEST(FontTables, ACutFontIsNeverReadPastItsEndAndARefusalChangesNothing) {
    const std::vector<unsigned char> font = ReadFile(kRoboto);
    if (font.empty()) GTEST_SKIP() << "fonts-roboto-unhinted is not installed";
    // Cut lengths around the table directory and through the whole file; the
    // address sanitizer build catches any read beyond the copy.
    for (std::size_t length : {std::size_t{0}, std::size_t{11}, std::size_t{12}, std::size_t{100},
                               std::size_t{400}, font.size() / 2, font.size() - 1}) {
        SCOPED_TRACE(length);
        const std::vector<unsigned char> cut(font.begin(),
                                             font.begin() + static_cast<long>(length));
        FontTables tables;
        tables.family = "unchanged";
        if (!ReadFontTables(cut.data(), cut.size(), tables)) {
            EXPECT_EQ(tables.family, "unchanged");
        }
    }
    const std::vector<unsigned char> text = {'n', 'o', 't', ' ', 'a', ' ', 'f',
                                             'o', 'n', 't', '!', '!', '!'};
    FontTables tables;
    EXPECT_FALSE(ReadFontTables(text.data(), text.size(), tables));
}

}  // namespace
