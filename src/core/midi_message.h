#pragma once
// MIDI and SysEx messages as they travel between host, audio thread and
// editor. Both record types are plain fixed-size values, so the lock-free
// queues copy them without allocating.
#include <algorithm>
#include <cstdint>
#include <cstring>

// One short MIDI message; offset is the sample position within the block.
struct MidiMessage {
    int32_t offset = 0;
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
};
static_assert(sizeof(MidiMessage) == 8, "queued by value as 8 bytes");

// Longest SysEx message a queued record holds; longer messages are cut.
inline constexpr int kMaxSysExBytes = 512;

// A SysEx message that points at bytes owned by its sender; valid only for
// the duration of the call it is passed to.
struct SysExMessage {
    int32_t offset = 0;
    int32_t size = 0;
    const uint8_t* data = nullptr;
};

// A SysEx message copied into a fixed record so it can sit in a queue.
struct SysExRecord {
    int32_t offset = 0;
    int32_t size = 0;                   // 0..kMaxSysExBytes
    uint8_t data[kMaxSysExBytes] = {};

    // [any] Copies the message, cutting it to kMaxSysExBytes; a negative size
    // counts as 0 and a null data pointer gives zero bytes. The unused rest of
    // the record is zeroed, so a record never carries an older message's bytes.
    void Assign(const SysExMessage& message) {
        offset = message.offset;
        size = std::clamp<int32_t>(message.size, 0, kMaxSysExBytes);
        if (message.data != nullptr) {
            std::memcpy(data, message.data, static_cast<std::size_t>(size));
            std::memset(data + size, 0, static_cast<std::size_t>(kMaxSysExBytes - size));
        } else {
            std::memset(data, 0, sizeof(data));
        }
    }

    // [any] A view of the copied bytes, valid while the record lives.
    SysExMessage View() const { return {offset, size, data}; }
};
static_assert(sizeof(SysExRecord) == 520, "queued by value as 520 bytes");
