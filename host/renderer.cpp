#include "renderer.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "block_renderer.h"

namespace hpihost {

OfflineRenderer::OfflineRenderer(HostRunLoop& runLoop, const RenderOptions& options)
    : mRunLoop(runLoop), mOptions(options) {}

void OfflineRenderer::AddTrack(RenderTrack track) {
    mTracks.push_back(std::move(track));
}

void OfflineRenderer::AddAction(TimedAction action) {
    mActions.push_back(std::move(action));
}

void OfflineRenderer::WaitAtGate() {
    mGate.store(1);
    mRunLoop.Wake();
    mGate.wait(1);
}

void OfflineRenderer::RenderThread(RenderResult& result) {
    struct TrackState {
        int32_t mSkip = 0;  // leading output frames still to drop
        int64_t mWritten = 0;
    };
    const int32_t block = mOptions.mBlockFrames;
    const int64_t wanted = mOptions.mInputFrames + mOptions.mTailFrames;

    std::vector<BlockRenderer> buffers;
    buffers.reserve(mTracks.size());
    for (const RenderTrack& track : mTracks) {
        buffers.emplace_back(*track.mInstance, block);
    }
    std::vector<TrackState> states(mTracks.size());
    // One render call per block for every track of the same render procedure.
    std::vector<HPI_SRenderContext*> contexts;
    contexts.reserve(mTracks.size());

    int64_t total = wanted;
    mTotal.store(total);
    int64_t position = 0;
    std::size_t nextAction = 0;
    bool first = true;
    while (position < total) {
        if (nextAction < mActions.size() && mActions[nextAction].mFrame <= position) {
            WaitAtGate();
            while (nextAction < mActions.size() && mActions[nextAction].mFrame <= position) {
                ++nextAction;
            }
            continue;
        }
        int64_t frames64 = std::min<int64_t>(block, total - position);
        if (nextAction < mActions.size()) {
            frames64 = std::min(frames64, mActions[nextAction].mFrame - position);
        }
        const auto frames = static_cast<int32_t>(frames64);

        for (std::size_t t = 0; t < mTracks.size(); ++t) {
            const int64_t fromInput =
                std::clamp<int64_t>(mOptions.mInputFrames - position, 0, frames);
            int32_t got = 0;
            if (fromInput > 0 && mTracks[t].mRead) {
                got = std::clamp(
                    mTracks[t].mRead(buffers[t].Inputs(), static_cast<int32_t>(fromInput)), 0,
                    static_cast<int32_t>(fromInput));
            }
            buffers[t].Prepare(got, frames, position);
        }

        for (std::size_t t = 0; t < mTracks.size();) {
            const HPI_RenderProc proc = mTracks[t].mInstance->RenderProc();
            contexts.clear();
            std::size_t end = t;
            while (end < mTracks.size() && mTracks[end].mInstance->RenderProc() == proc) {
                contexts.push_back(mTracks[end].mInstance->Context());
                ++end;
            }
            proc(contexts.data(), contexts.data() + contexts.size());
            ++result.mRenderCalls;
            t = end;
        }

        if (first) {
            first = false;
            int32_t longest = 0;
            for (std::size_t t = 0; t < mTracks.size(); ++t) {
                const int32_t latency = mTracks[t].mInstance->Object().LatestLatency();
                states[t].mSkip = mTracks[t].mCompensate ? std::max(latency, 0) : 0;
                result.mCompensation.push_back(states[t].mSkip);
                longest = std::max(longest, states[t].mSkip);
            }
            total = wanted + longest;
            mTotal.store(total);
        }

        for (std::size_t t = 0; t < mTracks.size(); ++t) {
            TrackState& b = states[t];
            const std::vector<std::vector<float>>& output = buffers[t].Output();
            const int32_t skip = std::min(b.mSkip, frames);
            b.mSkip -= skip;
            const int64_t keep = std::min<int64_t>(frames - skip, wanted - b.mWritten);
            if (keep > 0 && mTracks[t].mWrite) {
                const float* outs[64];
                const std::size_t channels = std::min<std::size_t>(output.size(), 64);
                for (std::size_t c = 0; c < channels; ++c) {
                    outs[c] = output[c].data() + skip;
                }
                if (!mTracks[t].mWrite(outs, static_cast<int32_t>(keep))) {
                    result.mOk = false;
                    result.mError = "writing the output failed";
                    mPosition.store(position + frames);
                    return;
                }
            }
            if (keep > 0) {
                b.mWritten += keep;
            }
        }
        position += frames;
        result.mFramesRendered = position;
        mPosition.store(position);
    }
    result.mFramesWritten = states.empty() ? 0 : states.front().mWritten;
}

RenderResult OfflineRenderer::Run(
    const std::function<void(int64_t done, int64_t total)>& progress) {
    RenderResult result;
    if (mOptions.mBlockFrames <= 0) {
        result.mOk = false;
        result.mError = "the block size must be positive";
        return result;
    }
    for (const RenderTrack& track : mTracks) {
        if (track.mInstance == nullptr ||
            track.mInstance->MaxBlockFrames() < mOptions.mBlockFrames ||
            track.mInstance->OutputChannels() > 64) {
            result.mOk = false;
            result.mError = "a track's instance cannot take blocks of this size";
            return result;
        }
    }
    std::stable_sort(
        mActions.begin(), mActions.end(),
        [](const TimedAction& a, const TimedAction& b) { return a.mFrame < b.mFrame; });
    mTotal.store(mOptions.mInputFrames + mOptions.mTailFrames);

    const auto start = std::chrono::steady_clock::now();
    auto lastProgress = start;
    std::size_t applied = 0;
    mDone.store(false);
    std::thread renderThread([this, &result] {
        RenderThread(result);
        mDone.store(true);
        mRunLoop.Wake();
    });

    while (!mDone.load()) {
        mRunLoop.RunOnce(20);
        if (mGate.load() == 1) {
            const int64_t position = mPosition.load();
            while (applied < mActions.size() && mActions[applied].mFrame <= position) {
                mActions[applied].mApply();
                ++applied;
            }
            mRunLoop.RunPosted();  // answers to the requests the changes caused
            mGate.store(0);
            mGate.notify_one();
        }
        const auto now = std::chrono::steady_clock::now();
        if (progress && now - lastProgress >= std::chrono::milliseconds(100)) {
            lastProgress = now;
            progress(mPosition.load(), mTotal.load());
        }
    }
    renderThread.join();
    result.mWallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    mRunLoop.RunPosted();
    if (progress) {
        progress(mPosition.load(), mTotal.load());
    }
    return result;
}

}  // namespace hpihost
