#pragma once
// Ardour's inline display: a small picture of the plug-in that the host draws
// in its mixer strip. The ABI is declared here from its documentation (no
// installed header carries it): the host offers the feature kLV2QueueDrawURI,
// whose data is an LV2InlineDisplayQueue, and asks the plug-in's extension
// data kLV2InlineDisplayInterfaceURI for an LV2InlineDisplayInterface.
//
// A product offers the display by giving each instance an LV2InlineDisplay
// (LV2Adapter::SetInlineDisplay) and by saying so in its description
// (LV2ProductDescription::inlineDisplay), which declares the feature optional
// and the extension data in the bundle's Turtle.
//
// Threads: the host calls render on its GUI thread ([ui]), never together
// with instantiate or cleanup; queue_draw may be called from run() [audio]:
// it only flags the display for the GUI thread.
#include <lv2/core/lv2.h>

#include <cstdint>

inline constexpr const char* kLV2InlineDisplayInterfaceURI =
    "http://harrisonconsoles.com/lv2/inlinedisplay#interface";
inline constexpr const char* kLV2QueueDrawURI =
    "http://harrisonconsoles.com/lv2/inlinedisplay#queue_draw";

extern "C" {

// A picture in Cairo's ARGB32 layout: 32-bit pixels, native endian, alpha
// premultiplied, rows stride bytes apart.
struct LV2InlineDisplayImageSurface {
    unsigned char* data;
    int width;
    int height;
    int stride;
};

// The extension data: render draws the picture at width w and at most max_h
// rows; the result stays valid until the next render or cleanup (null: no
// picture).
struct LV2InlineDisplayInterface {
    LV2InlineDisplayImageSurface* (*render)(LV2_Handle instance, uint32_t w, uint32_t max_h);
};

// The feature's data: queue_draw(handle) asks the host to call render soon.
struct LV2InlineDisplayQueue {
    void* handle;
    void (*queue_draw)(void* handle);
};

}  // extern "C"

// What a product implements to draw its inline display.
class LV2InlineDisplay {
public:
    virtual ~LV2InlineDisplay() = default;

    // [ui] The picture at width and at most maxHeight rows, valid until the
    // next call or the display's destruction; null for none.
    virtual LV2InlineDisplayImageSurface* Render(uint32_t width, uint32_t maxHeight) = 0;

    // [audio] Asked after every run(): true when the picture has changed for
    // a reason other than a parameter (a level it shows). No allocation, no
    // lock.
    virtual bool Moved() { return false; }
};
