#pragma once
// A small CLAP host for the tests, built from our declarations only: it
// loads a .clap file with dlopen, finds clap_entry and goes entry -> factory
// -> plug-in -> extensions as hosts do. It records what the plug-in asks of
// the host (restarts, flushes, rescans, latency changes, log lines, preset
// results) and the plug-in's output events.
#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "clap/clap_abi.h"

namespace clap_test {

class Module {
public:
    explicit Module(const char* path) {
        mHandle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        if (mHandle == nullptr) return;
        mEntry = static_cast<const ClapPluginEntry*>(dlsym(mHandle, "clap_entry"));
        if (mEntry != nullptr && !mEntry->init(path)) mEntry = nullptr;
    }
    ~Module() {
        if (mEntry != nullptr) mEntry->deinit();
        if (mHandle != nullptr) dlclose(mHandle);
    }
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    const ClapPluginEntry* Entry() const { return mEntry; }
    const ClapPluginFactory* PluginFactory() const {
        return mEntry != nullptr
                   ? static_cast<const ClapPluginFactory*>(mEntry->getFactory(kClapPluginFactoryId))
                   : nullptr;
    }

private:
    void* mHandle = nullptr;
    const ClapPluginEntry* mEntry = nullptr;
};

// What the plug-in asked of its host.
struct HostRecord {
    int restarts = 0;
    int flushRequests = 0;
    int callbacks = 0;
    int latencyChanges = 0;
    int dirty = 0;
    std::vector<uint32_t> rescans;
    std::vector<std::string> logs;
    std::vector<std::string> presetsLoaded;
    std::vector<std::string> presetErrors;
};

class TestHost {
public:
    TestHost() {
        mHost.clapVersion = kClapVersion;
        mHost.hostData = this;
        mHost.name = "Tarnwhistle test host";
        mHost.vendor = "";
        mHost.url = "";
        mHost.version = "1.0";
        mHost.getExtension = &GetExtension;
        mHost.requestRestart = [](const ClapHost* h) { Of(h).record.restarts++; };
        mHost.requestProcess = [](const ClapHost*) {};
        mHost.requestCallback = [](const ClapHost* h) { Of(h).record.callbacks++; };
        mParams.rescan = [](const ClapHost* h, uint32_t flags) {
            Of(h).record.rescans.push_back(flags);
        };
        mParams.clear = [](const ClapHost*, ClapId, uint32_t) {};
        mParams.requestFlush = [](const ClapHost* h) { Of(h).record.flushRequests++; };
        mLatency.changed = [](const ClapHost* h) { Of(h).record.latencyChanges++; };
        mState.markDirty = [](const ClapHost* h) { Of(h).record.dirty++; };
        mLog.log = [](const ClapHost* h, int32_t, const char* message) {
            Of(h).record.logs.push_back(message);
        };
        mThreadCheck.isMainThread = [](const ClapHost* h) {
            return std::this_thread::get_id() == Of(h).mMainThread;
        };
        mThreadCheck.isAudioThread = [](const ClapHost* h) {
            return std::this_thread::get_id() != Of(h).mMainThread;
        };
        mPresetLoad.onError = [](const ClapHost* h, uint32_t, const char*, const char* key, int32_t,
                                 const char*) {
            Of(h).record.presetErrors.push_back(key != nullptr ? key : "");
        };
        mPresetLoad.loaded = [](const ClapHost* h, uint32_t, const char*, const char* key) {
            Of(h).record.presetsLoaded.push_back(key != nullptr ? key : "");
        };
    }
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    const ClapHost* Host() const { return &mHost; }
    HostRecord record;

private:
    static TestHost& Of(const ClapHost* host) { return *static_cast<TestHost*>(host->hostData); }
    static const void* GetExtension(const ClapHost* host, const char* id) {
        TestHost& self = Of(host);
        if (std::strcmp(id, kClapExtParams) == 0) return &self.mParams;
        if (std::strcmp(id, kClapExtLatency) == 0) return &self.mLatency;
        if (std::strcmp(id, kClapExtLog) == 0) return &self.mLog;
        if (std::strcmp(id, kClapExtThreadCheck) == 0) return &self.mThreadCheck;
        if (std::strcmp(id, kClapExtPresetLoad) == 0) return &self.mPresetLoad;
        if (std::strcmp(id, kClapExtState) == 0) return &self.mState;
        return nullptr;
    }

