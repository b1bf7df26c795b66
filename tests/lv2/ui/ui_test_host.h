#pragma once
// A small LV2 UI host for the tests: loads Tarnwhistle's UI through its
// descriptor (linked in, so the test can look at the UI object too), offers
// urid:map, ui:parent (a top-level window it makes), ui:resize (which also
// resizes that window, as a host does) and ui:touch, each optional, records
// what the UI writes, resizes and touches, and pumps the UI's idle call.
#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "lv2/lv2_patch_messages.h"
#include "lv2/ui/lv2_ui_adapter.h"

extern "C" const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index);

struct _XDisplay;

namespace ui_test {

inline constexpr const char* kMonoURI = "urn:quernstoneworks:tarnwhistle:mono";
inline constexpr const char* kStereoURI = "urn:quernstoneworks:tarnwhistle:stereo";
inline constexpr const char* kEditorSizeURI = "urn:quernstoneworks:tarnwhistle:editor-size";

struct Offer {
    bool map = true;
    bool parent = true;
    bool resize = true;
    bool touch = true;
    float scaleFactor = 0.0f;           // offered as ui:scaleFactor when positive
    const char* windowTitle = nullptr;  // offered as ui:windowTitle
    // The host's ui:resize calls the UI's own resize back with the size at
    // once, as toolkit wrappers do from their resize events.
    bool resizeBack = false;
};

struct Write {
    uint32_t port;
    uint32_t format;
    std::vector<unsigned char> bytes;
    float Float() const;
};

struct Touch {
    uint32_t port;
    bool grabbed;
    bool operator==(const Touch&) const = default;
};

struct Size {
    int width;
    int height;
    bool operator==(const Size&) const = default;
};

class UiHost {
public:
    // display: the test's own connection, for the parent window.
    UiHost(_XDisplay* display, Offer offer, int parentX = 0, int parentY = 0);
    ~UiHost();
    UiHost(const UiHost&) = delete;
    UiHost& operator=(const UiHost&) = delete;

    // Instantiates the UI for pluginURI; false when the descriptor refused.
    bool Instantiate(const char* pluginURI = kMonoURI);
    // Cleans the UI up (again: nothing).
    void Cleanup();
    // One idle call; its result.
    int Idle();

    // The UI's show interface (false when it offers none or refuses).
    bool Show();
    bool Hide();
    // ui:scaleFactor through the UI's options interface; its status, or -1
    // when it offers no such interface.
    long SetScaleFactor(float scale);
    // The option key (a URI) the UI holds, through the options interface:
    // its size, type URI and value, or false.
    bool GetOption(const char* key, LV2_Options_Option& option);

    // Sends a control value, or an atom to the "notify" port.
    void SendControl(uint32_t port, float value);
    void SendEditorSize(int32_t width, int32_t height, float scale);
    void PortEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer);

    LV2UIAdapter& Ui() const { return *static_cast<LV2UIAdapter*>(mHandle); }
    bool Open() const { return mHandle != nullptr; }
    unsigned long Widget() const { return reinterpret_cast<uintptr_t>(mWidget); }
    unsigned long Parent() const { return mParent; }
    uint32_t Urid(const char* uri);
    const LV2PatchURIDs& PatchUrids() const { return mPatch; }
    // The "control" and "notify" ports of the mono plug-in.
    static uint32_t ControlPort() { return 14; }
    static uint32_t NotifyPort() { return 15; }

    // Writes of control values (format 0) to port, in order.
    std::vector<float> ValuesWrittenTo(uint32_t port) const;
    // Editor-size messages written to "control", in order.
    std::vector<LV2PatchKind> PatchKindsWritten(
        std::vector<EditorSizeMessage>* sets = nullptr) const;

    std::vector<Write> writes;
    // Called inside every write_function call, after it is recorded.
    std::function<void()> onWrite;
    std::vector<Touch> touches;
    std::vector<Size> resizes;
    int resizesBack = 0;  // the UI's resize called from the host's ui:resize

private:
    static LV2_URID Map(LV2_URID_Map_Handle handle, const char* uri);
    static void WriteFunction(LV2UI_Controller controller, uint32_t port, uint32_t size,
                              uint32_t format, const void* buffer);
    static int Resize(LV2UI_Feature_Handle handle, int width, int height);
    static void TouchFunction(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed);

    _XDisplay* mDisplay;
    Offer mOffer;
    unsigned long mParent = 0;
    std::vector<std::string> mUris;
    LV2_URID_Map mMap{this, &Map};
    LV2UI_Resize mResize{this, &Resize};
    LV2UI_Touch mTouch{this, &TouchFunction};
    std::vector<LV2_Feature> mFeatureStore;
    std::vector<const LV2_Feature*> mFeatures;
    std::vector<LV2_Options_Option> mOptions;
    const LV2UI_Resize* mUiResize = nullptr;
    LV2PatchURIDs mPatch;
    const LV2UI_Descriptor* mDescriptor = nullptr;
    const LV2UI_Idle_Interface* mIdle = nullptr;
    LV2UI_Handle mHandle = nullptr;
    LV2UI_Widget mWidget = nullptr;
};

}  // namespace ui_test
