#include "product/display/strip_display.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace {

struct Colour {
    double r, g, b;
    PaintColour With(double alpha = 1.0) const { return {r, g, b, alpha}; }
};

// The editor panel's colours.
constexpr Colour kPanelTop{0x2c / 255.0, 0x2e / 255.0, 0x32 / 255.0};
constexpr Colour kPanelBottom{0x1e / 255.0, 0x1f / 255.0, 0x22 / 255.0};
constexpr Colour kRule{0x55 / 255.0, 0x58 / 255.0, 0x5e / 255.0};
constexpr Colour kInk{0xec / 255.0, 0xe7 / 255.0, 0xdc / 255.0};
constexpr Colour kDimInk{0x8f / 255.0, 0x8b / 255.0, 0x83 / 255.0};
constexpr Colour kSlot{0x15 / 255.0, 0x16 / 255.0, 0x18 / 255.0};
constexpr Colour kBand{0x2f / 255.0, 0x5f / 255.0, 0x97 / 255.0};
constexpr Colour kAmber{0xff / 255.0, 0xa2 / 255.0, 0x3a / 255.0};
constexpr Colour kRed{0xb8 / 255.0, 0x34 / 255.0, 0x2c / 255.0};

constexpr double kLowestHz = 20.0;
constexpr double kHighestHz = 20000.0;
constexpr double kRangeDb = 20.0;  // the plot spans +-kRangeDb
constexpr double kGridStepDb = 6.0;
// The drive bar spans deviations from 0.1 % (empty) to 100 % (full).
constexpr double kDriveFloorDb = -60.0;

void SetColour(cairo_t* cr, const Colour& c, double alpha = 1.0) {
    cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

Colour Mix(const Colour& a, const Colour& b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

double ColumnOf(double hz, double width) {
    return std::log(hz / kLowestHz) / std::log(kHighestHz / kLowestHz) * width;
}

// How far along the drive bar a deviation reaches, 0 .. 1.
double DriveFraction(double deviation) {
    if (!(deviation > 0.0)) return 0.0;
    const double db = 20.0 * std::log10(deviation);
    return std::clamp((db - kDriveFloorDb) / -kDriveFloorDb, 0.0, 1.0);
}

}  // namespace

StripDisplay::Layout StripDisplay::LayoutFor(int width, int height) {
    (void)width;
    Layout l;
    l.barTop = height - std::max(2.0, std::round(height / 14.0));
    l.plotHeight = l.barTop - 1.0;
    l.zeroRow = std::floor(l.RowOf(0.0)) + 0.5;
    return l;
}

double StripDisplay::Layout::RowOf(double db) const {
    return (kRangeDb - db) / (2.0 * kRangeDb) * plotHeight;
}

int StripDisplay::HeightFor(int width, int maxHeight) {
    if (width <= 0 || maxHeight <= 0) return 0;
    return std::clamp((width + 1) / 2, 1, maxHeight);
}

bool StripDisplay::Resize(int width, int height) {
    if (mPicture.data != nullptr && mPicture.width == width && mPicture.height == height) {
        return true;
    }
    mPicture = {};
    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width);
    if (stride <= 0) return false;
    try {
        const std::size_t bytes =
            static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
        mPixels.resize(bytes);
        mBackground.resize(bytes);
        mFrequencies.resize(static_cast<std::size_t>(width));
        mGainsDb.resize(static_cast<std::size_t>(width));
        mCurve.resize(static_cast<std::size_t>(width) + 1);
    } catch (const std::bad_alloc&) {
        return false;
    }
    // Column x shows the frequency at its centre, on a log scale.
    for (int x = 0; x < width; ++x) {
        mFrequencies[static_cast<std::size_t>(x)] =
            kLowestHz * std::pow(kHighestHz / kLowestHz, (x + 0.5) / width);
    }
    mLayout = LayoutFor(width, height);
    if (!DrawBackground({mBackground.data(), width, height, stride})) return false;
    mPicture = {mPixels.data(), width, height, stride};
    return true;
}

