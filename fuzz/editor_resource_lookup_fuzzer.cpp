// Resource lookup over a module table built from the input: arbitrary names,
// types and bytes, then a picture requested by an arbitrary name at an
// arbitrary scale, through the lookup and through a headless editor's
// LoadBitmap. Whatever is found must be readable and whatever is loaded must
// have a consistent size.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/graphics_editor_delegate.h"
#include "editor/embedded_resources.h"
#include "editor/headless/headless_window.h"
#include "editor/resource_lookup.h"

namespace {

class Delegate : public GraphicsEditorDelegate {
public:
    Delegate() : GraphicsEditorDelegate(PluginConfig{}) {}
    void BeginUIParamGesture(int) override {}
    void EndUIParamGesture(int) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const int count = input.ConsumeIntegralInRange(0, 6);
    std::vector<std::string> names;
    std::vector<std::string> types;
    std::vector<std::vector<unsigned char>> blobs;
    for (int i = 0; i < count; ++i) {
        names.push_back(input.ConsumeRandomLengthString(40));
        types.push_back(input.ConsumeRandomLengthString(6));
        blobs.push_back(input.ConsumeBytes<unsigned char>(input.ConsumeIntegralInRange(0, 2048)));
    }
    std::vector<EmbeddedResource> entries;
    for (int i = 0; i < count; ++i) {
        entries.push_back({names[i].c_str(), types[i].c_str(), blobs[i].data(), blobs[i].size()});
    }
    const EmbeddedResourceTable table{entries.data(), entries.size()};
    const std::string request = input.ConsumeRandomLengthString(48);
    const int target = input.ConsumeIntegralInRange(-2, 6);

    std::string path;
    int found = 0;
    const ResourceLocation location =
        FindScaledPicture(request, NameExtension(request), path, target, found, &table);
    if (location == kResourceEmbedded) {
        const unsigned char* bytes = nullptr;
        std::size_t length = 0;
        if (ReadEmbeddedResource(&table, path, NameExtension(request), bytes, length)) {
            volatile unsigned char last = bytes[length - 1];
            (void)last;
        }
    }

    static Delegate delegate;
    HeadlessWindow window(delegate, 248, 662, 60, 1.0f);
    window.SetResourceTable(&table);
    const int frames = input.ConsumeIntegralInRange(-1, 70);
    const BitmapStrip strip = window.LoadBitmap(request, frames, input.ConsumeBool(), target);
    if (strip.bitmap != nullptr && (strip.frames < 1 || strip.width < 0 || strip.height < 0))
        std::abort();
    if (strip.bitmap == nullptr && (strip.width != 0 || strip.height != 0)) std::abort();
    return 0;
}
