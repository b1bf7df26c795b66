#pragma once
// The patch messages that carry the editor size (width and height in editor
// units, draw scale) between the plug-in and its UI over the "control" and
// "notify" atom ports:
//
//   [ a patch:Set ; patch:property <editorSize> ;
//     patch:value ( atom:Int width , atom:Int height , atom:Float scale ) ]
//   [ a patch:Get ; patch:property <editorSize> ]
//
// Writing composes a complete atom (header included) into a buffer the
// caller owns; reading bounds-checks every size it meets against the bytes
// it was given, so a lying atom is never read past its end. No allocation, no
// lock: usable in run() and in the UI alike.
//
// Threads: MapPatchURIDs calls the host's map and is [main, ui]; the rest is
// pure work on the caller's buffers, [any].
#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

#include <cstdint>

struct LV2PatchURIDs {
    LV2_URID atomEventTransfer = 0;
    LV2_URID atomSequence = 0;
    LV2_URID atomObject = 0;
    LV2_URID atomTuple = 0;
    LV2_URID atomInt = 0;
    LV2_URID atomFloat = 0;
    LV2_URID atomURID = 0;  // the type of patch:property's value
    LV2_URID patchSet = 0;
    LV2_URID patchGet = 0;
    LV2_URID patchProperty = 0;
    LV2_URID patchValue = 0;
    LV2_URID editorSize = 0;
};

// [main, ui] Maps every URI above (editorSizeURI for editorSize). False when
// map or editorSizeURI is null or the host answers 0 for any of them.
bool MapPatchURIDs(const LV2_URID_Map* map, const char* editorSizeURI, LV2PatchURIDs& out);

struct EditorSizeMessage {
    int32_t width = 0;
    int32_t height = 0;
    float scale = 0.0f;

    // [any]
    bool operator==(const EditorSizeMessage&) const = default;
};

// Bytes of the two messages as written (atom header included).
inline constexpr uint32_t kEditorSizeSetBytes = 104;
inline constexpr uint32_t kEditorSizeGetBytes = 40;

// [any] A complete patch:Set of the editor size into buffer (any alignment).
// Returns the bytes written, 0 when capacity is too small (nothing written).
uint32_t WriteEditorSizeSet(const LV2PatchURIDs& u, const EditorSizeMessage& m, void* buffer,
                            uint32_t capacity);
// [any] A complete patch:Get of the editor size; as above.
uint32_t WriteEditorSizeGet(const LV2PatchURIDs& u, void* buffer, uint32_t capacity);

enum class LV2PatchKind { kOther, kSetEditorSize, kGetEditorSize };

// [any] Reads one atom of at most size bytes (header included; any
// alignment); never reads past them. kSetEditorSize (out filled) only for a
// patch:Set of editorSize whose value tuple starts with Int width > 0, Int
// height > 0 and a finite Float scale > 0; kGetEditorSize for a patch:Get of
// editorSize or of no property; everything else, null included, kOther.
LV2PatchKind ReadEditorSizeMessage(const LV2PatchURIDs& u, const LV2_Atom* atom, uint32_t size,
                                   EditorSizeMessage& out);
