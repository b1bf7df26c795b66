#include "block_renderer.h"

#include <algorithm>

#include "render_probe.h"

namespace hpihost {

BlockRenderer::BlockRenderer(PluginInstance& instance, int32_t maxFrames)
    : mInstance(instance),
      mMaxFrames(maxFrames > 0 ? maxFrames : instance.MaxBlockFrames()),
      mIn(static_cast<std::size_t>(std::max(instance.InputChannels(), 0)),
          std::vector<float>(static_cast<std::size_t>(mMaxFrames), 0.0f)),
      mOut(static_cast<std::size_t>(std::max(instance.OutputChannels(), 0)),
           std::vector<float>(static_cast<std::size_t>(mMaxFrames), 0.0f)) {
    for (auto& channel : mIn) {
        mInPointers.push_back(channel.data());
    }
    for (auto& channel : mOut) {
        mOutPointers.push_back(channel.data());
    }
}

void BlockRenderer::Prepare(int32_t filled, int32_t frames, int64_t position) {
    filled = std::clamp(filled, 0, frames);
    for (auto& channel : mIn) {
        std::fill(channel.begin() + filled, channel.begin() + frames, 0.0f);
    }
    for (auto& channel : mOut) {
        std::fill(channel.begin(), channel.begin() + frames, 0.0f);
    }
    mInstance.BeginBlock(mInPointers.data(), mOutPointers.data(), frames, position);
}

void BlockRenderer::Render(int32_t filled, int32_t frames, int64_t position, bool probed) {
    Prepare(filled, frames, position);
    HPI_SRenderContext* context = mInstance.Context();
    const HPI_RenderProc render = mInstance.RenderProc();
    if (probed) {
        RenderProbe::Arm();
    }
    render(&context, &context + 1);
    if (probed) {
        RenderProbe::Disarm();
    }
}

}  // namespace hpihost
