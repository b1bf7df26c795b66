#include "core/plugin_base.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "core/base64.h"
#include "state_test_plugin.h"

namespace {

using state_test::EditorStatePlugin;
using state_test::TestPlugin;
using Bytes = std::vector<uint8_t>;

Bytes BytesOf(const ByteChunk& chunk) { return Bytes(chunk.Data(), chunk.Data() + chunk.Size()); }

ByteChunk ChunkOf(const Bytes& bytes) {
    ByteChunk chunk;
    chunk.PutBytes(bytes.data(), static_cast<int>(bytes.size()));
    return chunk;
}

ByteChunk DoublesChunk(const std::vector<double>& values) {
    ByteChunk chunk;
    for (const double v : values) chunk.Put(&v);
    return chunk;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Little-endian doubles, written out by hand.
const Bytes kHalf = {0, 0, 0, 0, 0, 0, 0xE0, 0x3F};     // 0.5
const Bytes kOne = {0, 0, 0, 0, 0, 0, 0xF0, 0x3F};      // 1.0
const Bytes kTwo = {0, 0, 0, 0, 0, 0, 0x00, 0x40};      // 2.0
const Bytes kQuarter = {0, 0, 0, 0, 0, 0, 0xD0, 0x3F};  // 0.25
const Bytes kZero = {0, 0, 0, 0, 0, 0, 0, 0};           // 0.0

std::string TempPath(const char* name) {
    return testing::TempDir() + "plugin_base_test_" + std::to_string(getpid()) + "_" + name;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// ---- Serialised parameters ---------------------------------------------------------

TEST(PluginState, DefaultStateIsOneDoublePerParameter) {
    TestPlugin plugin;
    ByteChunk chunk;
    EXPECT_TRUE(plugin.SaveState(chunk));
    EXPECT_EQ(BytesOf(chunk), Concat({kHalf, kOne, kOne}));
}

TEST(PluginState, EditorPrefixedStateStartsWithSizeAndScale) {
    EditorStatePlugin plugin;
    ByteChunk chunk;
    EXPECT_TRUE(plugin.SaveState(chunk));
    // No editor has been open: width 0, height 0, scale 0.0f.
    EXPECT_EQ(BytesOf(chunk), Concat({Bytes(12, 0), kHalf, kOne, kOne}));

    // A loaded editor size is remembered and written back.
    const Bytes loaded = Concat({{0xF8, 0, 0, 0}, {0x96, 0x02, 0, 0}, {0, 0, 0xC0, 0x3F},  // 248, 662, 1.5f
                                 kQuarter, kTwo, kZero});
    EXPECT_EQ(plugin.LoadState(ChunkOf(loaded), 0), 36);
    ByteChunk again;
    plugin.SaveState(again);
    EXPECT_EQ(BytesOf(again), loaded);
}

struct ShortStateCase {
    int bytes;                    // how much of the 24-byte state is given
    std::vector<double> expected; // values after loading over (0.9, 3, false)
    int result;
};

TEST(PluginState, ShortStateSetsTheFirstIncompleteParameterToZeroAndKeepsTheRest) {
    const std::vector<double> stored = {0.25, 2.0, 1.0};
    const ShortStateCase kCases[] = {
        {24, {0.25, 2.0, 1.0}, 24},
        {30, {0.25, 2.0, 1.0}, 24},  // extra bytes ignored
        {23, {0.25, 2.0, 0.0}, -1},
        {16, {0.25, 2.0, 0.0}, -1},
        {9, {0.25, 0.0, 0.0}, -1},   // parameter 1 restricted to 0, 2 kept at 0 (false)
        {0, {0.0, 3.0, 0.0}, -1},    // only the first is touched
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.bytes);
        TestPlugin plugin;
        plugin.SetValues({0.9, 3.0, 0.0});
        plugin.ResetCounters();
        ByteChunk chunk = DoublesChunk(stored);
        chunk.Resize(c.bytes);
        EXPECT_EQ(plugin.LoadState(chunk, 0), c.result);
        EXPECT_EQ(plugin.Values(), c.expected);
        // Every parameter is announced, whatever was read.
        ASSERT_EQ(plugin.changes.size(), 3u);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(plugin.changes[i].index, i);
            EXPECT_EQ(plugin.changes[i].source, ParamSource::Preset);
            EXPECT_EQ(plugin.changes[i].sampleOffset, -1);
        }
    }
}

TEST(PluginState, FailedStartPositionReadsNothingButStillNotifies) {
    TestPlugin plugin;
    plugin.SetValues({0.9, 3.0, 0.0});
    plugin.ResetCounters();
    EXPECT_EQ(plugin.UnserializeParams(DoublesChunk({0.1, 0.1, 0.1}), -1), -1);
    EXPECT_EQ(plugin.Values(), (std::vector<double>{0.9, 3.0, 0.0}));
    EXPECT_EQ(plugin.changes.size(), 3u);
}

TEST(PluginState, ShortEditorPrefixSetsNothing) {
    EditorStatePlugin plugin;
    plugin.SetValues({0.9, 3.0, 0.0});
    plugin.ResetCounters();
    for (int size : {0, 11}) {
        SCOPED_TRACE(size);
        EXPECT_EQ(plugin.LoadState(ChunkOf(Bytes(static_cast<std::size_t>(size), 0)), 0), -1);
        EXPECT_EQ(plugin.Values(), (std::vector<double>{0.9, 3.0, 0.0}));
    }
    EXPECT_EQ(plugin.changes.size(), 6u);
}

TEST(PluginState, StoredValuesAreRestrictedToRangeAndSteps) {
    struct Case { std::vector<double> stored; std::vector<double> expected; const char* why; };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const Case kCases[] = {
        {{0.5, 2.6, 1.0}, {0.5, 3.0, 1.0}, "stepped 2.6 rounds to 3"},
        {{1.7, 9.0, -4.0}, {1.0, 4.0, 0.0}, "clamped to the ranges"},
        {{0.12345, 1.0, 0.7}, {0.12345, 1.0, 1.0}, "unstepped value kept, bool rounds"},
        {{nan, inf, -inf}, {0.5, 4.0, 0.0}, "non-finite values"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        TestPlugin plugin;
        plugin.LoadState(DoublesChunk(c.stored), 0);
        const auto values = plugin.Values();
        for (std::size_t i = 0; i < values.size(); ++i) {
            EXPECT_NEAR(values[i], c.expected[i], 1e-12) << i;
        }
    }
}

TEST(PluginState, MatchesStoredStateInSinglePrecision) {
    TestPlugin plugin;
    plugin.SetValues({0.1, 2.0, 1.0});
    struct Case { std::vector<double> stored; int startPos; int dropBytes; bool matches; const char* why; };
    const Case kCases[] = {
        {{0.1000001, 2.0, 1.0}, 0, 0, true, "0.1 and 0.1000001 are equal"},
        {{0.1001, 2.0, 1.0}, 0, 0, false, "a real difference"},
        {{9.0, 0.1, 2.0, 1.0}, 1, 0, true, "start counts doubles"},
        {{9.0, 0.1, 2.0, 1.0}, 0, 0, false, "wrong start"},
        {{0.1, 2.0, 1.0}, 0, 1, false, "last value incomplete"},
        {{0.1, 2.0}, 0, 0, false, "one value short"},
        {{0.1, 2.0, 1.0}, 1, 0, false, "start leaves too few"},
        {{0.1, 2.0, 1.0}, -1, 0, false, "negative start"},
        {{std::numeric_limits<double>::quiet_NaN(), 2.0, 1.0}, 0, 0, false, "stored NaN"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        ByteChunk chunk = DoublesChunk(c.stored);
        chunk.Resize(chunk.Size() - c.dropBytes);
        EXPECT_EQ(plugin.MatchesStoredState(chunk.Data(), chunk.Size(), c.startPos), c.matches);
    }
}

// ---- Preset slots ------------------------------------------------------------------

TEST(Presets, StartEmptyAndNamedEmpty) {
    TestPlugin plugin;
    EXPECT_EQ(plugin.PresetCount(), 2);
    EXPECT_EQ(plugin.CurrentPresetIndex(), 0);
    EXPECT_STREQ(plugin.PresetName(1), "empty");
    EXPECT_FALSE(plugin.GetPreset(0)->initialised);
    EXPECT_STREQ(plugin.PresetName(2), "");
    EXPECT_STREQ(plugin.PresetName(-1), "");
}

TEST(Presets, RestoringANeverInitialisedSlotCapturesTheCurrentStateAsAUserPreset) {
    TestPlugin plugin;
    plugin.SetValues({0.25, 2.0, 0.0});
    plugin.ResetCounters();
    EXPECT_TRUE(plugin.RestorePreset(1));
    EXPECT_STREQ(plugin.PresetName(1), "user preset 1");
    EXPECT_TRUE(plugin.GetPreset(1)->initialised);
    EXPECT_EQ(BytesOf(plugin.GetPreset(1)->chunk), Concat({kQuarter, kTwo, kZero}));
    EXPECT_EQ(plugin.CurrentPresetIndex(), 1);
    EXPECT_EQ(plugin.presetsRestored, 1);
    EXPECT_EQ(plugin.editorUpdates, 3);
    EXPECT_TRUE(plugin.changes.empty());  // captured, not loaded

    EXPECT_TRUE(plugin.RestorePreset(0));
    EXPECT_STREQ(plugin.PresetName(0), "user preset 2");
}

TEST(Presets, RestoringAnInitialisedSlotLoadsIt) {
    TestPlugin plugin;
    plugin.MakePreset("Soft", {0.25, 2.0, 0.0});
    plugin.ResetCounters();
    EXPECT_TRUE(plugin.RestorePreset(0));
    EXPECT_EQ(plugin.Values(), (std::vector<double>{0.25, 2.0, 0.0}));
    EXPECT_EQ(plugin.changes.size(), 3u);
    EXPECT_EQ(plugin.presetsRestored, 1);

    struct Case { int index; const char* name; bool ok; };
    const Case kBad[] = {{-1, nullptr, false}, {2, nullptr, false}, {0, "", false}, {0, "soft", false}};
    for (const auto& c : kBad) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(c.name ? plugin.RestorePresetByName(c.name) : plugin.RestorePreset(c.index), c.ok);
    }
    EXPECT_FALSE(plugin.RestorePresetByName(nullptr));
    EXPECT_EQ(plugin.presetsRestored, 1);
    EXPECT_TRUE(plugin.RestorePresetByName("Soft"));
}

TEST(Presets, CreationFillsTheFirstFreeSlotAndStopsWhenFull) {
    TestPlugin plugin;
    plugin.SetValues({0.75, 4.0, 0.0});
    plugin.MakePreset("Varargs", 0.25, 2, 1);  // int for the int and bool parameters
    plugin.MakePresetFromNamedParams("Named", 1, 1, 3);
    plugin.MakePreset("No room", 0.5, 1, 1);

    EXPECT_STREQ(plugin.PresetName(0), "Varargs");
    EXPECT_EQ(BytesOf(plugin.GetPreset(0)->chunk), Concat({kQuarter, kTwo, kOne}));
    EXPECT_STREQ(plugin.PresetName(1), "Named");
    // Unnamed parameters keep their current value: 0.75 and 0.0.
    const Bytes kThreeQuarters = {0, 0, 0, 0, 0, 0, 0xE8, 0x3F};
    const Bytes kThree = {0, 0, 0, 0, 0, 0, 0x08, 0x40};
    EXPECT_EQ(BytesOf(plugin.GetPreset(1)->chunk), Concat({kThreeQuarters, kThree, kZero}));
}

TEST(Presets, NamedParamsAcceptDoublesAndTheInitializerListForm) {
    TestPlugin plugin;
    plugin.MakePresetFromNamedParams("A", 2, 0, 0.25, 2, 0);
    plugin.MakePresetFromNamedParams("B", {{1, 2.0}, {7, 9.0}});
    EXPECT_EQ(BytesOf(plugin.GetPreset(0)->chunk), Concat({kQuarter, kOne, kZero}));
    EXPECT_EQ(BytesOf(plugin.GetPreset(1)->chunk), Concat({kHalf, kTwo, kOne}));
}

TEST(Presets, FillEmptyPresetsChunksAndBlobs) {
    TestPlugin plugin;
    plugin.FillEmptyPresets(nullptr, 1);
    EXPECT_STREQ(plugin.PresetName(0), "Empty");
    EXPECT_EQ(BytesOf(plugin.GetPreset(0)->chunk), Concat({kHalf, kOne, kOne}));

    // 0.25 as base64 is AAAAAAAA0D8=; the blob asks for 12 bytes, so 4 stay zero.
    plugin.MakePresetFromBlob("Blob", "AAAAAAAA0D8=", 12);
    EXPECT_STREQ(plugin.PresetName(1), "Blob");
    EXPECT_EQ(BytesOf(plugin.GetPreset(1)->chunk), Concat({kQuarter, {0, 0, 0, 0}}));

    TestPlugin other;
    other.MakePresetFromChunk("Chunk", ChunkOf({1, 2, 3}));
    EXPECT_EQ(BytesOf(other.GetPreset(0)->chunk), (Bytes{1, 2, 3}));
    other.FillEmptyPresets("Rest", 5);
    EXPECT_STREQ(other.PresetName(1), "Rest");
}

TEST(Presets, NamesAreCutAt255Characters) {
    TestPlugin plugin;
    const std::string longName(300, 'n');
    plugin.MakePresetFromChunk(longName.c_str(), ByteChunk());
    EXPECT_EQ(std::string(plugin.PresetName(0)), std::string(255, 'n'));
    plugin.ModifyCurrentPreset(std::string(256, 'm').c_str());
    EXPECT_EQ(std::string(plugin.PresetName(0)), std::string(255, 'm'));
}

TEST(Presets, ModifyCurrentPresetResavesAndOptionallyRenames) {
    TestPlugin plugin;
    plugin.MakePreset("Soft", {0.25, 2.0, 0.0});
    plugin.SetValues({0.5, 2.0, 1.0});
    plugin.ModifyCurrentPreset();
    EXPECT_STREQ(plugin.PresetName(0), "Soft");
    EXPECT_EQ(BytesOf(plugin.GetPreset(0)->chunk), Concat({kHalf, kTwo, kOne}));
    plugin.ModifyCurrentPreset("");
    EXPECT_STREQ(plugin.PresetName(0), "Soft");
    plugin.ModifyCurrentPreset("Loud");
    EXPECT_STREQ(plugin.PresetName(0), "Loud");
}

TEST(Presets, DropEmptyPresetSlotsKeepsTheInitialisedInOrder) {
    TestPlugin plugin;
    plugin.RestorePreset(1);
    plugin.DropEmptyPresetSlots();
    EXPECT_EQ(plugin.PresetCount(), 1);
    EXPECT_STREQ(plugin.PresetName(0), "user preset 1");
    EXPECT_EQ(plugin.CurrentPresetIndex(), 0);  // follows its slot
}

// ---- Serialised presets --------------------------------------------------------------

TEST(PresetList, SerializesNameFlagAndRawChunkPerSlot) {
    TestPlugin plugin;
    plugin.MakePreset("Soft", {0.25, 2.0, 0.0});
    ByteChunk chunk;
    EXPECT_TRUE(plugin.SerializePresets(chunk));
    const Bytes expected = Concat({{4, 0, 0, 0, 'S', 'o', 'f', 't', 1}, kQuarter, kTwo, kZero,
                                   {5, 0, 0, 0, 'e', 'm', 'p', 't', 'y', 0}});
    EXPECT_EQ(BytesOf(chunk), expected);
}

TEST(PresetList, RoundTripsAndEndsOnTheCurrentPreset) {
    TestPlugin source;
    source.MakePreset("Soft", {0.25, 2.0, 0.0});
    source.MakePreset("Hard", {0.75, 4.0, 1.0});
    ByteChunk chunk;
    source.SerializePresets(chunk);

    TestPlugin target;
    target.ResetCounters();
    EXPECT_EQ(target.UnserializePresets(chunk, 0), chunk.Size());
    EXPECT_STREQ(target.PresetName(0), "Soft");
    EXPECT_STREQ(target.PresetName(1), "Hard");
    EXPECT_EQ(BytesOf(target.GetPreset(1)->chunk), BytesOf(source.GetPreset(1)->chunk));
    EXPECT_EQ(target.Values(), (std::vector<double>{0.25, 2.0, 0.0}));  // current preset 0
    EXPECT_EQ(target.presetsRestored, 1);
}

// Each fixture is a valid two-preset list cut or bent at one place.
TEST(PresetList, MalformedListsStopAtTheFirstFieldThatDoesNotFit) {
    const Bytes soft = Concat({{4, 0, 0, 0, 'S', 'o', 'f', 't', 1}, kQuarter, kTwo, kZero});
    const Bytes hard = Concat({{4, 0, 0, 0, 'H', 'a', 'r', 'd', 1}, kHalf, kTwo, kOne});
    struct Case {
        Bytes data;
        int result;
        const char* name0;
        const char* name1;
        bool init1;
        const char* why;
    };
    const Case kCases[] = {
        {Concat({soft, hard}), 66, "Soft", "Hard", true, "complete"},
        {Concat({soft, hard, {9, 9, 9}}), 66, "Soft", "Hard", true, "extra bytes"},
        // The empty first slot is then restored as current and captures the state.
        {{}, -1, "user preset 1", "empty", false, "empty list"},
        {Concat({soft, {4, 0, 0}}), -1, "Soft", "Soft", false, "second name length cut"},
        {Concat({soft, {4, 0, 0, 0, 'H', 'a'}}), -1, "Soft", "Soft", false, "second name cut"},
        {Concat({soft, {4, 0, 0, 0, 'H', 'a', 'r', 'd'}}), -1, "Soft", "Hard", false, "flag missing"},
        {Concat({soft, {4, 0, 0, 0, 'H', 'a', 'r', 'd', 1}, kHalf}), -1, "Soft", "Hard", true, "values cut"},
        {Concat({soft, {0xFF, 0xFF, 0xFF, 0xFF}}), -1, "Soft", "Soft", false, "negative name length"},
        {Concat({soft, {0xFF, 0xFF, 0xFF, 0x7F}}), -1, "Soft", "Soft", false, "huge name length"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        TestPlugin plugin;
        EXPECT_EQ(plugin.UnserializePresets(ChunkOf(c.data), 0), c.result);
        EXPECT_STREQ(plugin.PresetName(0), c.name0);
        EXPECT_STREQ(plugin.PresetName(1), c.name1);
        EXPECT_EQ(plugin.GetPreset(1)->initialised, c.init1);
        for (const double v : plugin.Values()) EXPECT_TRUE(std::isfinite(v));
    }
}

// ---- Source dumps --------------------------------------------------------------------

TEST(PresetSource, DumpsAppendOneStatementEach) {
    TestPlugin plugin;
    plugin.MakePreset("Soft", {0.25, 2.0, 0.0});
    plugin.RestorePreset(0);
    const std::string path = TempPath("dump.txt");
    std::remove(path.c_str());
    plugin.DumpPresetSource(path.c_str());
    const char* identifiers[] = {"kGain", "kMode", "kOn"};
    plugin.DumpNamedPresetSource(path.c_str(), identifiers);
    plugin.DumpNamedPresetSource(path.c_str(), nullptr);
    plugin.DumpBlobPresetSource(path.c_str());
    EXPECT_EQ(ReadText(path),
              "MakePreset(\"Soft\", 0.250000, 2, false);\n"
              "  MakePresetFromNamedParams(\"Soft\", 3,\n    kGain, 0.250000,\n    kMode, 2,\n    kOn, false);\n"
              "  MakePresetFromNamedParams(\"Soft\", 3,\n    0, 0.250000,\n    1, 2,\n    2, false);\n"
              "MakePresetFromBlob(\"Soft\", \"AAAAAAAA0D8AAAAAAAAAQAAAAAAAAAAA\", 24);\n");
    std::remove(path.c_str());
}

TEST(PresetSource, BlobDumpOfALargeChunkIsComplete) {
    TestPlugin plugin;
    ByteChunk big;
    big.Resize(3000);  // encodes to 4000 characters
    plugin.MakePresetFromChunk("Big", big);
    const std::string path = TempPath("blob.txt");
    std::remove(path.c_str());
    plugin.DumpBlobPresetSource(path.c_str());
    EXPECT_EQ(ReadText(path), "MakePresetFromBlob(\"Big\", \"" + std::string(4000, 'A') + "\", 3000);\n");
    std::remove(path.c_str());
}

TEST(PresetSource, UnopenablePathsWriteNothing) {
    TestPlugin plugin;
    for (const char* path : {"/nonexistent-folder/dump.txt", "", static_cast<const char*>(nullptr)}) {
        plugin.DumpPresetSource(path);
        plugin.DumpNamedPresetSource(path, nullptr);
        plugin.DumpBlobPresetSource(path);
    }
    SUCCEED();
}

TEST(PresetSource, InvalidCurrentPresetDumpsAnEmptyName) {
    TestPlugin plugin;
    plugin.DropEmptyPresetSlots();  // no slots left
    const std::string path = TempPath("noslot.txt");
    std::remove(path.c_str());
    plugin.DumpBlobPresetSource(path.c_str());
    EXPECT_EQ(ReadText(path), "MakePresetFromBlob(\"\", \"\", 0);\n");
    std::remove(path.c_str());
}

}  // namespace
