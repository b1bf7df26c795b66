#pragma once
// The host options the LV2 UI reads (options:options at instantiation, and
// the options interface later): ui:scaleFactor, the host's own HiDPI factor,
// which the editor takes as its screen scale; ui:updateRate, the rate at
// which the host sends port events, kept for the host to read back and used
// for nothing else (the editor draws on its own frame timer);
// ui:windowTitle (atom:String), the title of the editor's own window.
//
// Values are atom:Float, atom:Double or atom:Int of the instance; a value
// that is not positive and finite, of another type or size, or without data
// is refused and changes nothing.
//
// Threads: [ui] throughout.
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <string>

struct LV2UIOptionURIDs {
    LV2_URID scaleFactor = 0;
    LV2_URID updateRate = 0;
    LV2_URID windowTitle = 0;
    LV2_URID atomString = 0;
    LV2_URID atomFloat = 0;
    LV2_URID atomDouble = 0;
    LV2_URID atomInt = 0;
};

// [ui] The URIDs through map; false (all 0) without a map.
bool MapOptionURIDs(const LV2_URID_Map* map, LV2UIOptionURIDs& urids);

struct LV2UIHostOptions {
    float scaleFactor = 0.0f;  // 0: the host gave none
    float updateRate = 0.0f;   // Hz; 0: the host gave none
    std::string windowTitle;   // up to its first NUL, at most 255 bytes; empty: none

    // [ui] Takes what list (terminated by a null key, or null) says of the
    // two options; an LV2_Options_Status: success, or the bits of what was
    // refused (bad key for options it does not know).
    uint32_t Set(const LV2UIOptionURIDs& urids, const LV2_Options_Option* list);
    // [ui] Fills in value, size and type of each option in list it holds
    // (the numbers as atom:Float; pointing into this object); bad key for
    // the others.
    uint32_t Get(const LV2UIOptionURIDs& urids, LV2_Options_Option* list) const;
};
