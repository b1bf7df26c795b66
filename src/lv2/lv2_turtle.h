#pragma once
// Writes an LV2 bundle's Turtle from the product's description and its
// parameter table, so the data hosts read always matches the binary: the
// manifest (one entry per plug-in variant) and one file describing every
// variant's ports in the layout of lv2_ports.h.
//
// What a Param becomes on its control input port:
//   range and default       lv2:minimum / lv2:maximum / lv2:default (the
//                           default restricted to the range)
//   int, enum and bool      lv2:integer
//   0..1 int, bool          lv2:toggled (unless it has display texts: then it
//                           is an enumeration, so the texts stay visible)
//   display texts           lv2:scalePoint per text; int and enum Params
//                           with texts are lv2:enumeration
//   label                   units:unit: "dB" db, "Hz" hz, "ms" ms, "%" pc,
//                           "Seconds"/"s" s; any other label a unit of its own
//   exponential shape       pprops:logarithmic (when the minimum is above 0)
//   not automatable         pprops:notAutomatic
//   the enabled Param       lv2:designation lv2:enabled (1 = processing),
//                           symbol "enable", name "Enable"
// Numbers are written as the float the host will store, in the shortest text
// that reads back to it.
//
// Every variant also has the atom ports "control" and "notify" (sequences of
// patch messages) and, when product.uiBinary is set, ui:ui: the X11 UI
// (product.UiURI()), listed in the manifest and described with the
// plug-ins, gets the changes of every control port and of "notify".
//
// Factory presets are one pset:Preset each, for every variant, listed in
// the manifest (so hosts find them without loading the plug-ins' file) and
// described in product.presetFile with a value per control port.
//
// Threads: [main]; allocates.
#include <string>
#include <vector>

#include "lv2/lv2_description.h"

class ParamTable;

// Room the atom ports ask of the host (rsz:minimumSize), in bytes: a few
// editor-size messages with their sequence and event headers.
inline constexpr int kLV2EventPortMinimumBytes = 1024;

// [main] The bundle's manifest.ttl: the plug-ins and the presets.
std::string ManifestTurtle(const LV2ProductDescription& product,
                           const std::vector<LV2Preset>& presets);

// [main] The presets' file (product.presetFile). Values are restricted to
// each Param's range; the enabled Param is not stored.
std::string PresetTurtle(const LV2ProductDescription& product, const ParamTable& params,
                         const std::vector<LV2Preset>& presets);

// [main] The plug-ins' description (product.turtleFile). product.enabledParam
// is designated lv2:enabled only when it is a 0..1 integer Param.
std::string PluginTurtle(const LV2ProductDescription& product, const ParamTable& params);

// [any] value as a Turtle number of float precision: "-24.0", "0.1", "1e-08".
// Non-finite values give "0.0".
std::string TurtleNumber(double value);
// [any] text as a Turtle string literal, quotes included.
std::string TurtleString(const std::string& text);
