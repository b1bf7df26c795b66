#include "lv2/ui/lv2_patch_messages.h"

#include <lv2/atom/atom.h>
#include <lv2/patch/patch.h>

#include <cmath>
#include <cstring>

namespace {

// Little writer/reader over unaligned bytes.
struct Out {
    unsigned char* p;
    uint32_t at = 0;
    void U32(uint32_t v) {
        std::memcpy(p + at, &v, 4);
        at += 4;
    }
    void I32(int32_t v) {
        std::memcpy(p + at, &v, 4);
        at += 4;
    }
    void F32(float v) {
        std::memcpy(p + at, &v, 4);
        at += 4;
    }
};

uint32_t ReadU32(const unsigned char* p) {
    uint32_t v = 0;
    std::memcpy(&v, p, 4);
    return v;
}

uint32_t Pad8(uint32_t n) {
    return (n + 7u) & ~7u;
}

}  // namespace

bool MapPatchURIDs(const LV2_URID_Map* map, const char* editorSizeURI, LV2PatchURIDs& out) {
    if (map == nullptr || map->map == nullptr || editorSizeURI == nullptr) return false;
    LV2PatchURIDs u;
    const struct {
        LV2_URID* field;
        const char* uri;
    } kEntries[] = {{&u.atomEventTransfer, LV2_ATOM__eventTransfer},
                    {&u.atomSequence, LV2_ATOM__Sequence},
                    {&u.atomObject, LV2_ATOM__Object},
                    {&u.atomTuple, LV2_ATOM__Tuple},
                    {&u.atomInt, LV2_ATOM__Int},
                    {&u.atomFloat, LV2_ATOM__Float},
                    {&u.atomURID, LV2_ATOM__URID},
                    {&u.patchSet, LV2_PATCH__Set},
                    {&u.patchGet, LV2_PATCH__Get},
                    {&u.patchProperty, LV2_PATCH__property},
                    {&u.patchValue, LV2_PATCH__value},
                    {&u.editorSize, editorSizeURI}};
    for (const auto& e : kEntries) {
        *e.field = map->map(map->handle, e.uri);
        if (*e.field == 0) return false;
    }
    out = u;
    return true;
}

uint32_t WriteEditorSizeSet(const LV2PatchURIDs& u, const EditorSizeMessage& m, void* buffer,
                            uint32_t capacity) {
    if (buffer == nullptr || capacity < kEditorSizeSetBytes) return 0;
    Out o{static_cast<unsigned char*>(buffer)};
    o.U32(kEditorSizeSetBytes - 8);
    o.U32(u.atomObject);
    o.U32(0);  // id
    o.U32(u.patchSet);
    o.U32(u.patchProperty);  // property: key, context, atom URID
    o.U32(0);
    o.U32(4);
    o.U32(u.atomURID);
    o.U32(u.editorSize);
    o.U32(0);             // pad
    o.U32(u.patchValue);  // value: key, context, tuple of three
    o.U32(0);
    o.U32(48);
    o.U32(u.atomTuple);
    o.U32(4);
    o.U32(u.atomInt);
    o.I32(m.width);
    o.U32(0);
    o.U32(4);
    o.U32(u.atomInt);
    o.I32(m.height);
    o.U32(0);
    o.U32(4);
    o.U32(u.atomFloat);
    o.F32(m.scale);
    o.U32(0);
    return o.at;
}

uint32_t WriteEditorSizeGet(const LV2PatchURIDs& u, void* buffer, uint32_t capacity) {
    if (buffer == nullptr || capacity < kEditorSizeGetBytes) return 0;
    Out o{static_cast<unsigned char*>(buffer)};
    o.U32(kEditorSizeGetBytes - 8);
    o.U32(u.atomObject);
    o.U32(0);
    o.U32(u.patchGet);
    o.U32(u.patchProperty);
    o.U32(0);
    o.U32(4);
    o.U32(u.atomURID);
    o.U32(u.editorSize);
    o.U32(0);
    return o.at;
}

LV2PatchKind ReadEditorSizeMessage(const LV2PatchURIDs& u, const LV2_Atom* atom, uint32_t size,
                                   EditorSizeMessage& out) {
    if (atom == nullptr || size < 16) return LV2PatchKind::kOther;
    const auto* p = reinterpret_cast<const unsigned char*>(atom);
    const uint32_t body = ReadU32(p);
    if (ReadU32(p + 4) != u.atomObject || body < 8 || body > size - 8) return LV2PatchKind::kOther;
    const uint32_t end = 8 + body;
    const uint32_t otype = ReadU32(p + 12);
    uint32_t property = 0;
    uint32_t valueAt = 0;
    uint32_t valueSize = 0;
    for (uint32_t at = 16; at + 16 <= end;) {
        const uint32_t key = ReadU32(p + at);
        const uint32_t vsize = ReadU32(p + at + 8);
        const uint32_t vtype = ReadU32(p + at + 12);
        if (vsize > end - at - 16) return LV2PatchKind::kOther;
        if (key == u.patchProperty && vtype == u.atomURID && vsize >= 4) {
            property = ReadU32(p + at + 16);
        } else if (key == u.patchValue && vtype == u.atomTuple) {
            valueAt = at + 16;
            valueSize = vsize;
        }
        at += 16 + Pad8(vsize);
    }
    if (otype == u.patchGet && (property == 0 || property == u.editorSize)) {
        return LV2PatchKind::kGetEditorSize;
    }
    if (otype != u.patchSet || property != u.editorSize || valueAt == 0) {
        return LV2PatchKind::kOther;
    }
    // The tuple's first three items: Int, Int, Float.
    EditorSizeMessage m;
    uint32_t at = valueAt;
    const uint32_t tupleEnd = valueAt + valueSize;
    for (int item = 0; item < 3; ++item) {
        if (tupleEnd - at < 12) return LV2PatchKind::kOther;
        const uint32_t isize = ReadU32(p + at);
        const uint32_t itype = ReadU32(p + at + 4);
        if (isize != 4 || itype != (item < 2 ? u.atomInt : u.atomFloat)) {
            return LV2PatchKind::kOther;
        }
        if (item == 0) std::memcpy(&m.width, p + at + 8, 4);
        if (item == 1) std::memcpy(&m.height, p + at + 8, 4);
        if (item == 2) std::memcpy(&m.scale, p + at + 8, 4);
        at += 16;
        if (at > tupleEnd) at = tupleEnd;
    }
    if (m.width <= 0 || m.height <= 0 || !std::isfinite(m.scale) || m.scale <= 0.0f) {
        return LV2PatchKind::kOther;
    }
    out = m;
    return LV2PatchKind::kSetEditorSize;
}
