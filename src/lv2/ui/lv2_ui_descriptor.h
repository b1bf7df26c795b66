#pragma once
// The LV2 UI descriptor of a module: one X11 UI for every plug-in variant of
// the product. instantiate finds the variant from the plug-in URI (its port
// layout), makes the product's UI object through the factory and opens it;
// the descriptor offers ui:idleInterface (the editor's timers and X events
// run from the host's idle calls), ui:resize (the host resizes the editor),
// ui:showInterface (the host shows and hides the editor's own window) and
// the options interface (the host's scale factor and window title) as
// extension data.
//
// instantiate answers null for an unknown plug-in URI, a null descriptor or
// widget pointer, or an editor that cannot open. With the environment
// variable TW_LV2UI_TRACE set it prints every feature URI the host offered,
// the host options it read, every port_event the host sends and every
// control value the editor writes to stderr, one line each.
//
// No exception crosses into the host: every callback runs through
// GuardHostCall; one that throws does nothing more (instantiate and
// extension_data answer null, idle 0).
//
// Threads: the descriptor is built on first use and read-only afterwards
// [any]; the callbacks run on the host's UI thread [ui].
#include <lv2/ui/ui.h>

#include <cstdint>
#include <string>

#include "lv2/lv2_description.h"
#include "lv2/ui/lv2_ui_adapter.h"

using LV2UIFactory = LV2UIAdapter* (*)();

class LV2UIDescriptor {
public:
    // [main] The UI of product, made by factory.
    LV2UIDescriptor(LV2ProductDescription product, LV2UIFactory factory);
    LV2UIDescriptor(const LV2UIDescriptor&) = delete;
    LV2UIDescriptor& operator=(const LV2UIDescriptor&) = delete;

    // [any] The descriptor at index 0, null for every other.
    const LV2UI_Descriptor* Descriptor(uint32_t index) const;

private:
    // The descriptor first, so the callbacks find their table from the
    // descriptor the host hands back.
    struct Entry {
        LV2UI_Descriptor descriptor;
        const LV2UIDescriptor* table;
    };

    static LV2UI_Handle Instantiate(const LV2UI_Descriptor* descriptor, const char* pluginURI,
                                    const char* bundlePath, LV2UI_Write_Function write,
                                    LV2UI_Controller controller, LV2UI_Widget* widget,
                                    const LV2_Feature* const* features);
    static void Cleanup(LV2UI_Handle handle);
    static void PortEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format,
                          const void* buffer);
    static const void* ExtensionData(const char* uri);
    static int Idle(LV2UI_Handle handle);
    static int Resize(LV2UI_Feature_Handle handle, int width, int height);
    static int Show(LV2UI_Handle handle);
    static int Hide(LV2UI_Handle handle);
    static uint32_t GetOptions(LV2_Handle handle, LV2_Options_Option* options);
    static uint32_t SetOptions(LV2_Handle handle, const LV2_Options_Option* options);

    LV2ProductDescription mProduct;
    LV2UIFactory mFactory;
    std::string mURI;
    Entry mEntry;
};
