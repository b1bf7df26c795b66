#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/plugin_base.h"
#include "state_test_plugin.h"

namespace {

using state_test::TestPlugin;
using Bytes = std::vector<uint8_t>;

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes Zeros(std::size_t count) { return Bytes(count, 0); }

// A 28-byte program name field.
Bytes Name(const std::string& text) {
    Bytes field(text.begin(), text.end());
    field.resize(28, 0);
    return field;
}

Bytes Text(const char* text) { return Bytes(text, text + std::char_traits<char>::length(text)); }

// ---- The golden images --------------------------------------------------------------
// The test plug-in holds the preset "Soft" (0.25, 2, off) in slot 0 and is on
// it; slot 1 is never filled ("empty"). ID "Tst1", version 1.2.3 = 10203
// (0x27DB). Normalised floats: 0.25 = 3E800000, 0.5 = 3F000000.

const Bytes kStateDoubles = {0, 0, 0, 0, 0, 0, 0xD0, 0x3F,   // 0.25
                             0, 0, 0, 0, 0, 0, 0x00, 0x40,   // 2.0
                             0, 0, 0, 0, 0, 0, 0x00, 0x00};  // 0.0
const Bytes kSoftFloats = {0x3E, 0x80, 0, 0, 0x3F, 0x00, 0, 0, 0, 0, 0, 0};

const Bytes kParamPreset = Concat({Text("CcnK"), {0, 0, 0, 0}, Text("FxCk"), {0, 0, 0, 1}, Text("Tst1"),
                                   {0, 0, 0x27, 0xDB}, {0, 0, 0, 3}, Name("Soft"), kSoftFloats});

// Byte size 92 = 32 inner bytes + 60; inner: "tffp", 65536 little-endian, state.
const Bytes kOpaquePreset = Concat({Text("CcnK"), {0, 0, 0, 92}, Text("FPCh"), {0, 0, 0, 1}, Text("Tst1"),
                                    {0, 0, 0x27, 0xDB}, {0, 0, 0, 3}, Name("Soft"), {0, 0, 0, 32},
                                    Text("tffp"), {0, 0, 1, 0}, kStateDoubles});

const Bytes kPresetList = Concat({{4, 0, 0, 0}, Text("Soft"), {1}, kStateDoubles,
                                  {5, 0, 0, 0}, Text("empty"), {0}});

// Byte size 211 = 51 inner bytes + 160.
const Bytes kOpaqueBank = Concat({Text("CcnK"), {0, 0, 0, 211}, Text("FBCh"), {0, 0, 0, 2}, Text("Tst1"),
                                  {0, 0, 0x27, 0xDB}, {0, 0, 0, 2}, {0, 0, 0, 0}, Zeros(124), {0, 0, 0, 51},
                                  Text("tffp"), {0, 0, 1, 0}, kPresetList});

Bytes Program(const std::string& name, const Bytes& floats) {
    return Concat({Text("CcnK"), {0, 0, 0, 0}, Text("FxCk"), {0, 0, 0, 1}, Text("Tst1"), {0, 0, 0x27, 0xDB},
                   {0, 0, 0, 3}, Name(name), floats});
}

// The never-filled slot's chunk is empty, so its values read as 0.
const Bytes kParamBank = Concat({Text("CcnK"), {0, 0, 0, 0}, Text("FxBk"), {0, 0, 0, 2}, Text("Tst1"),
                                 {0, 0, 0x27, 0xDB}, {0, 0, 0, 2}, {0, 0, 0, 0}, Zeros(124),
                                 Program("Soft", kSoftFloats), Program("empty", Zeros(12))});

// CTest runs each case in its own process, in parallel: the process id keeps
// their files apart.
std::string TempPath(const std::string& name) {
    return testing::TempDir() + "preset_files_test_" + std::to_string(getpid()) + "_" + name;
}

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void PutBigEndian(Bytes& bytes, std::size_t pos, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[pos + static_cast<std::size_t>(i)] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

void SetUpSoft(TestPlugin& plugin) {
    plugin.MakePreset("Soft", {0.25, 2.0, 0.0});
    plugin.RestorePreset(0);
}

enum class FileKind { Preset, Bank };

struct Variant {
    const char* name;
    bool stateChunks;
    FileKind kind;
    const Bytes* golden;
};
const Variant kVariants[] = {
    {"parameter preset", false, FileKind::Preset, &kParamPreset},
    {"opaque preset", true, FileKind::Preset, &kOpaquePreset},
    {"parameter bank", false, FileKind::Bank, &kParamBank},
    {"opaque bank", true, FileKind::Bank, &kOpaqueBank},
};

bool Save(const TestPlugin& plugin, FileKind kind, const std::string& path) {
    return kind == FileKind::Preset ? plugin.SavePresetFile(path.c_str()) : plugin.SaveBankFile(path.c_str());
}

bool Load(TestPlugin& plugin, FileKind kind, const std::string& path) {
    return kind == FileKind::Preset ? plugin.LoadPresetFile(path.c_str()) : plugin.LoadBankFile(path.c_str());
}

// Everything a file load may change.
struct Observed {
    std::vector<double> values;
    std::vector<std::string> names;
    std::vector<bool> initialised;
    std::vector<Bytes> chunks;
    int current;
    bool operator==(const Observed&) const = default;
};

Observed Observe(const TestPlugin& plugin) {
    Observed seen{plugin.Values(), {}, {}, {}, plugin.CurrentPresetIndex()};
    for (int i = 0; i < plugin.PresetCount(); ++i) {
        const PresetSlot* slot = plugin.GetPreset(i);
        seen.names.emplace_back(slot->name);
        seen.initialised.push_back(slot->initialised);
        seen.chunks.emplace_back(slot->chunk.Data(), slot->chunk.Data() + slot->chunk.Size());
    }
    return seen;
}

// ---- Writing and reading the layouts --------------------------------------------------

TEST(PresetFiles, WriteTheGoldenImages) {
    for (const auto& v : kVariants) {
        SCOPED_TRACE(v.name);
        TestPlugin plugin(v.stateChunks);
        SetUpSoft(plugin);
        const std::string path = TempPath("golden");
        ASSERT_TRUE(Save(plugin, v.kind, path));
        EXPECT_EQ(ReadBytes(path), *v.golden);
        std::remove(path.c_str());
    }
}

TEST(PresetFiles, GoldenImagesLoadIntoAFreshPluginAndWriteBackUnchanged) {
    for (const auto& v : kVariants) {
        SCOPED_TRACE(v.name);
        const std::string in = TempPath("in");
        const std::string out = TempPath("out");
        WriteBytes(in, *v.golden);
        TestPlugin plugin(v.stateChunks);
        plugin.SetValues({0.9, 4.0, 1.0});
        plugin.ResetCounters();
        ASSERT_TRUE(Load(plugin, v.kind, in));
        EXPECT_EQ(plugin.Values(), (std::vector<double>{0.25, 2.0, 0.0}));
        EXPECT_STREQ(plugin.PresetName(0), "Soft");
        EXPECT_EQ(plugin.CurrentPresetIndex(), 0);
        EXPECT_EQ(plugin.filesLoaded, 1);
        EXPECT_FALSE(plugin.changes.empty());  // the engine hears about the new values
        ASSERT_TRUE(Save(plugin, v.kind, out));
        EXPECT_EQ(ReadBytes(out), *v.golden);
        std::remove(in.c_str());
        std::remove(out.c_str());
    }
}

TEST(PresetFiles, ProgramNamesAreCutTo27CharactersAndTerminated) {
    const struct { std::size_t length; std::size_t kept; } kCases[] = {{26, 26}, {27, 27}, {28, 27}, {60, 27}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.length);
        TestPlugin plugin;
        plugin.MakePreset(std::string(c.length, 'x').c_str(), {0.25, 2.0, 0.0});
        const std::string path = TempPath("name");
        ASSERT_TRUE(plugin.SavePresetFile(path.c_str()));
        const Bytes preset = ReadBytes(path);
        EXPECT_EQ(Bytes(preset.begin() + 28, preset.begin() + 56), Name(std::string(c.kept, 'x')));
        ASSERT_TRUE(plugin.SaveBankFile(path.c_str()));
        const Bytes bank = ReadBytes(path);
        EXPECT_EQ(Bytes(bank.begin() + 156 + 28, bank.begin() + 156 + 56), Name(std::string(c.kept, 'x')));
        std::remove(path.c_str());
    }
}

TEST(PresetFiles, BankProgramsBeyondTheSlotsAreIgnored) {
    Bytes bank = Concat({kParamBank, Program("Third", kSoftFloats)});
    bank[27] = 3;
    const std::string path = TempPath("three");
    WriteBytes(path, bank);
    TestPlugin plugin;
    EXPECT_TRUE(plugin.LoadBankFile(path.c_str()));
    EXPECT_EQ(plugin.PresetCount(), 2);
    EXPECT_STREQ(plugin.PresetName(1), "empty");
    std::remove(path.c_str());
}

TEST(PresetFiles, PathsThatCannotBeUsedAnswerFalse) {
    TestPlugin plugin;
    for (const char* path : {static_cast<const char*>(nullptr), "", "/nonexistent-folder/file.fxp"}) {
        SCOPED_TRACE(path ? path : "null");
        EXPECT_FALSE(plugin.SavePresetFile(path));
        EXPECT_FALSE(plugin.SaveBankFile(path));
        EXPECT_FALSE(plugin.LoadPresetFile(path));
        EXPECT_FALSE(plugin.LoadBankFile(path));
    }
}

// ---- Files that lie or end early ------------------------------------------------------

// A plug-in with its own preset "Mine" (0.75, 4, on) current and slot 1 empty;
// a failed load must leave all of that exactly as it was.
class FailedLoad : public testing::Test {
protected:
    void Expect(bool stateChunks, FileKind kind, const Bytes& image) {
        TestPlugin plugin(stateChunks);
        plugin.MakePreset("Mine", {0.75, 4.0, 1.0});
        plugin.RestorePreset(0);
        const Observed before = Observe(plugin);
        plugin.ResetCounters();
        WriteBytes(mPath, image);
        EXPECT_FALSE(Load(plugin, kind, mPath));
        EXPECT_EQ(Observe(plugin), before);
        EXPECT_EQ(plugin.filesLoaded, 0);
    }
    void TearDown() override { std::remove(mPath.c_str()); }

