// Walking and writing atom sequences: a lying event ends the walk inside the
// sequence, and writing keeps within the capacity the host gave.
#include "lv2/lv2_atom_sequence.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

constexpr LV2_URID kSequence = 7;
constexpr LV2_URID kInt = 9;

// A sequence in 64-bit words; events are appended raw, lies included.
struct RawSequence {
    std::vector<uint64_t> words = std::vector<uint64_t>(64, 0);
    uint32_t size = sizeof(LV2_Atom_Sequence_Body);

    LV2_Atom_Sequence* Get() {
        auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(words.data());
        sequence->atom.type = kSequence;
        sequence->atom.size = size;
        return sequence;
    }
    // An event whose atom claims claimedSize and brings bodyBytes.
    void Add(int64_t time, uint32_t claimedSize, uint32_t bodyBytes) {
        auto* body = reinterpret_cast<uint8_t*>(words.data()) + sizeof(LV2_Atom);
        std::memcpy(body + size, &time, sizeof time);
        const LV2_Atom atom{claimedSize, kInt};
        std::memcpy(body + size + 8, &atom, sizeof atom);
        size += 16 + ((bodyBytes + 7u) & ~7u);
    }
};

std::vector<int64_t> Times(LV2_Atom_Sequence* sequence, LV2_URID type = kSequence) {
    std::vector<int64_t> times;
    LV2SequenceReader reader(sequence, type);
    for (LV2SequenceEvent event; reader.Next(event);) {
        EXPECT_EQ(event.atomBytes, sizeof(LV2_Atom) + event.atom->size);
        times.push_back(event.time);
    }
    return times;
}

TEST(LV2SequenceReader, StopsAtTheFirstEventThatClaimsMoreThanIsLeft) {
    struct Case {
        const char* what;
        std::vector<uint32_t> claimed;  // per event, each bringing 4 bytes
        int64_t cut;                    // bytes taken off the sequence's size
        std::vector<int64_t> expected;
    };
    const Case kCases[] = {
        {"three good events", {4, 4, 4}, 0, {0, 1, 2}},
        {"the last one's padding cut", {4, 4, 4}, 4, {0, 1, 2}},
        {"the last one's body cut", {4, 4, 4}, 5, {0, 1}},
        {"a lie in the middle", {4, 0xffffff00u, 4}, 0, {0}},
        {"a lie of exactly one byte", {4, 4, 9}, 0, {0, 1}},
        {"an empty atom", {0, 4}, 0, {0, 1}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        RawSequence raw;
        for (std::size_t i = 0; i < c.claimed.size(); ++i) {
            raw.Add(static_cast<int64_t>(i), c.claimed[i], c.claimed[i] == 0 ? 0 : 4);
        }
        raw.size -= static_cast<uint32_t>(c.cut);
        EXPECT_EQ(Times(raw.Get()), c.expected);
    }
}

TEST(LV2SequenceReader, ReadsNothingFromAnAbsentOrForeignSequence) {
    RawSequence raw;
    raw.Add(0, 4, 4);
    EXPECT_TRUE(Times(raw.Get(), kInt).empty());
    EXPECT_TRUE(Times(raw.Get(), 0).empty());
    EXPECT_TRUE(Times(nullptr).empty());
    raw.size = 4;  // shorter than the sequence head
    EXPECT_TRUE(Times(raw.Get()).empty());
}

TEST(LV2SequenceWriter, AppendsWithinTheCapacityTheHostGave) {
    const auto writeInt = [](void* buffer, uint32_t capacity) -> uint32_t {
        if (capacity < 12) {
            return 0;
        }
        const LV2_Atom_Int atom{{4, kInt}, 42};
        std::memcpy(buffer, &atom, 12);
        return 12;
    };
    struct Case {
        uint32_t capacity;
        int fitting;          // events that fit
        uint32_t resultSize;  // the sequence's size after
    };
    // Each event takes 8 (time) + 12 (atom) bytes, padded to 24 unless it is
    // the last one.
    const Case kCases[] = {{0, 0, 0},   {7, 0, 0},   {8, 0, 8},   {27, 0, 8},   {28, 1, 28},
                           {32, 1, 32}, {56, 2, 56}, {99, 3, 80}, {100, 4, 100}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.capacity);
        std::vector<uint64_t> words(32, 0xababababababababull);
        auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(words.data());
        sequence->atom.size = c.capacity;
        LV2SequenceWriter writer(sequence, kSequence);
        int appended = 0;
        for (int i = 0; i < 5; ++i) {
            appended += writer.Append(i, writeInt) ? 1 : 0;
        }
        EXPECT_EQ(appended, c.fitting);
        EXPECT_EQ(sequence->atom.type, kSequence);
        EXPECT_EQ(sequence->atom.size, c.resultSize);
        const auto* bytes = reinterpret_cast<const uint8_t*>(words.data());
        for (std::size_t i = sizeof(LV2_Atom) + c.capacity; i < words.size() * 8; ++i) {
            ASSERT_EQ(bytes[i], 0xab) << "byte " << i << " past the capacity";
        }
        std::vector<int64_t> expected;
        for (int i = 0; i < c.fitting; ++i) {
            expected.push_back(i);
        }
        EXPECT_EQ(Times(sequence), expected);
    }
}

}  // namespace
