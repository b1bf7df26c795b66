#pragma once
// The strip's picture for a host's small display: the response curve of the
// linear path (strip_response.h) from 20 Hz to 20 kHz, +-20 dB, over a grid
// of decades and 6 dB steps (12 dB on small pictures) with the 0 dB line, and along the bottom a
// bar showing how hard the preamp's curve works (preamp_drive.h): empty while it is straight, a
// third full at one per cent of deviation, full at 100 per cent. With processing off the curve lies
// flat on the 0 dB line, dimmed. Colours are the editor panel's.
//
// What depends on the size alone (the panel, the grid, the 0 dB line, the
// bar's slot and its tick) is drawn with Cairo once per size into a kept
// background. A call copies it into the kept picture and paints the shading,
// the curve and the bar over it with picture_paint.h, so past the first call
// at a size a call allocates nothing.
//
// Threads: one StripDisplay is drawn by one thread at a time ([ui]); never
// on the audio thread.
#include <vector>

#include "product/display/picture_paint.h"
#include "product/response/preamp_drive.h"
#include "product/response/strip_response.h"

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
    StripDisplay(const StripDisplay&) = delete;
    StripDisplay& operator=(const StripDisplay&) = delete;

    // [any] The picture's height for width and maxHeight: half the width,
    // at most maxHeight, at least 1; 0 when either is not positive.
    static int HeightFor(int width, int maxHeight);

    // [ui] Draws state at width and HeightFor(width, maxHeight); the picture
    // stays valid until the next call, at the same address while the size
    // stands. Allocates only when the size differs from the last call's.
    // Null when there is nothing to draw (no width or height, a side over
    // kMaxSide, out of memory).
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
    bool DrawBackground(const StripPicture& background) const;
    void PaintDriveTick(const StripPicture& picture) const;

    Layout mLayout;
    // The picture and what every picture at this size starts from, both
    // stride * height bytes; the picture is empty until both are ready.
    StripPicture mPicture;
    std::vector<unsigned char> mPixels;
    std::vector<unsigned char> mBackground;
    // Per column: the frequency it shows and the gain there; and the curve's
    // points, one per column and one at the right-hand edge.
    std::vector<double> mFrequencies;
    std::vector<double> mGainsDb;
    std::vector<PaintPoint> mCurve;
};
