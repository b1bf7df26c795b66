#pragma once
// System-exclusive MIDI messages as they travel between editor, plug-in and
// host. A SysExMessage only points at its bytes; a SysExRecord carries a copy
// of at most kMaxSysExBytes of them, so it can sit in a lock-free queue.
#include <cstdint>
#include <cstring>

// Data bytes one queued SysEx record holds; longer messages are cut.
inline constexpr int kMaxSysExBytes = 512;

// A view of one message; the bytes belong to the caller.
struct SysExMessage {
    int32_t offset = 0;             // sample offset within the block
    int32_t size = 0;               // number of bytes at data
    const uint8_t* data = nullptr;  // may be null only when size is 0
};

// A self-contained copy for the queues: 520 bytes, copied by value.
struct SysExRecord {
    int32_t offset = 0;
    int32_t size = 0;                   // 0..kMaxSysExBytes
    uint8_t data[kMaxSysExBytes] = {};

    // [any] Copies the message, cutting it to kMaxSysExBytes; a negative size
    // counts as 0 and a null data pointer gives zero bytes.
    void Assign(const SysExMessage& message) {
        offset = message.offset;
        size = message.size < 0 ? 0 : (message.size > kMaxSysExBytes ? kMaxSysExBytes : message.size);
        if (message.data != nullptr) {
            std::memcpy(data, message.data, static_cast<std::size_t>(size));
            std::memset(data + size, 0, static_cast<std::size_t>(kMaxSysExBytes - size));
        } else {
            std::memset(data, 0, sizeof(data));
        }
    }

    // [any] A view of the copied bytes, valid while the record lives.
    SysExMessage View() const { return SysExMessage{offset, size, data}; }
};
static_assert(sizeof(SysExRecord) == 520, "queued SysEx records are 520 bytes");
