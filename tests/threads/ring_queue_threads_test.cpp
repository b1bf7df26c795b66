// RingQueue with its producer and consumer on two threads, for every element
// type the plug-in queues: the small parameter update, the 8-byte MIDI
// message and the 520-byte SysEx record, whose copy is long enough to be torn
// if a slot were published before it is written. The queue is small, so it
// wraps and fills many times; a full queue makes the producer retry.
#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

#include "core/midi_message.h"
#include "core/plugin_api_base.h"
#include "core/ring_queue.h"

namespace {

// Stamp writes sequence number k into an element so that every byte depends
// on it; Check tells whether an element is exactly stamp k.
struct ParamUpdateStamp {
    static ParamUpdate Stamp(int32_t k) { return ParamUpdate{k, static_cast<double>(k) * 0.5 + 1.0}; }
    static bool Check(const ParamUpdate& update, int32_t k) {
        return update.paramIdx == k && update.value == static_cast<double>(k) * 0.5 + 1.0;
    }
};

struct MidiStamp {
    static MidiMessage Stamp(int32_t k) {
        return MidiMessage{k, static_cast<uint8_t>(0x80 | (k & 0x7F)), static_cast<uint8_t>(k >> 7 & 0x7F),
                           static_cast<uint8_t>(~k & 0x7F)};
    }
    static bool Check(const MidiMessage& message, int32_t k) {
        const MidiMessage expected = Stamp(k);
        return message.offset == expected.offset && message.status == expected.status &&
               message.data1 == expected.data1 && message.data2 == expected.data2;
    }
};

struct SysExStamp {
    static uint8_t Byte(int32_t k, int i) { return static_cast<uint8_t>(k * 13 + i); }
    static SysExRecord Stamp(int32_t k) {
        SysExRecord record;
        record.offset = k;
        record.size = kMaxSysExBytes - (k % 7);
        for (int i = 0; i < kMaxSysExBytes; ++i) {
            record.data[i] = Byte(k, i);
        }
        return record;
    }
    static bool Check(const SysExRecord& record, int32_t k) {
        if (record.offset != k || record.size != kMaxSysExBytes - (k % 7)) {
            return false;
        }
        for (int i = 0; i < kMaxSysExBytes; ++i) {
            if (record.data[i] != Byte(k, i)) {
                return false;
            }
        }
        return true;
    }
};

template <typename T, typename S, int N>
struct QueueCase {
    using Element = T;
    using Stamper = S;
    static constexpr int kCount = N;
};

template <typename Case>
class RingQueueThreads : public testing::Test {};

using QueueCases = testing::Types<QueueCase<ParamUpdate, ParamUpdateStamp, 100000>,
                                  QueueCase<MidiMessage, MidiStamp, 100000>,
                                  QueueCase<SysExRecord, SysExStamp, 20000>>;
TYPED_TEST_SUITE(RingQueueThreads, QueueCases);

TYPED_TEST(RingQueueThreads, EveryElementArrivesWholeAndInOrder) {
    using Element = typename TypeParam::Element;
    using Stamper = typename TypeParam::Stamper;
    constexpr int32_t kCount = TypeParam::kCount;
    RingQueue<Element> queue(7);

    std::thread producer([&] {
        for (int32_t k = 0; k < kCount;) {
            if (queue.Push(Stamper::Stamp(k))) {
                ++k;
            } else {
                std::this_thread::yield();
            }
        }
    });
    int32_t next = 0;
    int64_t faults = 0;
    while (next < kCount) {
        Element element;
        if (!queue.Pop(element)) {
            std::this_thread::yield();
            continue;
        }
        faults += !Stamper::Check(element, next);
        ++next;
    }
    producer.join();
    EXPECT_EQ(faults, 0);
    Element extra;
    EXPECT_FALSE(queue.Pop(extra)) << "nothing beyond what was pushed";
}

}  // namespace
