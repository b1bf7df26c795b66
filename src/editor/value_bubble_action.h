#pragma once
// The action a layout attaches to a control whose changes should show the
// value bubble: the linked parameter's display text and label, centred above
// the control.
class Control;

// [ui] Runs only for changes the user makes (SetDirty with trigger).
void ShowValueBubbleAction(Control* control);
