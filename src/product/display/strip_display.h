#pragma once
// The strip's picture for a host's small display: the response curve of the
// linear path (strip_response.h) from 20 Hz to 20 kHz, +-20 dB, over a grid
// of decades and 6 dB steps (12 dB on small pictures) with the 0 dB line, and along the bottom a
// bar showing how hard the preamp's curve works (preamp_drive.h): empty while it is straight, a
// third full at one per cent of deviation, full at 100 per cent. With processing off the curve lies
// flat on the 0 dB line, dimmed. Colours are the editor panel's.
//
// Drawn with Cairo into one ARGB32 image kept between calls: the image, its
// Cairo context, the per-column arrays and a background (panel, grid) are
// made at the first call at a size and made anew only when the size
// changes; a call copies the background and draws the curve and the bar.
//
// Threads: one StripDisplay is drawn by one thread at a time ([ui]); never
// on the audio thread.
#include <vector>

#include "product/display/picture_paint.h"
#include "product/response/preamp_drive.h"
#include "product/response/strip_response.h"

struct _cairo;
struct _cairo_surface;

// What the picture shows.
struct StripDisplayState {
    StripResponseSettings response;
    PreampDrive drive;
};

class StripDisplay {
public:
    // The largest picture drawn, either way; a larger request gets none.
    static constexpr int kMaxSide = 4096;

    StripDisplay() = default;
    ~StripDisplay();
    StripDisplay(const StripDisplay&) = delete;
    StripDisplay& operator=(const StripDisplay&) = delete;

    // [any] The picture's height for width and maxHeight: half the width,
    // at most maxHeight, at least 1; 0 when either is not positive.
    static int HeightFor(int width, int maxHeight);

    // [ui] Draws state at width and HeightFor(width, maxHeight); the picture
    // stays valid until the next call. Null when there is nothing to draw
    // (no width or height, a side over kMaxSide, Cairo out of memory).
    const StripPicture* Render(const StripDisplayState& state, int width, int maxHeight);

private:
    // Where things go at a size, in pixels from the top.
    struct Layout {
        double plotHeight = 0.0;
        double zeroRow = 0.0;  // the 0 dB line's pixel centre
        double barTop = 0.0;
        double RowOf(double db) const;
    };
    static Layout LayoutFor(int width, int height);

    bool Resize(int width, int height);
    void Release();
    void DrawBackground();
    void DrawDriveTick(_cairo* cr) const;

    // The picture, and what every picture at this size starts from.
    _cairo_surface* mSurface = nullptr;
    _cairo_surface* mBackground = nullptr;
    _cairo* mCairo = nullptr;
    Layout mLayout;
    StripPicture mPicture;
    // Per column: the frequency it shows and the gain there.
    std::vector<double> mFrequencies;
    std::vector<double> mGainsDb;
};
