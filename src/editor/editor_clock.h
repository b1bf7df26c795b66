#pragma once
// The steady clock that drives the editor's animations. Tests replace it to
// step time exactly.

class EditorClock {
public:
    // [ui]
    virtual ~EditorClock() = default;
    // [ui] Milliseconds since an arbitrary start, never going backwards.
    virtual double NowMs() const = 0;
};

// [ui] The clock in use: the one installed with SetEditorClock, else the
// process's steady clock.
double EditorNowMs();

// [ui] Installs a clock (null: back to the steady clock). The caller keeps it
// alive while installed.
void SetEditorClock(const EditorClock* clock);
