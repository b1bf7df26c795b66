#pragma once
// Pieces shared by the threaded tests: the product made by its factory and
// initialised with the fake host, a render thread that renders one context in
// a loop and checks every output sample, a run loop installed for the
// duration of a test, and a small deterministic generator of values.
//
// The threaded suites are named *Threads so the ThreadSanitizer stage can
// pick exactly them.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <thread>

#include "../hpi/fake_host.h"
#include "../hpi/test_plugins.h"
#include "core/run_loop.h"
#include "hpi/parameters.h"
#include "product/channel_parameters.h"
#include "tarnwhistle.h"

namespace thread_tests {

// Deterministic values for the traffic, so a failure can be repeated.
class Lcg {
public:
    explicit Lcg(uint32_t seed) : mState(seed) {}
    uint32_t Next() {
        mState = mState * 1664525u + 1013904223u;
        return mState >> 8;
    }
    double Unit() { return static_cast<double>(Next()) / 16777216.0; }  // 0 <= u < 1
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }

private:
    uint32_t mState;
};

// A Tarnwhistle made by the factory and initialised with a fake host whose
// automation delegate answers every set-value request with an update at
// once, as the host does on its main thread.
struct Product {
    Product() : plug(static_cast<Tarnwhistle*>(MakePlug(InstanceInfo{}))) {
        instance.answerRequests = plug.get();
        plug->Initialize(static_cast<HPI_IController*>(&instance));
    }
    fake_host::FakeInstance instance;
    test_plugins::PlugRef<Tarnwhistle> plug;
};

// Renders one stereo context of the given plug-in on its own thread, block
// after block, cycling through block lengths that also grow the processor's
// block size once (700 and 1024 frames exceed the initial 512). Every output
// sample is checked; the counters are read after Stop.
class RenderThread {
public:
    static constexpr int kMaxFrames = 1024;

    RenderThread(HPI_CPluginParameters& plug, HPI_ITransport* transport) : mContext(2, kMaxFrames, transport) {
        plug.ResetFieldData(HPI_eRenderField_PrivateData, &mContext.privateData, sizeof mContext.privateData);
    }
    ~RenderThread() { Stop(); }

    void Start() {
        mThread = std::thread([this] { Run(); });
        // The traffic should meet a running render, not a starting one.
        while (mBlocks.load(std::memory_order_acquire) == 0) {
            std::this_thread::yield();
        }
    }
    // Joins the thread; afterwards the context belongs to the caller again.
    void Stop() {
        mStop.store(true, std::memory_order_release);
        if (mThread.joinable()) {
            mThread.join();
        }
    }
    // Waits until at least `blocks` blocks have been rendered in all.
    void WaitForBlocks(int64_t blocks) const {
        while (mBlocks.load(std::memory_order_acquire) < blocks) {
            std::this_thread::yield();
        }
    }

    int64_t Blocks() const { return mBlocks.load(std::memory_order_acquire); }
    int64_t NonFiniteSamples() const { return mNonFinite; }
    int64_t HugeSamples() const { return mHuge; }
    float Peak() const { return mPeak; }
    // Renders one more block on the calling thread (after Stop).
    void RenderOnce() { RenderBlock(256); }

private:
    // Larger than anything the strip makes from the test input at full boost,
    // far smaller than a filter that has run away.
    static constexpr float kHuge = 1.0e5f;

    void Run() {
        static constexpr int kFrames[] = {64, 256, 700, 32, 1024, 512, 1};
        std::size_t next = 0;
        while (!mStop.load(std::memory_order_acquire)) {
            RenderBlock(kFrames[next]);
            next = (next + 1) % std::size(kFrames);
            mBlocks.fetch_add(1, std::memory_order_release);
        }
    }

    void RenderBlock(int frames) {
        mContext.SetFrames(frames);
        mContext.Render(&HPI_CPluginParameters::StaticRenderAudio);
        for (const auto& channel : mContext.outputs) {
            for (int i = 0; i < frames; ++i) {
                const float sample = channel[static_cast<std::size_t>(i)];
                if (!std::isfinite(sample)) {
                    ++mNonFinite;
                } else {
                    mPeak = std::max(mPeak, std::fabs(sample));
                    if (std::fabs(sample) > kHuge) {
                        ++mHuge;
                    }
                }
            }
        }
    }

    fake_host::RenderContext mContext;
    std::thread mThread;
    std::atomic<bool> mStop{false};
    std::atomic<int64_t> mBlocks{0};
    // Written by the render thread only, read after it has been joined.
    int64_t mNonFinite = 0;
    int64_t mHuge = 0;
    float mPeak = 0.0f;
};

// Installs a run loop as the process run loop for one scope, so idle timers
// made inside it tick only when the test pumps it. Plug-ins made inside the
// scope must be gone before it ends.
class ScopedRunLoop {
public:
    ScopedRunLoop() { SetProcessRunLoop(&mLoop); }
    ~ScopedRunLoop() { SetProcessRunLoop(nullptr); }
    ScopedRunLoop(const ScopedRunLoop&) = delete;
    ScopedRunLoop& operator=(const ScopedRunLoop&) = delete;
    ManualRunLoop& Loop() { return mLoop; }

private:
    ManualRunLoop mLoop;
};

}  // namespace thread_tests
