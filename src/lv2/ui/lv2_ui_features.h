#pragma once
// The features an LV2 host hands a UI at instantiation, picked out of the
// host's null-terminated list. Every one is optional here: a UI without a
// parent opens a top-level window, without ui:resize it resizes its parent
// itself, without ui:touch it sends no gestures, without urid:map it sends
// and hears no patch messages and reads no options, without options:options
// it follows the screen's Xft.dpi.
//
// Threads: [ui] (the host's UI thread).
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <string>
#include <vector>

struct LV2UIFeatures {
    const LV2_URID_Map* map = nullptr;  // null also when its map function is null
    void* parent = nullptr;             // the X window to embed in, or null
    const LV2UI_Resize* resize = nullptr;
    const LV2UI_Touch* touch = nullptr;
    const LV2_Options_Option* options = nullptr;  // options:options, null-key terminated
    std::vector<std::string> offered;             // every feature URI, in the host's order
};

// [ui] Reads features (null: none). Entries with a null URI are skipped; a
// feature whose data or function is null counts as not offered.
LV2UIFeatures ReadUIFeatures(const LV2_Feature* const* features);
