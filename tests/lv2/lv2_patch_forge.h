#pragma once
// Patch messages as another LV2 program writes and reads them: built with
// LV2's own forge and read with LV2's own object utilities, so the tests
// check the plug-in's messages against LV2 rather than against themselves.
#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/patch/patch.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <vector>

#include "lv2/lv2_patch_messages.h"
#include "lv2_test_host.h"

namespace lv2_test {

inline constexpr char kEditorSizeURI[] = "urn:quernstoneworks:tarnwhistle:editor-size";

// 64-bit aligned bytes, as hosts give atom buffers.
class AtomBuffer {
public:
    explicit AtomBuffer(std::size_t bytes = 4096) : mWords((bytes + 7) / 8, 0) {}
    uint8_t* Bytes() { return reinterpret_cast<uint8_t*>(mWords.data()); }
    std::size_t Size() const { return mWords.size() * 8; }
    LV2_Atom* Atom() { return reinterpret_cast<LV2_Atom*>(mWords.data()); }
    LV2_Atom_Sequence* Sequence() { return reinterpret_cast<LV2_Atom_Sequence*>(mWords.data()); }
    std::vector<uint8_t> Copy(std::size_t bytes) { return {Bytes(), Bytes() + bytes}; }

private:
    std::vector<uint64_t> mWords;
};

// Writes atoms with LV2's forge into buffer; one forge per buffer.
class Forge {
public:
    explicit Forge(UridMap& map) : mMap(map) {
        lv2_atom_forge_init(&mForge, map.MapFeatureData());
        mProperty = map.Map(LV2_PATCH__property);
        mValue = map.Map(LV2_PATCH__value);
        mSubject = map.Map(LV2_PATCH__subject);
        mSize = map.Map(kEditorSizeURI);
    }
    LV2_Atom_Forge* Get() { return &mForge; }

    // A patch:Set; property 0 leaves patch:property out, subject adds
    // patch:subject first.
    void Set(AtomBuffer& out, int32_t width, int32_t height, float scale, bool subject = false) {
        Begin(out);
        LV2_Atom_Forge_Frame object;
        LV2_Atom_Forge_Frame tuple;
        lv2_atom_forge_object(&mForge, &object, 0, mMap.Map(LV2_PATCH__Set));
        if (subject) {
            lv2_atom_forge_key(&mForge, mSubject);
            lv2_atom_forge_urid(&mForge, mMap.Map("urn:quernstoneworks:tarnwhistle:stereo"));
        }
        lv2_atom_forge_key(&mForge, mProperty);
        lv2_atom_forge_urid(&mForge, mSize);
        lv2_atom_forge_key(&mForge, mValue);
        lv2_atom_forge_tuple(&mForge, &tuple);
        lv2_atom_forge_int(&mForge, width);
        lv2_atom_forge_int(&mForge, height);
        lv2_atom_forge_float(&mForge, scale);
        lv2_atom_forge_pop(&mForge, &tuple);
        lv2_atom_forge_pop(&mForge, &object);
    }
    // A patch:Get of property (0: of no property).
    void Get(AtomBuffer& out, LV2_URID property, bool subject = false) {
        Begin(out);
        LV2_Atom_Forge_Frame object;
        lv2_atom_forge_object(&mForge, &object, 0, mMap.Map(LV2_PATCH__Get));
        if (subject) {
            lv2_atom_forge_key(&mForge, mSubject);
            lv2_atom_forge_urid(&mForge, mMap.Map("urn:quernstoneworks:tarnwhistle:stereo"));
        }
        if (property != 0) {
            lv2_atom_forge_key(&mForge, mProperty);
            lv2_atom_forge_urid(&mForge, property);
        }
        lv2_atom_forge_pop(&mForge, &object);
    }

private:
    void Begin(AtomBuffer& out) { lv2_atom_forge_set_buffer(&mForge, out.Bytes(), out.Size()); }

    UridMap& mMap;
    LV2_Atom_Forge mForge{};
    LV2_URID mProperty = 0;
    LV2_URID mValue = 0;
    LV2_URID mSubject = 0;
    LV2_URID mSize = 0;
};

// The editor size of a patch:Set atom, read with LV2's utilities; nothing
// when it is not a patch:Set of the editor size with an Int, Int, Float tuple.
inline std::optional<EditorSizeMessage> SetOfEditorSize(UridMap& map, const LV2_Atom* atom) {
    if (atom->type != map.Map(LV2_ATOM__Object)) {
        return std::nullopt;
    }
    const auto* object = reinterpret_cast<const LV2_Atom_Object*>(atom);
    if (object->body.otype != map.Map(LV2_PATCH__Set)) {
        return std::nullopt;
    }
    const LV2_Atom* property = nullptr;
    const LV2_Atom* value = nullptr;
    lv2_atom_object_get(object, map.Map(LV2_PATCH__property), &property, map.Map(LV2_PATCH__value),
                        &value, 0);
    if (property == nullptr || property->type != map.Map(LV2_ATOM__URID) ||
        reinterpret_cast<const LV2_Atom_URID*>(property)->body != map.Map(kEditorSizeURI) ||
        value == nullptr || value->type != map.Map(LV2_ATOM__Tuple)) {
        return std::nullopt;
    }
    std::vector<const LV2_Atom*> items;
    LV2_ATOM_TUPLE_FOREACH(reinterpret_cast<const LV2_Atom_Tuple*>(value), item) {
        items.push_back(item);
    }
    if (items.size() != 3 || items[0]->type != map.Map(LV2_ATOM__Int) ||
        items[1]->type != map.Map(LV2_ATOM__Int) || items[2]->type != map.Map(LV2_ATOM__Float)) {
        return std::nullopt;
    }
    EditorSizeMessage size;
    size.width = reinterpret_cast<const LV2_Atom_Int*>(items[0])->body;
    size.height = reinterpret_cast<const LV2_Atom_Int*>(items[1])->body;
    size.scale = reinterpret_cast<const LV2_Atom_Float*>(items[2])->body;
    return size;
}

}  // namespace lv2_test