    const std::string mPath = TempPath("bad");
};

TEST_F(FailedLoad, EveryTruncationOfEveryLayout) {
    for (const auto& v : kVariants) {
        SCOPED_TRACE(v.name);
        for (std::size_t size = 0; size < v.golden->size(); ++size) {
            SCOPED_TRACE(size);
            Expect(v.stateChunks, v.kind, Bytes(v.golden->begin(), v.golden->begin() + static_cast<long>(size)));
        }
    }
}

struct Corruption {
    const char* why;
    bool stateChunks;
    FileKind kind;
    const Bytes* golden;
    std::size_t pos;   // where a big-endian word is overwritten
    uint32_t word;
};

const Corruption kCorruptions[] = {
    {"preset: foreign first magic", false, FileKind::Preset, &kParamPreset, 0, 0x43636E4C},
    {"preset: other plug-in's ID", false, FileKind::Preset, &kParamPreset, 16, 0x54737432},
    {"preset: version 2", false, FileKind::Preset, &kParamPreset, 12, 2},
    {"preset: unknown kind", false, FileKind::Preset, &kParamPreset, 8, 0x46784368},
    {"preset: parameter count past the end", false, FileKind::Preset, &kParamPreset, 24, 4},
    {"preset: huge parameter count", false, FileKind::Preset, &kParamPreset, 24, 0x7FFFFFFF},
    {"preset: negative parameter count", false, FileKind::Preset, &kParamPreset, 24, 0xFFFFFFFF},
    {"opaque preset: inner size past the end", true, FileKind::Preset, &kOpaquePreset, 56, 33},
    {"opaque preset: huge inner size", true, FileKind::Preset, &kOpaquePreset, 56, 0x7FFFFFFF},
    {"opaque preset: negative inner size", true, FileKind::Preset, &kOpaquePreset, 56, 0xFFFFFFF0},
    {"opaque preset: inner size cuts the state", true, FileKind::Preset, &kOpaquePreset, 56, 20},
    {"opaque preset into a parameter plug-in", false, FileKind::Preset, &kOpaquePreset, 0, 0x43636E4B},
    {"bank: other plug-in's ID", false, FileKind::Bank, &kParamBank, 16, 0},
    {"bank: unknown kind", false, FileKind::Bank, &kParamBank, 8, 0x46784370},
    {"bank: one program more than stored", false, FileKind::Bank, &kParamBank, 24, 3},
    {"bank: huge program count", false, FileKind::Bank, &kParamBank, 24, 0x7FFFFFFF},
    {"bank: second program's parameter count", false, FileKind::Bank, &kParamBank, 156 + 68 + 24, 2},
    {"bank: second program's magic", false, FileKind::Bank, &kParamBank, 156 + 68 + 8, 0x46504368},
    {"bank: second program's version", false, FileKind::Bank, &kParamBank, 156 + 68 + 12, 2},
    {"bank: second program's chunk magic", false, FileKind::Bank, &kParamBank, 156 + 68, 0},
    {"opaque bank: inner size past the end", true, FileKind::Bank, &kOpaqueBank, 156, 52},
    {"opaque bank: negative inner size", true, FileKind::Bank, &kOpaqueBank, 156, 0x80000000},
    // The first preset loads, then the second's name runs out: rolled back.
    {"opaque bank: inner size cuts the list", true, FileKind::Bank, &kOpaqueBank, 156, 48},
    {"opaque bank into a parameter plug-in", false, FileKind::Bank, &kOpaqueBank, 0, 0x43636E4B},
};

TEST_F(FailedLoad, LyingHeadersAndForeignFiles) {
    for (const auto& c : kCorruptions) {
        SCOPED_TRACE(c.why);
        Bytes image = *c.golden;
        PutBigEndian(image, c.pos, c.word);
        Expect(c.stateChunks, c.kind, image);
    }
}

}  // namespace
