// Feeds arbitrary bytes as the body of the "control" sequence and as one
// atom to the editor-size patch reader, and an arbitrary capacity to the
// notify writer. Checked: nothing is read past the bytes given (the address
// sanitizer sees every buffer at its exact size), a size read is positive
// and finite and survives a write and a read back, and the writer never
// goes past the capacity nor reports more bytes than it has.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "lv2/lv2_atom_sequence.h"
#include "lv2/lv2_patch_messages.h"

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "lv2 patch message fuzzer: %s\n", what);
        std::abort();
    }
}

// Small URIDs, so the fuzzer finds them easily (the seeds use the same).
LV2PatchURIDs Urids() {
    LV2PatchURIDs u;
    u.atomEventTransfer = 1;
    u.atomSequence = 2;
    u.atomObject = 3;
    u.atomTuple = 4;
    u.atomInt = 5;
    u.atomFloat = 6;
    u.atomURID = 7;
    u.patchSet = 8;
    u.patchGet = 9;
    u.patchProperty = 10;
    u.patchValue = 11;
    u.editorSize = 12;
    return u;
}

void CheckRead(const LV2PatchURIDs& u, LV2PatchKind kind, const EditorSizeMessage& size) {
    if (kind != LV2PatchKind::kSetEditorSize) {
        return;
    }
    Check(size.width > 0 && size.height > 0, "a size that is not positive");
    Check(std::isfinite(size.scale) && size.scale > 0.0f,
          "a scale that is not positive and finite");
    unsigned char again[kEditorSizeSetBytes];
    Check(WriteEditorSizeSet(u, size, again, sizeof again) == kEditorSizeSetBytes, "write failed");
    EditorSizeMessage back;
    Check(ReadEditorSizeMessage(u, reinterpret_cast<const LV2_Atom*>(again), sizeof again, back) ==
              LV2PatchKind::kSetEditorSize,
          "a written size does not read back");
    Check(back == size, "a size changed on its way back");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const LV2PatchURIDs u = Urids();
    FuzzedDataProvider input(data, size);
    const auto capacity = input.ConsumeIntegralInRange<uint32_t>(0, 300);
    const std::vector<uint8_t> body = input.ConsumeRemainingBytes<uint8_t>();

    // The bytes as a sequence body; the host vouches for its size only. The
    // atom sits at the start of a heap block of exactly its size.
    std::vector<uint64_t> words(1 + (body.size() + 7) / 8, 0);
    auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(words.data());
    sequence->atom.type = u.atomSequence;
    sequence->atom.size = static_cast<uint32_t>(body.size());
    if (!body.empty()) {
        std::memcpy(&sequence->body, body.data(), body.size());
    }
    std::vector<uint8_t> exact(sizeof(LV2_Atom) + body.size());
    std::memcpy(exact.data(), words.data(), exact.size());
    sequence = reinterpret_cast<LV2_Atom_Sequence*>(exact.data());
    LV2SequenceReader reader(sequence, u.atomSequence);
    EditorSizeMessage last;
    for (LV2SequenceEvent event; reader.Next(event);) {
        const auto* begin = reinterpret_cast<const uint8_t*>(event.atom);
        Check(begin >= exact.data() && begin + event.atomBytes <= exact.data() + exact.size(),
              "an event outside the sequence");
        EditorSizeMessage read;
        const LV2PatchKind kind = ReadEditorSizeMessage(u, event.atom, event.atomBytes, read);
        CheckRead(u, kind, read);
        if (kind == LV2PatchKind::kSetEditorSize) {
            last = read;
        }
    }

    // The same bytes as one atom.
    std::vector<uint8_t> atom(body);
    EditorSizeMessage read;
    CheckRead(u,
              ReadEditorSizeMessage(u, reinterpret_cast<const LV2_Atom*>(atom.data()),
                                    static_cast<uint32_t>(atom.size()), read),
              read);

    // The notify sequence at the given capacity, in a block that ends there.
    std::vector<uint8_t> notify(sizeof(LV2_Atom) + capacity);
    auto* out = reinterpret_cast<LV2_Atom_Sequence*>(notify.data());
    out->atom.size = capacity;
    LV2SequenceWriter writer(out, u.atomSequence);
    if (last.width == 0) {
        last = {1, 1, 1.0f};
    }
    writer.Append(0, [&](void* buffer, uint32_t room) {
        const uint32_t written = WriteEditorSizeSet(u, last, buffer, room);
        Check(written <= room, "a message larger than its room");
        return written;
    });
    Check(out->atom.size <= capacity, "a sequence larger than the capacity");
    return 0;
}
