#pragma once
// Reading and writing the atom:Sequence buffers of LV2 event ports without
// trusting what is inside them. The host vouches only for the sequence's own
// size; every event's size is checked against it, so a lying event ends the
// walk instead of sending a read past the buffer. The writer keeps within the
// capacity the host gave in the output atom's size.
//
// Threads: pure work on the host's buffers, no allocation, [any] (run() calls
// it on [audio]).
#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

#include <cstdint>

// One event of a sequence: its time stamp and its atom (any alignment), of
// atomBytes bytes with the header.
struct LV2SequenceEvent {
    int64_t time = 0;
    const LV2_Atom* atom = nullptr;
    uint32_t atomBytes = 0;
};

class LV2SequenceReader {
public:
    // [any] Walks sequence (null or not of type sequenceType: no events).
    LV2SequenceReader(const LV2_Atom_Sequence* sequence, LV2_URID sequenceType);

    // [any] The next event; false at the end or at an event that claims more
    // bytes than the sequence has left (the walk stops there).
    bool Next(LV2SequenceEvent& event);

private:
    const unsigned char* mBody = nullptr;
    uint32_t mSize = 0;
    uint32_t mAt = 0;
};

class LV2SequenceWriter {
public:
    // [any] Takes the body capacity the host left in sequence->atom.size and
    // writes an empty sequence (with less room than the sequence head: a
    // sequence of size 0, which reads as empty too). Null: writes nothing.
    LV2SequenceWriter(LV2_Atom_Sequence* sequence, LV2_URID sequenceType);

    // [any] Appends an event at time; write(buffer, capacity) composes its
    // atom into the room left and returns the bytes written, 0 when it does
    // not fit. False (sequence unchanged) when the event does not fit.
    template <typename Write>
    bool Append(int64_t time, Write&& write) {
        unsigned char* event = Room();
        if (event == nullptr) {
            return false;
        }
        const uint32_t room = mCapacity - mUsed - kTimeBytes;
        const uint32_t written = write(event + kTimeBytes, room);
        if (written == 0 || written > room) {
            return false;
        }
        Commit(event, time, written);
        return true;
    }

private:
    static constexpr uint32_t kTimeBytes = sizeof(int64_t);
    // Where the next event goes; null when not even an atom header fits.
    unsigned char* Room() const;
    void Commit(unsigned char* event, int64_t time, uint32_t atomBytes);

    LV2_Atom_Sequence* mSequence = nullptr;
    uint32_t mCapacity = 0;
    uint32_t mUsed = 0;  // body bytes, the sequence head included
};
