#pragma once
// The top-level X11 window `hpi-host edit` gives the plug-in's editor as its
// native parent view: titled with the effect's name, WM_CLASS "hpi-host",
// resized when the editor asks, closed by the window manager or Ctrl+Q (the
// editor sends keys it does not use on to this window). Xlib stays inside
// edit_window.cpp.
#include <cstdint>
#include <memory>
#include <string>

namespace hpihost {

class EditWindow {
public:
    // [main] Opens the display named by DISPLAY and maps a width x height
    // window; null with a message when there is no display.
    static std::unique_ptr<EditWindow> Open(const std::string& title, int width, int height,
                                            std::string* message);
    // [main]
    ~EditWindow();
    EditWindow(const EditWindow&) = delete;
    EditWindow& operator=(const EditWindow&) = delete;

    // [main] The window's id as the view container hands it out.
    void* NativeView() const;
    // [main] The display connection's descriptor, for the run loop to watch.
    int ConnectionFd() const;
    // [main] Reads every pending event of this window.
    void Pump();
    // [main] Whether the user asked to end: the window manager's close or Ctrl+Q.
    bool CloseRequested() const { return mCloseRequested; }
    // [main]
    void Resize(int width, int height);
    // [main] HPI_EModifierKey bits held now.
    uint32_t Modifiers() const;
    // [main] Whether the editor has put a window of its own inside this one.
    bool HasChild() const;
    // [main] The pixels of the part of the window on the screen as 8-bit RGB
    // rows (the visual's colour masks read to 8 bits each); false when the
    // window is not viewable, not on the screen, or the X server refused.
    bool Capture(int* width, int* height, std::string* rgb) const;

private:
    struct State;
    explicit EditWindow(std::unique_ptr<State> state);
    std::unique_ptr<State> mState;
    bool mCloseRequested = false;
};

// [main] Writes 8-bit RGB rows as a PNG; false with a message on failure.
bool WritePng(const std::string& path, int width, int height, const std::string& rgb,
              std::string* message);

}  // namespace hpihost
