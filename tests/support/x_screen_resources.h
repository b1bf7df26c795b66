#pragma once
// The screen's resource database (RESOURCE_MANAGER on the root window, where
// Xft.dpi sets the editor's screen scale), saved before a test changes it and
// put back after, so X tests leave the display as they found it.
//
// Threads: [main] (the test's thread), on the test's own display connection.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <string>

class SavedScreenResources {
public:
    // [main]
    void Save(Display* display) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, remaining = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER, 0, 1 << 16,
                           False, XA_STRING, &type, &format, &count, &remaining, &data);
        mHad = data != nullptr;
        mText.clear();
        if (data != nullptr) {
            mText.assign(reinterpret_cast<char*>(data), count);
            XFree(data);
        }
    }
    // [main]
    void Restore(Display* display) const {
        if (mHad) {
            Set(display, mText);
        } else {
            XDeleteProperty(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER);
            XSync(display, False);
        }
    }
    // [main] Replaces the database with text ("Xft.dpi:\t192\n").
    static void Set(Display* display, const std::string& text) {
        XChangeProperty(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER, XA_STRING, 8,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(text.data()),
                        static_cast<int>(text.size()));
        XSync(display, False);
    }

private:
    bool mHad = false;
    std::string mText;
};
