#pragma once
// Offline rendering: a render thread calls the plug-in's render procedure
// block by block, as fast as it can, while the main thread keeps servicing
// the run loop (the plug-in's idle timer, the host's packet updates, the
// answers to automation requests) and applies timed parameter changes.
//
// A timed action is applied on the main thread while the render thread waits
// at that exact frame (blocks are split there), so the result does not depend
// on thread timing.
//
// Latency compensation: after the first block, a compensating track drops as
// many leading output frames as the instance reported and the render runs
// that many frames longer (fed with silence), so the output lines up with the
// input sample for sample.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "instance.h"
#include "run_loop.h"

namespace hpihost {

struct RenderTrack {
    PluginInstance* mInstance = nullptr;
    // [audio] Fills `frames` frames of each input channel; answers
    // how many it could (the rest is silence).
    std::function<int32_t(float* const* channels, int32_t frames)> mRead;
    // [audio] Takes output frames; false stops the render with an error.
    std::function<bool(const float* const* channels, int32_t frames)> mWrite;
    bool mCompensate = false;
};

struct TimedAction {
    int64_t mFrame = 0;  // render position at which it applies
    // [main]
    std::function<void()> mApply;
};

struct RenderOptions {
    int32_t mBlockFrames = 512;
    int64_t mInputFrames = 0;  // frames each track reads
    int64_t mTailFrames = 0;   // silence rendered after the input
};

struct RenderResult {
    bool mOk = true;
    std::string mError;
    int64_t mFramesRendered = 0;         // frames passed through the render procedure
    int64_t mFramesWritten = 0;          // per track: input + tail
    std::vector<int32_t> mCompensation;  // per track: leading frames dropped
    double mWallSeconds = 0.0;
    int64_t mRenderCalls = 0;
};

class OfflineRenderer {
public:
    // [main] The instances' block size bounds mBlockFrames.
    OfflineRenderer(HostRunLoop& runLoop, const RenderOptions& options);

    // [main] before Run
    void AddTrack(RenderTrack track);
    // [main] before Run
    void AddAction(TimedAction action);

    // [main] Runs the render thread to the end while servicing the run loop; calls
    // `progress` (frames done, frames in all) about ten times a second on the
    // main thread.
    RenderResult Run(const std::function<void(int64_t done, int64_t total)>& progress = {});

    // [any]
    int64_t Position() const { return mPosition.load(); }

private:
    void RenderThread(RenderResult& result);
    void WaitAtGate();

    HostRunLoop& mRunLoop;
    RenderOptions mOptions;
    std::vector<RenderTrack> mTracks;
    std::vector<TimedAction> mActions;

    std::atomic<int64_t> mPosition{0};
    std::atomic<int64_t> mTotal{0};
    std::atomic<int> mGate{0};  // 1 while the render thread waits for the main thread
    std::atomic<bool> mDone{false};
};

}  // namespace hpihost
