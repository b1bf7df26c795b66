#include "lv2/lv2_patch_messages.h"

#include <lv2/patch/patch.h>

#include <cmath>
#include <cstring>

namespace {

// Atoms are 64-bit aligned inside their containers.
constexpr uint32_t Padded(uint32_t size) {
    return (size + 7u) & ~7u;
}

constexpr uint32_t kHeader = sizeof(LV2_Atom);  // size, type
// An object's body starts with id and otype; a property with key and context.
constexpr uint32_t kObjectBodyHead = 8;
constexpr uint32_t kPropertyHead = 8;

// Byte writer over a local buffer; every message fits in kEditorSizeSetBytes.
class Writer {
public:
    void U32(uint32_t value) {
        std::memcpy(mBytes + mAt, &value, sizeof value);
        mAt += sizeof value;
    }
    void I32(int32_t value) { U32(static_cast<uint32_t>(value)); }
    void F32(float value) {
        std::memcpy(mBytes + mAt, &value, sizeof value);
        mAt += sizeof value;
    }
    void Pad() {
        while (mAt % 8 != 0) {
            mBytes[mAt++] = 0;
        }
    }
    void Atom(uint32_t bodySize, uint32_t type) {
        U32(bodySize);
        U32(type);
    }
    uint32_t CopyTo(void* buffer, uint32_t capacity) const {
        if (buffer == nullptr || capacity < mAt) {
            return 0;
        }
        std::memcpy(buffer, mBytes, mAt);
        return mAt;
    }

private:
    unsigned char mBytes[kEditorSizeSetBytes] = {};
    uint32_t mAt = 0;
};

// Object header and its patch:property editorSize.
void WriteHead(Writer& w, const LV2PatchURIDs& u, uint32_t objectBodySize, LV2_URID otype) {
    w.Atom(objectBodySize, u.atomObject);
    w.U32(0);  // a blank object
    w.U32(otype);
    w.U32(u.patchProperty);
    w.U32(0);  // context
    w.Atom(sizeof(LV2_URID), u.atomURID);
    w.U32(u.editorSize);
    w.Pad();
}

// Bounds-checked reads of the caller's bytes.
class Reader {
public:
    Reader(const unsigned char* bytes, uint32_t size) : mBytes(bytes), mSize(size) {}
    bool U32(uint32_t at, uint32_t& value) const {
        if (at > mSize || mSize - at < sizeof value) {
            return false;
        }
        std::memcpy(&value, mBytes + at, sizeof value);
        return true;
    }
    // The atom header at `at`, its body within the bytes.
    bool Atom(uint32_t at, uint32_t& bodySize, uint32_t& type) const {
        return U32(at, bodySize) && U32(at + 4, type) && bodySize <= mSize - at - kHeader;
    }

private:
    const unsigned char* mBytes;
    uint32_t mSize;
};

// The tuple (Int width, Int height, Float scale, ...) whose body is
// [begin, end) of r.
bool ReadSizeTuple(const LV2PatchURIDs& u, const Reader& r, uint32_t begin, uint32_t end,
                   EditorSizeMessage& out) {
    const LV2_URID types[3] = {u.atomInt, u.atomInt, u.atomFloat};
    uint32_t values[3] = {};
    uint32_t at = begin;
    for (int i = 0; i < 3; ++i) {
        uint32_t bodySize = 0;
        uint32_t type = 0;
        if (end - at < kHeader || !r.Atom(at, bodySize, type) || bodySize > end - at - kHeader ||
            type != types[i] || bodySize != 4 || !r.U32(at + kHeader, values[i])) {
            return false;
        }
        at += kHeader + Padded(bodySize);
        if (at > end) {
            at = end;
        }
    }
    EditorSizeMessage m;
    m.width = static_cast<int32_t>(values[0]);
    m.height = static_cast<int32_t>(values[1]);
    std::memcpy(&m.scale, &values[2], sizeof m.scale);
    if (m.width <= 0 || m.height <= 0 || !std::isfinite(m.scale) || m.scale <= 0.0f) {
        return false;
    }
    out = m;
    return true;
}

}  // namespace