    ClapHost mHost{};
    ClapHostParams mParams{};
    ClapHostLatency mLatency{};
    ClapHostLog mLog{};
    ClapHostThreadCheck mThreadCheck{};
    ClapHostPresetLoad mPresetLoad{};
    ClapHostState mState{};
    std::thread::id mMainThread = std::this_thread::get_id();
};

// One parameter value at a frame.
struct ParamChange {
    uint32_t frame = 0;
    ClapId id = 0;
    double value = 0.0;
};

// A sorted input event list over fixed storage (no allocation while read).
class InputEvents {
public:
    explicit InputEvents(const std::vector<ParamChange>& changes = {}) {
        for (const ParamChange& change : changes) Add(change);
        mList.ctx = this;
        mList.size = [](const ClapInputEvents* list) {
            return static_cast<uint32_t>(static_cast<InputEvents*>(list->ctx)->mEvents.size());
        };
        mList.get = [](const ClapInputEvents* list, uint32_t index) -> const ClapEventHeader* {
            auto& events = static_cast<InputEvents*>(list->ctx)->mEvents;
            return index < events.size() ? &events[index].header : nullptr;
        };
    }
    InputEvents(const InputEvents&) = delete;
    InputEvents& operator=(const InputEvents&) = delete;

    void Add(const ParamChange& change) {
        ClapEventParamValue event{};
        event.header = {sizeof event, change.frame, kClapCoreEventSpace, kClapEventParamValue, 0};
        event.paramId = change.id;
        event.noteId = -1;
        event.portIndex = event.channel = event.key = -1;
        event.value = change.value;
        mEvents.push_back(event);
    }
    const ClapInputEvents* List() const { return &mList; }

private:
    std::vector<ClapEventParamValue> mEvents;
    ClapInputEvents mList{};
};

// One output event as the host keeps it.
struct OutputEvent {
    uint16_t type = 0;
    uint32_t time = 0;
    ClapId paramId = 0;
    double value = 0.0;
};

class OutputEvents {
public:
    OutputEvents() {
        mEvents.reserve(4096);
        mList.ctx = this;
        mList.tryPush = [](const ClapOutputEvents* list, const ClapEventHeader* event) {
            auto& self = *static_cast<OutputEvents*>(list->ctx);
            OutputEvent kept;
            kept.type = event->type;
            kept.time = event->time;
            if (event->type == kClapEventParamValue) {
                const auto* value = reinterpret_cast<const ClapEventParamValue*>(event);
                kept.paramId = value->paramId;
                kept.value = value->value;
            } else {
                kept.paramId = reinterpret_cast<const ClapEventParamGesture*>(event)->paramId;
            }
            self.mEvents.push_back(kept);
            return true;
        };
    }
    OutputEvents(const OutputEvents&) = delete;
    OutputEvents& operator=(const OutputEvents&) = delete;

    const ClapOutputEvents* List() const { return &mList; }
    std::vector<OutputEvent> Take() {
        std::vector<OutputEvent> taken;
        taken.swap(mEvents);
        mEvents.reserve(4096);
        return taken;
    }

private:
    std::vector<OutputEvent> mEvents;
    ClapOutputEvents mList{};
};

using Channels = std::vector<std::vector<float>>;

// One plug-in instance and its host.
class Instance {
public:
    Instance(const Module& module, const char* pluginId) {
        const ClapPluginFactory* factory = module.PluginFactory();
        if (factory == nullptr) return;
        mPlugin = factory->createPlugin(factory, mHost.Host(), pluginId);
        if (mPlugin != nullptr && !mPlugin->init(mPlugin)) {
            mPlugin->destroy(mPlugin);
            mPlugin = nullptr;
        }
    }
    ~Instance() {
        if (mPlugin == nullptr) return;
        if (mProcessing) mPlugin->stopProcessing(mPlugin);
        if (mActive) mPlugin->deactivate(mPlugin);
        mPlugin->destroy(mPlugin);
    }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    bool Valid() const { return mPlugin != nullptr; }
    const ClapPlugin* Plugin() const { return mPlugin; }
    HostRecord& Record() { return mHost.record; }

    template <typename Extension>
    const Extension* Ext(const char* id) const {
        return static_cast<const Extension*>(mPlugin->getExtension(mPlugin, id));
    }
    const ClapPluginParams* Params() const { return Ext<ClapPluginParams>(kClapExtParams); }
    const ClapPluginState* State() const { return Ext<ClapPluginState>(kClapExtState); }
    const ClapPluginLatency* Latency() const { return Ext<ClapPluginLatency>(kClapExtLatency); }

    bool Activate(double rate, uint32_t maxFrames) {
        mActive = mPlugin->activate(mPlugin, rate, 1, maxFrames);
        if (mActive) mProcessing = mPlugin->startProcessing(mPlugin);
        return mActive && mProcessing;
    }
    void Deactivate() {
        if (mProcessing) mPlugin->stopProcessing(mPlugin);
        if (mActive) mPlugin->deactivate(mPlugin);
        mProcessing = mActive = false;
    }

