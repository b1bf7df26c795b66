#pragma once
// Where the editor slots into the standalone program: the program shows,
// hides and watches its editor only through this interface. A build with an
// editor gives a factory (StandaloneProduct::makeEditor) whose object opens
// the product's editor in a top-level window of its own titled with the
// product's name, through the editor-window handle, on the program's run
// loop; a build without one gives none, and the program runs headless.
//
// Threads: [ui] throughout: the program's main thread, which pumps the run
// loop the window ticks on.
class StandaloneEditor {
public:
    virtual ~StandaloneEditor() = default;
    // [ui] Opens or maps the window; false when it cannot be shown (no
    // display, no GL).
    virtual bool Show() = 0;
    // [ui] Unmaps the window; the editor stays open.
    virtual void Hide() = 0;
    // [ui]
    virtual bool IsShown() const = 0;
    // [ui] True once the user closed the window (it is hidden then); the
    // program ends, or under session management keeps running hidden. Show
    // clears it.
    virtual bool CloseRequested() const = 0;
};
