#pragma once
// Tarnwhistle's LV2 UI: the product's Params and editor on the LV2 UI
// adapter, with no plug-in instance behind it.
#include "lv2/ui/lv2_ui_adapter.h"

class TarnwhistleUI : public LV2UIAdapter {
public:
    // [ui] The Params as the plug-in defines them, and the product's editor.
    TarnwhistleUI();
};

// [ui] The factory of the UI descriptor: a new TarnwhistleUI (may throw
// std::bad_alloc).
LV2UIAdapter* MakeTarnwhistleUI();
