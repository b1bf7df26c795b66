#pragma once
// Where each of the product's controls stands on its background and what it
// shows: the parameter, the film strip at picture scale 2 and its frames,
// and the strip's top-left corner in units of the editor at draw scale 1.
// In the editor's attach order: the three switches first, then the knobs.
#include <span>

#include "product/channel_parameters.h"

struct ControlPlace {
    int paramIdx;
    const char* file;
    int frames;
    int x;
    int y;
};

inline constexpr ControlPlace kControlPlaces[] = {
    {kBypass, "SWITCH@2x.png", 2, 159, 621},    {kMicPre, "SWITCH@2x.png", 2, 49, 621},
    {kOversampling, "OVER@2x.png", 2, 64, 647}, {kPreampGain, "GAIN@2x.png", 61, 31, 518},
    {kOutputTrim, "TRIM@2x.png", 61, 141, 518}, {kHighPass, "HPF@2x.png", 5, 31, 395},
    {kLowFreq, "LF@2x.png", 5, 31, 271},        {kLowGain, "BGAIN@2x.png", 61, 141, 271},
    {kMidFreq, "MF@2x.png", 7, 30, 150},        {kMidGain, "BGAIN@2x.png", 61, 141, 148},
    {kHighGain, "BGAIN@2x.png", 61, 141, 25},
};

// The knobs: every control after the three switches, Preamp Gain first.
inline constexpr std::span<const ControlPlace> kKnobPlaces{kControlPlaces + 3,
                                                           std::size(kControlPlaces) - 3};
