#include "core/byte_chunk.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(const ByteChunk& chunk) {
    return std::vector<uint8_t>(chunk.Data(), chunk.Data() + chunk.Size());
}

// A chunk holding exactly the given bytes.
ByteChunk ChunkOf(const std::vector<uint8_t>& bytes) {
    ByteChunk chunk;
    chunk.PutBytes(bytes.data(), static_cast<int>(bytes.size()));
    return chunk;
}

TEST(ByteChunk, PutsPlainValuesLittleEndianAndReturnsNewSize) {
    ByteChunk chunk;
    const int32_t i = 0x01020304;
    const float f = 1.0f;    // 0x3F800000
    const double d = -2.0;   // 0xC000000000000000
    const bool b = true;
    EXPECT_EQ(chunk.Put(&i), 4);
    EXPECT_EQ(chunk.Put(&f), 8);
    EXPECT_EQ(chunk.Put(&d), 16);
    EXPECT_EQ(chunk.Put(&b), 17);
    const std::vector<uint8_t> expected = {0x04, 0x03, 0x02, 0x01, 0x00, 0x00, 0x80, 0x3F,
                                           0, 0, 0, 0, 0, 0, 0x00, 0xC0, 0x01};
    EXPECT_EQ(Bytes(chunk), expected);
}

TEST(ByteChunk, GetsValuesBackAndAdvancesThePosition) {
    ByteChunk chunk;
    const int32_t i = -7;
    const double d = 0.1;
    chunk.Put(&i);
    chunk.Put(&d);
    int32_t i2 = 0;
    double d2 = 0.0;
    int pos = chunk.Get(&i2, 0);
    EXPECT_EQ(pos, 4);
    pos = chunk.Get(&d2, pos);
    EXPECT_EQ(pos, 12);
    EXPECT_EQ(i2, -7);
    EXPECT_EQ(d2, 0.1);
}

TEST(ByteChunk, FailedReadsReturnMinusOneAndLeaveTheDestination) {
    const ByteChunk chunk = ChunkOf({1, 2, 3, 4, 5, 6, 7});  // one byte short of a double
    struct Case { int pos; const char* why; };
    const Case kCases[] = {
        {0, "fewer bytes than the value"},
        {-1, "failed position"},
        {INT_MIN, "most negative position"},
        {7, "at the end"},
        {INT_MAX, "position whose end overflows int"},
        {INT_MAX - 4, "end just past int range"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        double d = 42.0;
        EXPECT_EQ(chunk.Get(&d, c.pos), -1);
        EXPECT_EQ(d, 42.0);
    }
    int32_t i = 0;
    EXPECT_EQ(chunk.Get(&i, 3), 7);  // exactly fits
}

TEST(ByteChunk, StringsRoundTripWithLengthPrefixAndNoTerminator) {
    ByteChunk chunk;
    EXPECT_EQ(chunk.PutString("abc"), 7);
    EXPECT_EQ(chunk.PutString(""), 11);
    EXPECT_EQ(chunk.PutString(nullptr), 15);
    const std::vector<uint8_t> expected = {3, 0, 0, 0, 'a', 'b', 'c', 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Bytes(chunk), expected);

    std::string text = "old";
    int pos = chunk.GetString(text, 0);
    EXPECT_EQ(pos, 7);
    EXPECT_EQ(text, "abc");
    pos = chunk.GetString(text, pos);
    EXPECT_EQ(pos, 11);
    EXPECT_EQ(text, "");
}

TEST(ByteChunk, StringRunningPastTheEndKeepsTheTextAndMakesTheNextReadFail) {
    const ByteChunk chunk = ChunkOf({5, 0, 0, 0, 'a', 'b'});
    std::string text = "kept";
    const int pos = chunk.GetString(text, 0);
    EXPECT_EQ(pos, 9);
    EXPECT_EQ(text, "kept");
    uint8_t b = 0;
    EXPECT_EQ(chunk.Get(&b, pos), -1);
}

// A hostile length must neither move the position backwards nor overflow it.
TEST(ByteChunk, StringWithNegativeOrOverflowingLengthFails) {
    struct Case { int32_t length; int startPad; const char* why; };
    const Case kCases[] = {
        {-1, 0, "negative length"},
        {-4, 0, "length that would point back at itself"},
        {INT32_MIN, 0, "most negative length"},
        {INT32_MAX, 0, "length whose end overflows"},
        {INT32_MAX - 4, 1, "end just past int range"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        ByteChunk chunk;
        chunk.Resize(c.startPad);
        chunk.Put(&c.length);
        chunk.PutBytes("xyz", 3);
        std::string text = "kept";
        EXPECT_EQ(chunk.GetString(text, c.startPad), -1);
        EXPECT_EQ(text, "kept");
    }
    std::string text;
    EXPECT_EQ(ChunkOf({1, 0}).GetString(text, 0), -1);  // length itself truncated
    EXPECT_EQ(ChunkOf({0, 0, 0, 0}).GetString(text, -1), -1);
}

TEST(ByteChunk, PutChunkResizeAndClear) {
    ByteChunk a = ChunkOf({1, 2});
    const ByteChunk b = ChunkOf({3});
    EXPECT_EQ(a.PutChunk(b), 3);
    EXPECT_EQ(a.PutChunk(a), 6);  // appending itself doubles it
    EXPECT_EQ(Bytes(a), (std::vector<uint8_t>{1, 2, 3, 1, 2, 3}));
    EXPECT_EQ(a.Resize(8), 8);
    EXPECT_EQ(Bytes(a), (std::vector<uint8_t>{1, 2, 3, 1, 2, 3, 0, 0}));
    EXPECT_EQ(a.Resize(2), 2);
    EXPECT_EQ(Bytes(a), (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(a.Resize(-5), 0);
    a.PutBytes("z", 1);
    a.Clear();
    EXPECT_EQ(a.Size(), 0);
}

}  // namespace
