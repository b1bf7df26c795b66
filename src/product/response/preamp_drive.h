#pragma once
// How hard the preamp's curve works at a given input level: the curve input
// the drive makes of the level's peak, and how far the curve's output
// strays from a straight line there (on the worse of the two polarities,
// since both curves are asymmetric).
//
// Threads: a plain function of its arguments, [any]; allocates nothing.
#include "product/engine_settings.h"

struct PreampDrive {
    double curveInput = 0.0;  // |u| = peak x drive
    // |f(u) / u - 1| on the worse polarity: 0 while linear, 0.01 at one per
    // cent of the level.
    double deviation = 0.0;
};

// [any] The drive at inputPeak (linear, >= 0) for the settings' drive target
// and curve selection. A peak or drive that is not a positive finite number
// gives the zero PreampDrive.
PreampDrive PreampDriveAt(const EngineSettings& settings, double inputPeak);
