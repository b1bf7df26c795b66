#pragma once
// The LV2 UI's stand-in for a host's view container: LV2 hosts offer no
// click handling of their own, so the UI plays the host's part of the
// editor's reset gestures. An Alt press on a parameter's control, or a left
// double click on a knob, resets the parameter to its default (through the
// reset function, which sends it to the host as one gesture) and is taken
// from the editor; every other press goes to the editor. The double click
// is there because many window managers take Alt+click for moving windows.
//
// Threads: [ui] throughout.
#include <functional>

#include "core/host_view_container.h"

class LV2UIResetClick : public HostViewContainer {
public:
    // Resets the Param at paramIdx (any int >= 0); false when there is none.
    using ResetFunc = std::function<bool(int paramIdx)>;

    // [ui]
    explicit LV2UIResetClick(ResetFunc reset) : mReset(std::move(reset)) {}

    // [ui] LV2 hosts add no modifiers of their own.
    uint32_t HostModifierBits() override { return 0; }
    // [ui] 0 (taken) for an Alt press without the right button on a
    // parameter identifier (decimal index + 1) that the reset function
    // knows; 1 otherwise.
    int ParameterMouseDown(const char* paramId, uint32_t modifiers) override;
    // [ui] true (taken) for a double click without Alt (its first press
    // reset already) on a parameter identifier the reset function knows.
    bool ParameterDoubleClick(const char* paramId, uint32_t modifiers) override;

private:
    bool Reset(const char* paramId);

    ResetFunc mReset;
};
