#include "lv2/ui/lv2_ui_descriptor.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/host_guard.h"

namespace {

// Read when a UI opens only: the environment is no business of every port event.
bool Tracing() {
    return std::getenv("TW_LV2UI_TRACE") != nullptr;
}

// One line per port_event, so a user can see what a host sends the editor.
void TracePortEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
    if (format == 0 && size >= sizeof(float) && buffer != nullptr) {
        float value = 0.0f;
        std::memcpy(&value, buffer, sizeof value);
        std::fprintf(stderr, "tarnwhistle ui: port %u value %g\n", port,
                     static_cast<double>(value));
    } else {
        std::fprintf(stderr, "tarnwhistle ui: port %u event of %u bytes, format %u\n", port, size,
                     format);
    }
}

void TraceOptions(const LV2UIHostOptions& options) {
    std::fprintf(stderr,
                 "tarnwhistle ui: host options: scale factor %g, update rate %g Hz, title \"%s\" "
                 "(0 and \"\": not given)\n",
                 static_cast<double>(options.scaleFactor), static_cast<double>(options.updateRate),
                 options.windowTitle.c_str());
}

}  // namespace

LV2UIDescriptor::LV2UIDescriptor(LV2ProductDescription product, LV2UIFactory factory)
    : mProduct(std::move(product)), mFactory(factory), mURI(mProduct.UiURI()) {
    mEntry.descriptor = {mURI.c_str(), &Instantiate, &Cleanup, &PortEvent, &ExtensionData};
    mEntry.table = this;
}

const LV2UI_Descriptor* LV2UIDescriptor::Descriptor(uint32_t index) const {
    return index == 0 ? &mEntry.descriptor : nullptr;
}

LV2UI_Handle LV2UIDescriptor::Instantiate(const LV2UI_Descriptor* descriptor, const char* pluginURI,
                                          const char*, LV2UI_Write_Function write,
                                          LV2UI_Controller controller, LV2UI_Widget* widget,
                                          const LV2_Feature* const* features) {
    return GuardHostCall<LV2UI_Handle>(nullptr, [&]() -> LV2UI_Handle {
        if (descriptor == nullptr || widget == nullptr || pluginURI == nullptr) return nullptr;
        const LV2UIDescriptor& table = *reinterpret_cast<const Entry*>(descriptor)->table;
        const LV2UIFeatures offered = ReadUIFeatures(features);
        const bool tracing = Tracing();
        if (tracing) {
            for (const std::string& uri : offered.offered) {
                std::fprintf(stderr, "tarnwhistle ui: host offers %s\n", uri.c_str());
            }
        }
        LV2UIHostLink link;
        bool known = false;
        for (const LV2PluginVariant& variant : PluginVariants(table.mProduct)) {
            if (variant.uri != pluginURI) continue;
            link.layout.audioInputs = variant.audioInputs;
            link.layout.audioOutputs = variant.audioOutputs;
            link.pluginName = variant.name;
            known = true;
        }
        if (!known || table.mFactory == nullptr) return nullptr;
        std::unique_ptr<LV2UIAdapter> ui(table.mFactory());
        if (ui == nullptr) return nullptr;
        link.layout.params = ui->NParams();
        link.write = write;
        link.controller = controller;
        link.editorSizeURI = table.mProduct.EditorSizeURI();
        link.trace = tracing;
        void* view = ui->Open(link, offered);
        if (view == nullptr) return nullptr;
        if (tracing) TraceOptions(ui->HostOptions());
        *widget = view;
        return ui.release();
    });
}

void LV2UIDescriptor::Cleanup(LV2UI_Handle handle) {
    auto* ui = static_cast<LV2UIAdapter*>(handle);
    if (ui == nullptr) return;
    GuardHostCall([&] { ui->Close(); });
    GuardHostCall([&] { delete ui; });
}

void LV2UIDescriptor::PortEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format,
                                const void* buffer) {
    auto* ui = static_cast<LV2UIAdapter*>(handle);
    if (ui == nullptr) return;
    if (ui->Traces()) TracePortEvent(port, size, format, buffer);
    GuardHostCall([&] { ui->PortEvent(port, size, format, buffer); });
}

const void* LV2UIDescriptor::ExtensionData(const char* uri) {
    static const LV2UI_Idle_Interface idle{&Idle};
    static const LV2UI_Resize resize{nullptr, &Resize};
    static const LV2UI_Show_Interface show{&Show, &Hide};
    static const LV2_Options_Interface options{&GetOptions, &SetOptions};
    return GuardHostCall<const void*>(nullptr, [uri]() -> const void* {
        if (uri == nullptr) return nullptr;
        if (std::strcmp(uri, LV2_UI__idleInterface) == 0) return &idle;
        if (std::strcmp(uri, LV2_UI__resize) == 0) return &resize;
        if (std::strcmp(uri, LV2_UI__showInterface) == 0) return &show;
        if (std::strcmp(uri, LV2_OPTIONS__interface) == 0) return &options;
        return nullptr;
    });
}

int LV2UIDescriptor::Show(LV2UI_Handle handle) {
    auto* ui = static_cast<LV2UIAdapter*>(handle);
    if (ui == nullptr) return 1;
    return GuardHostCall(1, [&] { return ui->ShowWindow(); });
}

int LV2UIDescriptor::Hide(LV2UI_Handle handle) {
    auto* ui = static_cast<LV2UIAdapter*>(handle);
    if (ui == nullptr) return 1;
    return GuardHostCall(1, [&] { return ui->HideWindow(); });
}

uint32_t LV2UIDescriptor::GetOptions(LV2_Handle handle, LV2_Options_Option* options) {
    const auto* ui = static_cast<const LV2UIAdapter*>(handle);
    if (ui == nullptr) return LV2_OPTIONS_ERR_UNKNOWN;
    return GuardHostCall<uint32_t>(LV2_OPTIONS_ERR_UNKNOWN,
                                   [&] { return ui->GetOptions(options); });
}

uint32_t LV2UIDescriptor::SetOptions(LV2_Handle handle, const LV2_Options_Option* options) {
    auto* ui = static_cast<LV2UIAdapter*>(handle);
    if (ui == nullptr) return LV2_OPTIONS_ERR_UNKNOWN;
    return GuardHostCall<uint32_t>(LV2_OPTIONS_ERR_UNKNOWN,
                                   [&] { return ui->SetOptions(options); });
}

int LV2UIDescriptor::Idle(LV2UI_Handle handle) {
    auto* ui = static_cast<LV2UIAdapter*>(handle);
    if (ui == nullptr) return 0;
    return GuardHostCall(0, [&] { return ui->Idle(); });
}

int LV2UIDescriptor::Resize(LV2UI_Feature_Handle handle, int width, int height) {
    auto* ui = static_cast<LV2UIAdapter*>(handle);
    if (ui == nullptr) return 1;
    return GuardHostCall(1, [&] { return ui->HostResize(width, height); });
}
