#pragma once
// The buffers one instance renders through, and the set-up of each block:
// the one place that points an instance at host buffers, silences what the
// caller did not fill and calls the render procedure. The offline renderer
// (`render`) and the validator both render through it.
//
// The plug-in only ever sees these buffers, never the caller's signal, so it
// cannot change the caller's data.
#include <cstdint>
#include <vector>

#include "instance.h"

namespace hpihost {

class BlockRenderer {
public:
    // [main] Buffers for blocks of up to `maxFrames` frames (the instance's
    // maximum block size when 0).
    explicit BlockRenderer(PluginInstance& instance, int32_t maxFrames = 0);

    // [audio] The input channels, InputChannels() of them, to fill before
    // Prepare.
    float* const* Inputs() { return mInPointers.data(); }
    // [audio] The output channels of the last block.
    const std::vector<std::vector<float>>& Output() const { return mOut; }
    // [any]
    int32_t MaxFrames() const { return mMaxFrames; }
    // [any]
    PluginInstance& Instance() const { return mInstance; }

    // [audio] Silences the inputs from frame `filled` on and the outputs,
    // then points the instance at the buffers for a block of `frames` frames
    // at render position `position`.
    void Prepare(int32_t filled, int32_t frames, int64_t position);
    // [audio] Prepare, then one render call for this instance alone; with
    // `probed` the render probe counts the call (render_probe.h).
    void Render(int32_t filled, int32_t frames, int64_t position, bool probed = false);

private:
    PluginInstance& mInstance;
    int32_t mMaxFrames;
    std::vector<std::vector<float>> mIn;
    std::vector<std::vector<float>> mOut;
    std::vector<float*> mInPointers;
    std::vector<float*> mOutPointers;
};

}  // namespace hpihost
