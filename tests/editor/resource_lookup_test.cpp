// Finding pictures: the module's table first (case-insensitive, quoted
// located names), files on disk second, over the scales in their fixed order.
#include "editor/resource_lookup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "test_pictures.h"

namespace {

using test_pictures::ResourceSet;

TEST(ResourceLookup, ScaledNamesKeepFolderDotsOutOfTheExtension) {
    struct Case {
        const char* name;
        int scale;
        const char* expected;
    };
    const Case cases[] = {
        {"GAIN.png", 1, "GAIN.png"},
        {"GAIN.png", 2, "GAIN@2x.png"},
        {"art.v2/knob.png", 3, "art.v2/knob@3x.png"},
        {"art.v2/knob", 2, "art.v2/knob@2x"},
        {"knob", 2, "knob@2x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ScaledPictureName(c.name, c.scale), c.expected);
    }
}

TEST(ResourceLookup, ScalesAreTriedInTheirFixedOrder) {
    // A table holding the picture at exactly one scale shows which scales were
    // tried before it, through which ones the others hide.
    struct Case {
        int target;
        std::vector<int> available;
        int found;
    };
    const Case cases[] = {
        {1, {2, 3}, 3}, {1, {2}, 2}, {1, {1, 2}, 1}, {2, {1, 3}, 3}, {2, {1}, 1},
        {3, {1, 2}, 2}, {3, {1}, 1}, {4, {1, 2}, 2}, {1, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        ResourceSet set;
        for (int s : c.available)
            set.Add(ScaledPictureName("GAIN.png", s), test_pictures::Bytes(16, 0));
        std::string path;
        int found = -1;
        const ResourceLocation location =
            FindScaledPicture("GAIN.png", "png", path, c.target, found, set.Table());
        if (c.found == 0) {
            EXPECT_EQ(location, kResourceNotFound);
            continue;
        }
        EXPECT_EQ(location, kResourceEmbedded);
        EXPECT_EQ(found, c.found);
    }
}

TEST(ResourceLookup, TableNamesMatchWithoutRegardToCaseAndLocateAsQuotedLowerCase) {
    ResourceSet set;
    set.Add("GAIN@2x.png", test_pictures::Bytes(16, 7));
    std::string path;
    EXPECT_EQ(LookUpResource("gain@2X.PNG", "png", path, set.Table()), kResourceEmbedded);
    EXPECT_EQ(path, "\"gain@2x.png\"");
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    ASSERT_TRUE(ReadEmbeddedResource(set.Table(), path, "PNG", data, size));
    EXPECT_EQ(size, 16u);
    // Another type of the same name is another resource.
    EXPECT_EQ(LookUpResource("GAIN@2x.png", "ttf", path, set.Table()), kResourceNotFound);
}

TEST(ResourceLookup, BrokenTableEntriesAreNeverFound) {
    const unsigned char bytes[16] = {};
    const EmbeddedResource entries[] = {
        {"\"SHORT.PNG\"", "PNG", bytes, 7},  // shorter than any picture
        {nullptr, "PNG", bytes, 16},         // no name
        {"\"", "PNG", bytes, 16},            // not even its quotes
        {"\"NOTYPE.PNG\"", nullptr, bytes, 16},
        {"\"NODATA.PNG\"", "PNG", nullptr, 16},
    };
    const EmbeddedResourceTable table{entries, std::size(entries)};
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    std::string path;
    for (const char* name : {"SHORT.png", "NOTYPE.png", "NODATA.png", ""}) {
        SCOPED_TRACE(name);
        const bool located = LookUpResource(name, "png", path, &table) == kResourceEmbedded;
        EXPECT_FALSE(located && ReadEmbeddedResource(&table, path, "png", data, size));
    }
    EXPECT_EQ(LookUpResource("x.png", "png", path, nullptr), kResourceNotFound);
}

TEST(ResourceLookup, AFileOnDiskIsFoundWhenTheTableHasNoSuchName) {
    const std::string file = testing::TempDir() + "tw_lookup_disk@2x.png";
    std::ofstream(file) << "not empty";
    std::string path;
    int found = 0;
    const std::string name = testing::TempDir() + "tw_lookup_disk.png";
    EXPECT_EQ(FindScaledPicture(name, "png", path, 1, found, nullptr), kResourceOnDisk);
    EXPECT_EQ(path, file);
    EXPECT_EQ(found, 2);
    // A folder is not a picture file.
    EXPECT_EQ(LookUpResource(testing::TempDir(), "png", path, nullptr), kResourceNotFound);
}

TEST(ResourceLookup, ARelativeNameIsFoundBesideTheModuleAndNeverInTheWorkingDirectory) {
    ASSERT_FALSE(ModuleFolder().empty());
    const std::string pid = std::to_string(getpid());
    const std::string beside = "tw_lookup_beside_" + pid + ".png";
    const std::string workingOnly = "tw_lookup_working_" + pid + ".png";
    std::ofstream(ModuleFolder() + beside) << "not empty";
    std::ofstream(testing::TempDir() + workingOnly) << "not empty";
    char saved[4096];
    ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
    ASSERT_EQ(chdir(testing::TempDir().c_str()), 0);
    std::string path;
    EXPECT_EQ(LookUpResource(beside, "png", path, nullptr), kResourceOnDisk);
    EXPECT_EQ(path, ModuleFolder() + beside);
    EXPECT_EQ(LookUpResource(workingOnly, "png", path, nullptr), kResourceNotFound);
    ASSERT_EQ(chdir(saved), 0);
    std::remove((ModuleFolder() + beside).c_str());
    std::remove((testing::TempDir() + workingOnly).c_str());
}

}  // namespace
