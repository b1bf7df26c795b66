#include "editor/embedded_resources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

const EmbeddedResourceTable& TarnwhistleResources();
const EmbeddedResourceTable& EmbedFixtureResources();

namespace {

namespace fs = std::filesystem;

struct EmbeddedFile {
    const char* file;
    const char* name;
    const char* type;
};

std::vector<unsigned char> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t VisibleFiles(const fs::path& folder) {
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') ++count;
    return count;
}

// Each expected file is listed once, under its name and type, holding exactly the file's bytes,
// and the table lists nothing else.
void ExpectTableHolds(const EmbeddedResourceTable& table, const fs::path& folder,
                      const std::vector<EmbeddedFile>& files) {
    ASSERT_EQ(table.count, files.size());
    ASSERT_EQ(VisibleFiles(folder), files.size())
        << "a file of " << folder << " is not listed here";
    for (const EmbeddedFile& file : files) {
        SCOPED_TRACE(file.file);
        const EmbeddedResource* found = nullptr;
        for (std::size_t i = 0; i < table.count; ++i) {
            if (std::string(table.entries[i].name) != file.name) continue;
            EXPECT_EQ(found, nullptr) << "listed twice";
            found = &table.entries[i];
        }
        ASSERT_NE(found, nullptr);
        EXPECT_STREQ(found->type, file.type);
        ASSERT_NE(found->data, nullptr);
        const std::vector<unsigned char> bytes = ReadFile(folder / file.file);
        ASSERT_EQ(found->size, bytes.size());
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), found->data)) << "bytes differ";
    }
}

TEST(EmbeddedResources, ProductTableHoldsEveryPictureAndTheFont) {
    ExpectTableHolds(TarnwhistleResources(), fs::path(TW_SOURCE_DIR_PATH) / "resources",
                     {
                         {"BG@2x.png", "\"BG@2X.PNG\"", "PNG"},
                         {"SWITCH@2x.png", "\"SWITCH@2X.PNG\"", "PNG"},
                         {"OVER@2x.png", "\"OVER@2X.PNG\"", "PNG"},
                         {"GAIN@2x.png", "\"GAIN@2X.PNG\"", "PNG"},
                         {"TRIM@2x.png", "\"TRIM@2X.PNG\"", "PNG"},
                         {"BGAIN@2x.png", "\"BGAIN@2X.PNG\"", "PNG"},
                         {"HPF@2x.png", "\"HPF@2X.PNG\"", "PNG"},
                         {"LF@2x.png", "\"LF@2X.PNG\"", "PNG"},
                         {"MF@2x.png", "\"MF@2X.PNG\"", "PNG"},
                         {"Roboto-Regular.ttf", "\"ROBOTO-REGULAR.TTF\"", "TTF"},
                         {"Roboto-LICENSE.txt", "\"ROBOTO-LICENSE.TXT\"", "TXT"},
                     });
}

// Mixed case, a second dot, no extension, an empty file; hidden files are left out.
TEST(EmbeddedResources, NamesAndTypesComeFromTheFileName) {
    ExpectTableHolds(EmbedFixtureResources(),
                     fs::path(TW_SOURCE_DIR_PATH) / "tests" / "resources" / "embed_fixture",
                     {
                         {"Mixed@2x.Png", "\"MIXED@2X.PNG\"", "PNG"},
                         {"two.dots.ttf", "\"TWO.DOTS.TTF\"", "TTF"},
                         {"no_extension", "\"NO_EXTENSION\"", ""},
                         {"empty.txt", "\"EMPTY.TXT\"", "TXT"},
                     });
}

}  // namespace
