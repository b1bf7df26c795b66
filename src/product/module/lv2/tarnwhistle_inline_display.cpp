#include "tarnwhistle_inline_display.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "product/module/lv2/lv2_module.h"

namespace {

// Hosts ask in pixels; anything past int's range is past any display too.
int Pixels(uint32_t value) {
    return static_cast<int>(std::min<uint32_t>(value, StripDisplay::kMaxSide + 1));
}

}  // namespace

LV2InlineDisplayImageSurface* TarnwhistleInlineDisplay::Render(uint32_t width, uint32_t maxHeight) {
    StripDisplayState state;
    state.response = ResponseSettingsOf(mPlug.Settings(), mPlug.SampleRate());
    state.drive = PreampDriveAt(mPlug.Settings(), mPlug.InputPeak());
    const StripPicture* picture = mDisplay.Render(state, Pixels(width), Pixels(maxHeight));
    if (picture == nullptr) return nullptr;
    mSurface = {picture->data, picture->width, picture->height, picture->stride};
    return &mSurface;
}

bool TarnwhistleInlineDisplay::Moved() {
    const double peak = mPlug.InputPeak();
    const double db = peak > 0.0 ? 20.0 * std::log10(peak) : kQuietestStepDb;
    const int step =
        static_cast<int>(std::floor(std::clamp<double>(db, kQuietestStepDb, kLoudestStepDb)));
    if (step == mPeakStep) return false;
    mPeakStep = step;
    return true;
}

LV2Adapter* MakeLV2Plug(const LV2InstanceInfo& info) {
    std::unique_ptr<LV2Adapter> plug(MakePlug(info));
    auto* tarnwhistle = static_cast<Tarnwhistle*>(plug.get());
    plug->SetInlineDisplay(std::make_unique<TarnwhistleInlineDisplay>(*tarnwhistle));
    return plug.release();
}
