#include "ui_test_host.h"

#include <gtest/gtest.h>

#include <cstring>

// After the project's headers: Xlib's macros would break them.
#include <X11/Xlib.h>

namespace ui_test {

float Write::Float() const {
    float value = 0.0f;
    if (bytes.size() == sizeof value) std::memcpy(&value, bytes.data(), sizeof value);
    return value;
}

UiHost::UiHost(_XDisplay* display, Offer offer, int parentX, int parentY)
    : mDisplay(display), mOffer(offer) {
    if (mOffer.parent) {
        mParent = XCreateSimpleWindow(display, DefaultRootWindow(display), parentX, parentY, 248,
                                      662, 0, 0, 0);
        XStoreName(display, mParent, "Tarnwhistle LV2 UI test host");
        XMapWindow(display, mParent);
        XSync(display, False);
    }
    MapPatchURIDs(&mMap, kEditorSizeURI, mPatch);
    if (mOffer.map) mFeatureStore.push_back({LV2_URID__map, &mMap});
    if (mOffer.parent) {
        mFeatureStore.push_back({LV2_UI__parent, reinterpret_cast<void*>(mParent)});
    }
    if (mOffer.resize) mFeatureStore.push_back({LV2_UI__resize, &mResize});
    if (mOffer.touch) mFeatureStore.push_back({LV2_UI__touch, &mTouch});
    if (mOffer.scaleFactor > 0.0f) {
        mOptions.push_back({LV2_OPTIONS_INSTANCE, 0, Urid(LV2_UI__scaleFactor), sizeof(float),
                            Urid(LV2_ATOM__Float), &mOffer.scaleFactor});
    }
    if (mOffer.windowTitle != nullptr) {
        mOptions.push_back({LV2_OPTIONS_INSTANCE, 0, Urid(LV2_UI__windowTitle),
                            static_cast<uint32_t>(std::strlen(mOffer.windowTitle) + 1),
                            Urid(LV2_ATOM__String), mOffer.windowTitle});
    }
    if (!mOptions.empty()) {
        mOptions.push_back({LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr});
        mFeatureStore.push_back({LV2_OPTIONS__options, mOptions.data()});
    }
    mFeatureStore.push_back({LV2_UI__idleInterface, nullptr});
    for (const LV2_Feature& f : mFeatureStore) mFeatures.push_back(&f);
    mFeatures.push_back(nullptr);
    mDescriptor = lv2ui_descriptor(0);
    if (mDescriptor != nullptr && mDescriptor->extension_data != nullptr) {
        mIdle = static_cast<const LV2UI_Idle_Interface*>(
            mDescriptor->extension_data(LV2_UI__idleInterface));
        mUiResize = static_cast<const LV2UI_Resize*>(mDescriptor->extension_data(LV2_UI__resize));
    }
}

UiHost::~UiHost() {
    Cleanup();
    if (mParent != 0) {
        XDestroyWindow(mDisplay, mParent);
        XSync(mDisplay, False);
    }
}

bool UiHost::Instantiate(const char* pluginURI) {
    if (mDescriptor == nullptr) return false;
    mHandle = mDescriptor->instantiate(mDescriptor, pluginURI, "/nowhere/tarnwhistle.lv2/",
                                       &WriteFunction, this, &mWidget, mFeatures.data());
    return mHandle != nullptr;
}

void UiHost::Cleanup() {
    if (mHandle == nullptr) return;
    mDescriptor->cleanup(mHandle);
    mHandle = nullptr;
    mWidget = nullptr;
}

int UiHost::Idle() {
    return mHandle != nullptr && mIdle != nullptr ? mIdle->idle(mHandle) : 0;
}

bool UiHost::Show() {
    const auto* show = static_cast<const LV2UI_Show_Interface*>(
        mDescriptor->extension_data(LV2_UI__showInterface));
    return mHandle != nullptr && show != nullptr && show->show(mHandle) == 0;
}

bool UiHost::Hide() {
    const auto* show = static_cast<const LV2UI_Show_Interface*>(
        mDescriptor->extension_data(LV2_UI__showInterface));
    return mHandle != nullptr && show != nullptr && show->hide(mHandle) == 0;
}

long UiHost::SetScaleFactor(float scale) {
    const auto* options = static_cast<const LV2_Options_Interface*>(
        mDescriptor->extension_data(LV2_OPTIONS__interface));
    if (mHandle == nullptr || options == nullptr) return -1;
    const LV2_Options_Option list[] = {{LV2_OPTIONS_INSTANCE, 0, Urid(LV2_UI__scaleFactor),
                                        sizeof scale, Urid(LV2_ATOM__Float), &scale},
                                       {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    return options->set(mHandle, list);
}

bool UiHost::GetOption(const char* key, LV2_Options_Option& option) {
    const auto* options = static_cast<const LV2_Options_Interface*>(
        mDescriptor->extension_data(LV2_OPTIONS__interface));
    if (mHandle == nullptr || options == nullptr) return false;
    LV2_Options_Option list[] = {{LV2_OPTIONS_INSTANCE, 0, Urid(key), 0, 0, nullptr},
                                 {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    if (options->get(mHandle, list) != LV2_OPTIONS_SUCCESS) return false;
    option = list[0];
    return true;
}

void UiHost::SendControl(uint32_t port, float value) {
    PortEvent(port, sizeof value, 0, &value);
}

void UiHost::SendEditorSize(int32_t width, int32_t height, float scale) {
    unsigned char message[kEditorSizeSetBytes];
    const uint32_t bytes =
        WriteEditorSizeSet(mPatch, {width, height, scale}, message, sizeof message);
    PortEvent(NotifyPort(), bytes, mPatch.atomEventTransfer, message);
}

void UiHost::PortEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
    if (mHandle != nullptr) mDescriptor->port_event(mHandle, port, size, format, buffer);
}

uint32_t UiHost::Urid(const char* uri) {
    return Map(this, uri);
}

std::vector<float> UiHost::ValuesWrittenTo(uint32_t port) const {
    std::vector<float> values;
    for (const Write& w : writes) {
        if (w.port == port && w.format == 0) values.push_back(w.Float());
    }
    return values;
}

std::vector<LV2PatchKind> UiHost::PatchKindsWritten(std::vector<EditorSizeMessage>* sets) const {
    std::vector<LV2PatchKind> kinds;
    for (const Write& w : writes) {
        if (w.format == 0) continue;
        EXPECT_EQ(w.port, ControlPort());
        EXPECT_EQ(w.format, mPatch.atomEventTransfer);
        EditorSizeMessage message;
        const LV2PatchKind kind =
            ReadEditorSizeMessage(mPatch, reinterpret_cast<const LV2_Atom*>(w.bytes.data()),
                                  static_cast<uint32_t>(w.bytes.size()), message);
        kinds.push_back(kind);
        if (sets != nullptr && kind == LV2PatchKind::kSetEditorSize) sets->push_back(message);
    }
    return kinds;
}

LV2_URID UiHost::Map(LV2_URID_Map_Handle handle, const char* uri) {
    auto& uris = static_cast<UiHost*>(handle)->mUris;
    for (std::size_t i = 0; i < uris.size(); ++i) {
        if (uris[i] == uri) return static_cast<LV2_URID>(i + 1);
    }
    uris.emplace_back(uri);
    return static_cast<LV2_URID>(uris.size());
}

void UiHost::WriteFunction(LV2UI_Controller controller, uint32_t port, uint32_t size,
                           uint32_t format, const void* buffer) {
    auto* host = static_cast<UiHost*>(controller);
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    host->writes.push_back({port, format, std::vector<unsigned char>(bytes, bytes + size)});
    if (host->onWrite) host->onWrite();
}

int UiHost::Resize(LV2UI_Feature_Handle handle, int width, int height) {
    auto* host = static_cast<UiHost*>(handle);
    host->resizes.push_back({width, height});
    if (host->mParent != 0 && width > 0 && height > 0) {
        XResizeWindow(host->mDisplay, host->mParent, static_cast<unsigned>(width),
                      static_cast<unsigned>(height));
        XSync(host->mDisplay, False);
    }
    if (host->mOffer.resizeBack && host->mHandle != nullptr && host->mUiResize != nullptr) {
        ++host->resizesBack;
        host->mUiResize->ui_resize(host->mHandle, width, height);
    }
    return 0;
}

void UiHost::TouchFunction(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed) {
    static_cast<UiHost*>(handle)->touches.push_back({port, grabbed});
}

}  // namespace ui_test