bool StripDisplay::DrawBackground(const StripPicture& background) const {
    // Everything that depends on the size alone: the panel, the grid and
    // the drive bar's slot with its one per cent tick.
    cairo_surface_t* surface =
        cairo_image_surface_create_for_data(background.data, CAIRO_FORMAT_ARGB32, background.width,
                                            background.height, background.stride);
    cairo_t* cr = cairo_create(surface);
    const Layout& l = mLayout;
    const double w = background.width;
    const double h = background.height;
    cairo_pattern_t* panel = cairo_pattern_create_linear(0.0, 0.0, 0.0, h);
    cairo_pattern_add_color_stop_rgb(panel, 0.0, kPanelTop.r, kPanelTop.g, kPanelTop.b);
    cairo_pattern_add_color_stop_rgb(panel, 1.0, kPanelBottom.r, kPanelBottom.g, kPanelBottom.b);
    cairo_set_source(cr, panel);
    cairo_paint(cr);
    cairo_pattern_destroy(panel);

    // Decades, then the dB steps (crisp on pixel centres; every other one
    // where they would crowd), 0 dB brighter.
    cairo_set_line_width(cr, 1.0);
    for (const double hz : {100.0, 1000.0, 10000.0}) {
        const double x = std::floor(ColumnOf(hz, w)) + 0.5;
        cairo_move_to(cr, x, 0.0);
        cairo_line_to(cr, x, l.plotHeight);
    }
    SetColour(cr, kRule, 0.45);
    cairo_stroke(cr);
    const double rowsPerStep = l.RowOf(0.0) - l.RowOf(kGridStepDb);
    const double step = rowsPerStep >= 8.0 ? kGridStepDb : 2.0 * kGridStepDb;
    for (double db = step; db < kRangeDb; db += step) {
        for (const double row : {l.RowOf(db), l.RowOf(-db)}) {
            const double y = std::floor(row) + 0.5;
            cairo_move_to(cr, 0.0, y);
            cairo_line_to(cr, w, y);
        }
    }
    SetColour(cr, kRule, 0.8);
    cairo_stroke(cr);
    cairo_move_to(cr, 0.0, l.zeroRow);
    cairo_line_to(cr, w, l.zeroRow);
    SetColour(cr, kDimInk, 0.9);
    cairo_stroke(cr);

    cairo_rectangle(cr, 0.0, l.barTop, w, h - l.barTop);
    SetColour(cr, kSlot);
    cairo_fill(cr);
    const bool drawn = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
    if (drawn) PaintDriveTick(background);
    return drawn;
}

void StripDisplay::PaintDriveTick(const StripPicture& picture) const {
    const double tick = std::floor(DriveFraction(0.01) * picture.width);
    PaintRectangle(picture, tick, mLayout.barTop, tick + 1.0, picture.height, kDimInk.With(0.8));
}

const StripPicture* StripDisplay::Render(const StripDisplayState& state, int width, int maxHeight) {
    const int height = HeightFor(width, maxHeight);
    if (height == 0 || width > kMaxSide || height > kMaxSide || !Resize(width, height)) {
        return nullptr;
    }
    StripResponseDb(state.response, mFrequencies.data(), mGainsDb.data(), width);
    std::memcpy(mPixels.data(), mBackground.data(), mPixels.size());

    const Layout& l = mLayout;
    const double w = width;
    // The curve through the columns' centres, from edge to edge; far beyond
    // the plot is as good as just beyond it.
    auto rowAt = [&](int x) {
        return l.RowOf(
            std::clamp(mGainsDb[static_cast<std::size_t>(x)], -2.0 * kRangeDb, 2.0 * kRangeDb));
    };
    mCurve.front() = {0.0, rowAt(0)};
    for (int x = 1; x < width; ++x) mCurve[static_cast<std::size_t>(x)] = {x + 0.5, rowAt(x)};
    mCurve.back() = {w, rowAt(width - 1)};

    // The curve clipped to the plot, with the area to 0 dB shaded.
    const StripPicture plot{mPicture.data, width, static_cast<int>(l.plotHeight), mPicture.stride};
    const int points = static_cast<int>(mCurve.size());
    const bool processing = state.response.processing;
    if (processing) PaintAreaToRow(plot, mCurve.data(), points, l.zeroRow, kBand.With(0.35));
    PaintGraphLine(plot, mCurve.data(), points, std::max(1.0, w / 160.0),
                   (processing ? kInk : kDimInk).With());

    // The drive bar's fill, from amber to red as the curve bends.
    const double fraction = DriveFraction(state.drive.deviation);
    if (fraction > 0.0) {
        const Colour fill = Mix(kAmber, kRed, std::clamp((fraction - 1.0 / 3.0) * 1.5, 0.0, 1.0));
        PaintRectangle(mPicture, 0.0, l.barTop, fraction * w, mPicture.height, fill.With());
        PaintDriveTick(mPicture);
    }
    return &mPicture;
}
