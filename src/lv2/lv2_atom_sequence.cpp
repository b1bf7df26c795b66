#include "lv2/lv2_atom_sequence.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kHead = sizeof(LV2_Atom_Sequence_Body);
constexpr uint32_t kEventHead = sizeof(LV2_Atom_Event);  // time and atom header

constexpr uint32_t Padded(uint32_t size) {
    return (size + 7u) & ~7u;
}

}  // namespace

LV2SequenceReader::LV2SequenceReader(const LV2_Atom_Sequence* sequence, LV2_URID sequenceType) {
    if (sequence == nullptr || sequenceType == 0 || sequence->atom.type != sequenceType ||
        sequence->atom.size < kHead) {
        return;
    }
    mBody = reinterpret_cast<const unsigned char*>(&sequence->body);
    mSize = sequence->atom.size;
    mAt = kHead;
}

bool LV2SequenceReader::Next(LV2SequenceEvent& event) {
    if (mBody == nullptr || mAt > mSize || mSize - mAt < kEventHead) {
        return false;
    }
    LV2_Atom atom{};
    std::memcpy(&event.time, mBody + mAt, sizeof event.time);
    std::memcpy(&atom, mBody + mAt + sizeof event.time, sizeof atom);
    if (atom.size > mSize - mAt - kEventHead) {
        mAt = mSize;
        return false;
    }
    event.atom = reinterpret_cast<const LV2_Atom*>(mBody + mAt + sizeof event.time);
    event.atomBytes = static_cast<uint32_t>(sizeof atom) + atom.size;
    // The last event's padding may lie past the end.
    mAt += std::min(Padded(kEventHead + atom.size), mSize - mAt);
    return true;
}

LV2SequenceWriter::LV2SequenceWriter(LV2_Atom_Sequence* sequence, LV2_URID sequenceType)
    : mSequence(sequence) {
    if (sequence == nullptr) {
        return;
    }
    mCapacity = sequence->atom.size;
    sequence->atom.type = sequenceType;
    if (mCapacity < kHead) {
        sequence->atom.size = 0;
        mCapacity = 0;
        return;
    }
    sequence->body.unit = 0;  // event times in frames
    sequence->body.pad = 0;
    sequence->atom.size = kHead;
    mUsed = kHead;
}

unsigned char* LV2SequenceWriter::Room() const {
    if (mSequence == nullptr || mCapacity < mUsed || mCapacity - mUsed < kEventHead) {
        return nullptr;
    }
    return reinterpret_cast<unsigned char*>(&mSequence->body) + mUsed;
}

void LV2SequenceWriter::Commit(unsigned char* event, int64_t time, uint32_t atomBytes) {
    std::memcpy(event, &time, sizeof time);
    mUsed += std::min(Padded(kTimeBytes + atomBytes), mCapacity - mUsed);
    mSequence->atom.size = mUsed;
}
