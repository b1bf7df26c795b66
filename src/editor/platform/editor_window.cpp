#include "editor/platform/editor_window.h"

#include <cstdint>

#include "core/graphics_editor_delegate.h"
#include "editor/graphics.h"
#include "editor/graphics_binding.h"
#include "editor/platform/graphics_window.h"
#include "editor/platform/screen_scale.h"
#include "editor/platform/x11_connection.h"

// The delegate's binding while the handle is open: it shows the delegate's
// scene in the handle's X11 window and answers the window's size questions
// with the adapter's settings.
class EditorWindow::Binding final : public SceneBinding, public SizeNegotiation::HostSide {
public:
    Binding(EditorWindow& owner, X11Connection& connection)
        : mOwner(owner),
          mConnection(connection),
          mDelegateHost(owner.mDelegate),
          mWindow(connection, *this) {}

    void* OpenPlatformWindow(Graphics& graphics, void* parent) override {
        if (graphics.IsOwnWindow()) return SceneBinding::OpenPlatformWindow(graphics, parent);
        const auto id = static_cast<unsigned long>(reinterpret_cast<uintptr_t>(parent));
        if (!mWindow.Open(graphics, id, mOwner.mSettings.loop)) return nullptr;
        return reinterpret_cast<void*>(static_cast<uintptr_t>(mWindow.NativeWindow()));
    }
    void ClosePlatformWindow(Graphics& graphics) override {
        if (graphics.IsOwnWindow()) SceneBinding::ClosePlatformWindow(graphics);
        mWindow.Close();
    }

    bool EditorSized(int width, int height, bool askHost) override {
        const auto& ask = mOwner.mSettings.askHostSize;
        // The delegate hears of every size (a plug-in keeps it).
        const bool taken = mDelegateHost.EditorSized(width, height, askHost && !ask);
        return ask && askHost ? ask(width, height) : taken;
    }

    X11Connection& Connection() const { return mConnection; }
    GraphicsWindow& Window() { return mWindow; }
    const GraphicsWindow& Window() const { return mWindow; }

private:
    EditorWindow& mOwner;
    X11Connection& mConnection;
    DelegateHostSide mDelegateHost;
    GraphicsWindow mWindow;
};

EditorWindow::EditorWindow(GraphicsEditorDelegate& delegate) : mDelegate(delegate) {}

EditorWindow::~EditorWindow() {
    Close();
    if (mDelegate.Binding() == mBinding.get())
        mDelegate.SetGraphicsBinding(&EditorGraphicsBinding());
}

void* EditorWindow::Open(const EditorWindowSettings& settings) {
    X11Connection& connection =
        settings.connection != nullptr ? *settings.connection : SharedX11Connection();
    if (mBinding != nullptr && &mBinding->Connection() != &connection) {
        Close();
        mBinding.reset();
    }
    if (mBinding == nullptr) mBinding = std::make_unique<Binding>(*this, connection);
    mSettings = settings;
    GraphicsWindow& window = mBinding->Window();
    window.SetShowAtOpen(settings.showAtOpen);
    window.SetTitle(settings.title);
    window.SetHostScreenScale(settings.hostScale);
    if (settings.leaveKeysToHost) window.LeaveKeysToHost();
    mDelegate.SetGraphicsBinding(mBinding.get());
    void* view = mDelegate.OpenWindow(settings.parent);
    // A scene made but not shown goes again.
    if (view == nullptr) mDelegate.CloseWindow();
    mOpen = view != nullptr;
    return view;
}

void EditorWindow::Close() {
    if (!mOpen) return;
    mOpen = false;
    mDelegate.CloseWindow();
}

bool EditorWindow::IsOpen() const {
    return mOpen;
}

unsigned long EditorWindow::NativeWindow() const {
    return mBinding != nullptr ? mBinding->Window().NativeWindow() : 0;
}

int EditorWindow::ConnectionFd() const {
    return mBinding != nullptr ? mBinding->Window().ConnectionFd() : -1;
}

int EditorWindow::TickPeriodMs() const {
    const Graphics* scene = mDelegate.GetGraphics();
    return FramePeriodMs(scene != nullptr ? scene->FPS() : 60);
}

void EditorWindow::Tick() {
    if (mBinding != nullptr) mBinding->Window().OnDisplayTick();
}

void EditorWindow::ConnectionReadable() {
    if (mBinding != nullptr) mBinding->Window().ConnectionReadable();
}

void EditorWindow::ShowWindow() {
    if (mBinding != nullptr) mBinding->Window().ShowWindow();
}

void EditorWindow::HideWindow() {
    if (mBinding != nullptr) mBinding->Window().HideWindow();
}

bool EditorWindow::CloseRequested() const {
    return mBinding != nullptr && mBinding->Window().CloseRequested();
}

void EditorWindow::SetTitle(const std::string& title) {
    mSettings.title = title;
    if (mBinding != nullptr) mBinding->Window().SetTitle(title);
}

void EditorWindow::SetHostScale(float scale) {
    mSettings.hostScale = scale;
    if (mBinding != nullptr) mBinding->Window().SetHostScreenScale(scale);
}

void EditorWindow::LeaveKeysToHost() {
    mSettings.leaveKeysToHost = true;
    if (mBinding != nullptr) mBinding->Window().LeaveKeysToHost();
}

bool EditorWindow::HostResize(int width, int height) {
    return mBinding != nullptr && mBinding->Window().HostResize(width, height);
}

int EditorWindow::PixelWidth() const {
    const Graphics* scene = IsOpen() ? mDelegate.GetGraphics() : nullptr;
    return scene != nullptr ? scene->PixelWidth() : 0;
}

int EditorWindow::PixelHeight() const {
    const Graphics* scene = IsOpen() ? mDelegate.GetGraphics() : nullptr;
    return scene != nullptr ? scene->PixelHeight() : 0;
}

int EditorWindow::FramesDrawn() const {
    return mBinding != nullptr ? mBinding->Window().FramesDrawn() : 0;
}

int EditorWindow::ContextSwitches() const {
    return mBinding != nullptr ? mBinding->Window().ContextSwitches() : 0;
}

int EditorWindow::OpenCount() {
    return GraphicsWindow::OpenWindowCount();
}
