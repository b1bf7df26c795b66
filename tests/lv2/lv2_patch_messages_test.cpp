// The editor-size patch messages: what is written is a patch message LV2's
// own utilities read, what LV2's forge writes is understood, and malformed
// atoms are refused without a read past their bytes.
#include "lv2/lv2_patch_messages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "lv2_patch_forge.h"

namespace {

using lv2_test::AtomBuffer;
using lv2_test::Forge;
using lv2_test::kEditorSizeURI;
using lv2_test::UridMap;

LV2PatchURIDs Urids(UridMap& map) {
    LV2PatchURIDs u;
    EXPECT_TRUE(MapPatchURIDs(map.MapFeatureData(), kEditorSizeURI, u));
    return u;
}

// Reads bytes from a buffer of exactly their size, so a read past them is an
// error the address sanitizer reports.
LV2PatchKind ReadExact(const LV2PatchURIDs& u, const std::vector<uint8_t>& bytes,
                       EditorSizeMessage& out) {
    std::vector<uint8_t> exact(bytes);
    return ReadEditorSizeMessage(u, reinterpret_cast<const LV2_Atom*>(exact.data()),
                                 static_cast<uint32_t>(exact.size()), out);
}

TEST(LV2PatchMessages, WrittenMessagesAreWhatLV2UtilitiesRead) {
    UridMap map;
    const LV2PatchURIDs u = Urids(map);
    AtomBuffer buffer;
    const EditorSizeMessage size{900, 640, 1.5f};
    ASSERT_EQ(WriteEditorSizeSet(u, size, buffer.Bytes(), 4096), kEditorSizeSetBytes);
    EXPECT_EQ(sizeof(LV2_Atom) + buffer.Atom()->size, kEditorSizeSetBytes);
    const auto read = lv2_test::SetOfEditorSize(map, buffer.Atom());
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->width, 900);
    EXPECT_EQ(read->height, 640);
    EXPECT_EQ(read->scale, 1.5f);

    ASSERT_EQ(WriteEditorSizeGet(u, buffer.Bytes(), 4096), kEditorSizeGetBytes);
    const auto* object = reinterpret_cast<const LV2_Atom_Object*>(buffer.Atom());
    EXPECT_EQ(object->atom.type, u.atomObject);
    EXPECT_EQ(object->body.otype, u.patchGet);
    const LV2_Atom* property = nullptr;
    lv2_atom_object_get(object, u.patchProperty, &property, 0);
    ASSERT_NE(property, nullptr);
    EXPECT_EQ(property->type, u.atomURID);
    EXPECT_EQ(reinterpret_cast<const LV2_Atom_URID*>(property)->body, u.editorSize);
}

TEST(LV2PatchMessages, ForgedMessagesAreUnderstood) {
    UridMap map;
    const LV2PatchURIDs u = Urids(map);
    Forge forge(map);
    struct Case {
        const char* what;
        std::function<void(AtomBuffer&)> build;
        LV2PatchKind expected;
    };
    const Case kCases[] = {
        {"set", [&](AtomBuffer& b) { forge.Set(b, 800, 600, 2.0f); }, LV2PatchKind::kSetEditorSize},
        {"set with a subject first", [&](AtomBuffer& b) { forge.Set(b, 800, 600, 2.0f, true); },
         LV2PatchKind::kSetEditorSize},
        {"get of the size", [&](AtomBuffer& b) { forge.Get(b, u.editorSize); },
         LV2PatchKind::kGetEditorSize},
        {"get of everything", [&](AtomBuffer& b) { forge.Get(b, 0); },
         LV2PatchKind::kGetEditorSize},
        {"get with a subject", [&](AtomBuffer& b) { forge.Get(b, u.editorSize, true); },
         LV2PatchKind::kGetEditorSize},
        {"get of another property", [&](AtomBuffer& b) { forge.Get(b, u.patchValue); },
         LV2PatchKind::kOther},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        AtomBuffer buffer;
        c.build(buffer);
        EditorSizeMessage out;
        EXPECT_EQ(
            ReadEditorSizeMessage(u, buffer.Atom(), static_cast<uint32_t>(buffer.Size()), out),
            c.expected);
        if (c.expected == LV2PatchKind::kSetEditorSize) {
            EXPECT_EQ(out.width, 800);
            EXPECT_EQ(out.height, 600);
            EXPECT_EQ(out.scale, 2.0f);
        }
    }
}

TEST(LV2PatchMessages, WritingKeepsWithinTheCapacityAndAnyAlignment) {
    UridMap map;
    const LV2PatchURIDs u = Urids(map);
    const EditorSizeMessage size{1024, 768, 1.25f};
    struct Case {
        bool set;
        uint32_t capacity;
        uint32_t expected;
    };
    const Case kCases[] = {
        {true, 0, 0},
        {true, 8, 0},
        {true, kEditorSizeSetBytes - 1, 0},
        {true, kEditorSizeSetBytes, kEditorSizeSetBytes},
        {false, 0, 0},
        {false, kEditorSizeGetBytes - 1, 0},
        {false, kEditorSizeGetBytes, kEditorSizeGetBytes},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << (c.set ? "set" : "get") << " into " << c.capacity);
        // One byte in: the writer may not assume an aligned buffer.
        std::vector<uint8_t> buffer(200, 0xab);
        uint8_t* start = buffer.data() + 1;
        const uint32_t written = c.set ? WriteEditorSizeSet(u, size, start, c.capacity)
                                       : WriteEditorSizeGet(u, start, c.capacity);
        EXPECT_EQ(written, c.expected);
        for (std::size_t i = 0; i < buffer.size(); ++i) {
            if (i < 1 || i >= 1 + written) {
                ASSERT_EQ(buffer[i], 0xab) << "byte " << i << " outside the message";
            }
        }
        if (written != 0) {
            EditorSizeMessage out;
            EXPECT_EQ(
                ReadEditorSizeMessage(u, reinterpret_cast<const LV2_Atom*>(start), written, out),
                c.set ? LV2PatchKind::kSetEditorSize : LV2PatchKind::kGetEditorSize);
        }
    }
    EXPECT_EQ(WriteEditorSizeSet(u, size, nullptr, 4096), 0u);
}

