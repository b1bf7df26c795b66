#pragma once
// The port layout every LV2 plug-in of this framework has, shared by the
// adapter (which connects and reads the ports) and the Turtle writer (which
// describes them), so the two cannot disagree:
//
//   0 .. N-1             one control input per Param, index = Param index
//   N                    control output: latency in frames
//   N+1 .. N+I           audio inputs
//   N+I+1 .. N+I+O       audio outputs
//   N+I+O+1              atom input "control": patch messages from the UI
//   N+I+O+2              atom output "notify": patch messages to the UI
//
// New ports only ever go after the existing ones, so sessions saved with
// an earlier layout keep their indices.
//
// Symbols are derived from the Param names ("Preamp Gain" -> "preamp_gain")
// and made unique across the whole plug-in.
//
// Threads: everything here is pure arithmetic or text work for [main]
// (description, instantiation); the layout's index arithmetic is [any].
#include <cstdint>
#include <string>
#include <vector>

class ParamTable;

// Symbol of the latency output; Param symbols never take it.
inline constexpr const char* kLatencyPortSymbol = "latency";
// Symbol and name of the port that is the host's enable switch (1 =
// processing), whatever its Param is called: hosts and peers show it so.
inline constexpr const char* kEnablePortSymbol = "enable";
inline constexpr const char* kEnablePortName = "Enable";
// Symbols of the atom ports; Param symbols never take them.
inline constexpr const char* kEventInputPortSymbol = "control";
inline constexpr const char* kEventOutputPortSymbol = "notify";

enum class LV2PortKind {
    kControlInput,  // one Param
    kLatencyOutput,
    kAudioInput,
    kAudioOutput,
    kEventInput,   // atom:Sequence "control"
    kEventOutput,  // atom:Sequence "notify"
    kNone,         // an index outside the layout
};

struct LV2PortLayout {
    int params = 0;
    int audioInputs = 0;
    int audioOutputs = 0;

    // [any] Index arithmetic of the layout above.
    int LatencyPort() const { return params; }
    int FirstAudioInput() const { return params + 1; }
    int FirstAudioOutput() const { return params + 1 + audioInputs; }
    int EventInputPort() const { return params + 1 + audioInputs + audioOutputs; }
    int EventOutputPort() const { return EventInputPort() + 1; }
    int PortCount() const { return EventOutputPort() + 1; }

    // [any] What the port at index is; kNone outside 0..PortCount()-1.
    LV2PortKind KindOf(int64_t index) const;
    // [any] For control inputs the Param index, for audio ports the channel
    // index; -1 otherwise.
    int ChannelOrParamOf(int64_t index) const;
};

// [any] A symbol from a name: ASCII letters lowercased, digits kept, every
// other run of characters one "_", no leading or trailing "_", a leading
// digit prefixed with "_"; "param" when nothing is left. Null counts as "".
std::string SymbolOfName(const char* name);

// [main] One symbol per Param, in index order, unique among themselves, the
// latency, atom and audio symbols of the layout: a clash gets "_2",
// "_3" ... appended. Param enabledParam (if any) is kEnablePortSymbol.
std::vector<std::string> ParamSymbols(const ParamTable& params, const LV2PortLayout& layout,
                                      int enabledParam = -1);

// [any] Symbol and name of audio channel `channel` of `count` in a direction:
// "in"/"Input" for one channel, "in_l"/"Input L" and "in_r"/"Input R" for two,
// "in_1"/"Input 1" ... otherwise; outputs likewise with "out"/"Output".
std::string AudioPortSymbol(bool input, int channel, int count);
std::string AudioPortName(bool input, int channel, int count);
