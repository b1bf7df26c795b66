#pragma once
// What the host's view container offers the editor: a host adapter that
// embeds the editor implements it and attaches it to the graphics context, so
// a host may take a click or a double click on a parameter control for
// itself (automation lanes, reset gestures).
#include <cstdint>

// Modifier bits of ParameterMouseDown and ParameterDoubleClick.
inline constexpr uint32_t kHostModifierShift = 1;
inline constexpr uint32_t kHostModifierAlt = 4;
inline constexpr uint32_t kHostModifierControl = 8;
inline constexpr uint32_t kHostModifierRightButton = 16;

class HostViewContainer {
public:
    // [ui]
    virtual ~HostViewContainer() = default;
    // [ui] The host's own modifier bits at this moment.
    virtual uint32_t HostModifierBits() = 0;
    // [ui] A press on the control of parameter identifier paramId (the
    // decimal text of index + 1); 0 means the host handled the click.
    virtual int ParameterMouseDown(const char* paramId, uint32_t modifiers) = 0;
    // [ui] A left double click on the control of paramId, whose control does
    // not take double clicks as single clicks; true when the host handled it,
    // and the control then hears nothing of it. The first click of the pair
    // went through ParameterMouseDown as any press.
    virtual bool ParameterDoubleClick(const char* /*paramId*/, uint32_t /*modifiers*/) {
        return false;
    }
};