bool MapPatchURIDs(const LV2_URID_Map* map, const char* editorSizeURI, LV2PatchURIDs& out) {
    if (map == nullptr || map->map == nullptr || editorSizeURI == nullptr) {
        return false;
    }
    const auto m = [map](const char* uri) { return map->map(map->handle, uri); };
    LV2PatchURIDs u;
    u.atomEventTransfer = m(LV2_ATOM__eventTransfer);
    u.atomSequence = m(LV2_ATOM__Sequence);
    u.atomObject = m(LV2_ATOM__Object);
    u.atomTuple = m(LV2_ATOM__Tuple);
    u.atomInt = m(LV2_ATOM__Int);
    u.atomFloat = m(LV2_ATOM__Float);
    u.atomURID = m(LV2_ATOM__URID);
    u.patchSet = m(LV2_PATCH__Set);
    u.patchGet = m(LV2_PATCH__Get);
    u.patchProperty = m(LV2_PATCH__property);
    u.patchValue = m(LV2_PATCH__value);
    u.editorSize = m(editorSizeURI);
    const LV2_URID all[] = {u.atomEventTransfer, u.atomSequence,  u.atomObject, u.atomTuple,
                            u.atomInt,           u.atomFloat,     u.atomURID,   u.patchSet,
                            u.patchGet,          u.patchProperty, u.patchValue, u.editorSize};
    for (const LV2_URID urid : all) {
        if (urid == 0) {
            return false;
        }
    }
    out = u;
    return true;
}

uint32_t WriteEditorSizeSet(const LV2PatchURIDs& u, const EditorSizeMessage& m, void* buffer,
                            uint32_t capacity) {
    constexpr uint32_t kScalar = kHeader + 8;  // an Int or Float atom, padded
    constexpr uint32_t kTupleBody = 3 * kScalar;
    constexpr uint32_t kUridProperty = kPropertyHead + kHeader + 8;
    constexpr uint32_t kValueProperty = kPropertyHead + kHeader + kTupleBody;
    constexpr uint32_t kBody = kObjectBodyHead + kUridProperty + kValueProperty;
    static_assert(kHeader + kBody == kEditorSizeSetBytes);

    Writer w;
    WriteHead(w, u, kBody, u.patchSet);
    w.U32(u.patchValue);
    w.U32(0);  // context
    w.Atom(kTupleBody, u.atomTuple);
    w.Atom(4, u.atomInt);
    w.I32(m.width);
    w.Pad();
    w.Atom(4, u.atomInt);
    w.I32(m.height);
    w.Pad();
    w.Atom(4, u.atomFloat);
    w.F32(m.scale);
    w.Pad();
    return w.CopyTo(buffer, capacity);
}

uint32_t WriteEditorSizeGet(const LV2PatchURIDs& u, void* buffer, uint32_t capacity) {
    constexpr uint32_t kBody = kObjectBodyHead + kPropertyHead + kHeader + 8;
    static_assert(kHeader + kBody == kEditorSizeGetBytes);
    Writer w;
    WriteHead(w, u, kBody, u.patchGet);
    return w.CopyTo(buffer, capacity);
}

LV2PatchKind ReadEditorSizeMessage(const LV2PatchURIDs& u, const LV2_Atom* atom, uint32_t size,
                                   EditorSizeMessage& out) {
    if (atom == nullptr) {
        return LV2PatchKind::kOther;
    }
    const Reader r(reinterpret_cast<const unsigned char*>(atom), size);
    uint32_t bodySize = 0;
    uint32_t type = 0;
    uint32_t otype = 0;
    if (!r.Atom(0, bodySize, type) || type != u.atomObject || bodySize < kObjectBodyHead ||
        !r.U32(kHeader + 4, otype) || (otype != u.patchSet && otype != u.patchGet)) {
        return LV2PatchKind::kOther;
    }
    const uint32_t end = kHeader + bodySize;
    bool hasProperty = false;
    bool propertyIsSize = false;
    uint32_t valueBegin = 0;
    uint32_t valueEnd = 0;
    uint32_t valueType = 0;
    for (uint32_t at = kHeader + kObjectBodyHead; at < end;) {
        uint32_t key = 0;
        uint32_t valueSize = 0;
        uint32_t type = 0;
        if (end - at < kPropertyHead + kHeader || !r.U32(at, key) ||
            !r.Atom(at + kPropertyHead, valueSize, type) ||
            valueSize > end - at - kPropertyHead - kHeader) {
            return LV2PatchKind::kOther;
        }
        const uint32_t body = at + kPropertyHead + kHeader;
        // The first of repeated keys counts.
        if (key == u.patchProperty && !hasProperty) {
            uint32_t urid = 0;
            hasProperty = true;
            propertyIsSize = type == u.atomURID && valueSize >= sizeof urid && r.U32(body, urid) &&
                             urid == u.editorSize;
        } else if (key == u.patchValue && valueType == 0) {
            valueType = type;
            valueBegin = body;
            valueEnd = body + valueSize;
        }
        const uint32_t step = kPropertyHead + kHeader + Padded(valueSize);
        if (step > end - at) {
            break;
        }
        at += step;
    }
    if (otype == u.patchGet) {
        return !hasProperty || propertyIsSize ? LV2PatchKind::kGetEditorSize : LV2PatchKind::kOther;
    }
    if (!propertyIsSize || valueType != u.atomTuple ||
        !ReadSizeTuple(u, r, valueBegin, valueEnd, out)) {
        return LV2PatchKind::kOther;
    }
    return LV2PatchKind::kSetEditorSize;
}