    double Value(ClapId id) const {
        double value = -1e300;
        Params()->getValue(mPlugin, id, &value);
        return value;
    }

    void Flush(const std::vector<ParamChange>& changes) {
        InputEvents in(changes);
        Params()->flush(mPlugin, in.List(), mOut.List());
    }

    // Renders input (one vector per channel) in blocks of block frames, the
    // changes at their frames (within the render). Outputs are separate buffers.
    Channels Render(const Channels& input, uint32_t block,
                    const std::vector<ParamChange>& changes = {}) {
        const std::size_t channels = input.size();
        const auto total = static_cast<uint32_t>(input[0].size());
        Channels output(channels, std::vector<float>(total, 0.0f));
        std::vector<float*> in(channels);
        std::vector<float*> out(channels);
        std::size_t nextChange = 0;
        for (uint32_t position = 0; position < total; position += block) {
            const uint32_t frames = std::min(block, total - position);
            std::vector<ParamChange> due;
            while (nextChange < changes.size() && changes[nextChange].frame < position + frames) {
                ParamChange change = changes[nextChange++];
                change.frame -= position;
                due.push_back(change);
            }
            for (std::size_t c = 0; c < channels; ++c) {
                in[c] = const_cast<float*>(input[c].data()) + position;
                out[c] = output[c].data() + position;
            }
            ProcessBlock(in.data(), out.data(), static_cast<uint32_t>(channels), frames, due);
        }
        return output;
    }

    int32_t ProcessBlock(float** in, float** out, uint32_t channels, uint32_t frames,
                         const std::vector<ParamChange>& changes) {
        InputEvents events(changes);
        ClapAudioBuffer inBuffer{in, nullptr, channels, 0, 0};
        ClapAudioBuffer outBuffer{out, nullptr, channels, 0, 0};
        ClapProcess process{};
        process.steadyTime = mSteadyTime;
        process.framesCount = frames;
        process.audioInputs = &inBuffer;
        process.audioOutputs = &outBuffer;
        process.audioInputsCount = 1;
        process.audioOutputsCount = 1;
        process.inEvents = events.List();
        process.outEvents = mOut.List();
        mSteadyTime += frames;
        return mPlugin->process(mPlugin, &process);
    }

    std::vector<OutputEvent> TakeOutputEvents() { return mOut.Take(); }
    OutputEvents& Out() { return mOut; }

    // The state, written through a stream that takes at most piece bytes a call.
    std::vector<uint8_t> Save(uint64_t piece = UINT64_MAX, bool* ok = nullptr) {
        struct Sink {
            std::vector<uint8_t> bytes;
            uint64_t piece;
        } sink{{}, piece};
        ClapOutputStream stream{&sink,
                                [](const ClapOutputStream* s, const void* buffer, uint64_t size) {
                                    auto& self = *static_cast<Sink*>(s->ctx);
                                    const uint64_t n = std::min(size, self.piece);
                                    const auto* bytes = static_cast<const uint8_t*>(buffer);
                                    self.bytes.insert(self.bytes.end(), bytes, bytes + n);
                                    return static_cast<int64_t>(n);
                                }};
        const bool saved = State()->save(mPlugin, &stream);
        if (ok != nullptr) *ok = saved;
        return sink.bytes;
    }

    // Loads bytes through a stream that gives at most piece bytes a call and,
    // when failAt is reached, answers -1.
    bool Load(const std::vector<uint8_t>& bytes, uint64_t piece = UINT64_MAX,
              uint64_t failAt = UINT64_MAX) {
        struct Source {
            const std::vector<uint8_t>* bytes;
            uint64_t position;
            uint64_t piece;
            uint64_t failAt;
        } source{&bytes, 0, piece, failAt};
        ClapInputStream stream{
            &source, [](const ClapInputStream* s, void* buffer, uint64_t size) {
                auto& self = *static_cast<Source*>(s->ctx);
                if (self.position >= self.failAt) return int64_t{-1};
                const uint64_t left = self.bytes->size() - self.position;
                const uint64_t n = std::min({size, self.piece, left, self.failAt - self.position});
                std::memcpy(buffer, self.bytes->data() + self.position, n);
                self.position += n;
                return static_cast<int64_t>(n);
            }};
        return State()->load(mPlugin, &stream);
    }

private:
    TestHost mHost;
    const ClapPlugin* mPlugin = nullptr;
    OutputEvents mOut;
    bool mActive = false;
    bool mProcessing = false;
    int64_t mSteadyTime = 0;
};

}  // namespace clap_test