// Byte offsets in a written patch:Set (see the layout in the writer).
constexpr uint32_t kObjectSize = 0, kObjectType = 4, kOtype = 12, kPropertyType = 28,
                   kPropertyValue = 32, kValueKey = 40, kTupleSize = 48, kTupleType = 52,
                   kWidthSize = 56, kWidthType = 60, kWidth = 64, kHeight = 80, kScaleSize = 88,
                   kScale = 96;

uint32_t Bits(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

TEST(LV2PatchMessages, MalformedAtomsAreRefusedWithoutReadingPastThem) {
    UridMap map;
    const LV2PatchURIDs u = Urids(map);
    AtomBuffer valid;
    ASSERT_EQ(WriteEditorSizeSet(u, {640, 480, 1.0f}, valid.Bytes(), 4096), kEditorSizeSetBytes);
    const std::vector<uint8_t> good = valid.Copy(kEditorSizeSetBytes);
    EditorSizeMessage out;
    ASSERT_EQ(ReadExact(u, good, out), LV2PatchKind::kSetEditorSize);

    struct Case {
        const char* what;
        uint32_t offset;  // a 32-bit value written here ...
        uint32_t value;
        uint32_t bytes;  // ... and the atom handed over in this many bytes
    };
    const uint32_t all = kEditorSizeSetBytes;
    const uint32_t kHuge = 0xfffffff0u;
    const Case kCases[] = {
        {"no bytes", kObjectSize, 96, 0},
        {"half a header", kObjectSize, 96, 4},
        {"a body cut short", kObjectSize, 96, all - 1},
        {"object size beyond the bytes", kObjectSize, 200, all},
        {"object size huge", kObjectSize, kHuge, all},
        {"object too short for its head", kObjectSize, 4, all},
        {"object ends before the value", kObjectSize, 8 + 24, all},
        {"object ends inside the value", kObjectSize, 8 + 24 + 30, all},
        {"a tuple, not an object", kObjectType, u.atomTuple, all},
        {"another message type", kOtype, map.Map(LV2_PATCH__Put), all},
        {"property as an Int", kPropertyType, u.atomInt, all},
        {"another property", kPropertyValue, map.Map("urn:someone:else"), all},
        {"value key missing", kValueKey, map.Map("urn:someone:else"), all},
        {"value not a tuple", kTupleType, u.atomFloat, all},
        {"tuple size beyond the object", kTupleSize, 200, all},
        {"tuple size huge", kTupleSize, kHuge, all},
        {"tuple of two", kTupleSize, 32, all},
        {"tuple empty", kTupleSize, 0, all},
        {"element size huge", kWidthSize, kHuge, all},
        {"element size wrong", kWidthSize, 8, all},
        {"width as a Float", kWidthType, u.atomFloat, all},
        {"scale size huge", kScaleSize, kHuge, all},
        {"width 0", kWidth, 0, all},
        {"width negative", kWidth, static_cast<uint32_t>(-640), all},
        {"height negative", kHeight, static_cast<uint32_t>(-1), all},
        {"scale 0", kScale, Bits(0.0f), all},
        {"scale negative", kScale, Bits(-1.0f), all},
        {"scale NaN", kScale, Bits(std::numeric_limits<float>::quiet_NaN()), all},
        {"scale infinite", kScale, Bits(std::numeric_limits<float>::infinity()), all},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = good;
        std::memcpy(bytes.data() + c.offset, &c.value, sizeof c.value);
        bytes.resize(c.bytes);
        EditorSizeMessage untouched{1, 2, 3.0f};
        EXPECT_EQ(ReadExact(u, bytes, untouched), LV2PatchKind::kOther);
        EXPECT_EQ(untouched.width, 1);
        EXPECT_EQ(untouched.scale, 3.0f);
    }
    EXPECT_EQ(ReadEditorSizeMessage(u, nullptr, 4096, out), LV2PatchKind::kOther);
}

TEST(LV2PatchMessages, MappingNeedsAMapThatAnswers) {
    LV2PatchURIDs u;
    EXPECT_FALSE(MapPatchURIDs(nullptr, kEditorSizeURI, u));
    UridMap map;
    EXPECT_FALSE(MapPatchURIDs(map.MapFeatureData(), nullptr, u));
    LV2_URID_Map zero{nullptr, [](LV2_URID_Map_Handle, const char*) -> LV2_URID { return 0; }};
    EXPECT_FALSE(MapPatchURIDs(&zero, kEditorSizeURI, u));
    EXPECT_EQ(u.patchSet, 0u);
}

}  // namespace
