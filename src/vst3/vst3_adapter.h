#pragma once
// The VST3 host adapter: one object that is the framework's plug-in
// (PluginAPIBase, PluginProcessor) and, at once, the VST3 component
// (IComponent, IAudioProcessor) and its edit controller (IEditController,
// IUnitInfo). A product derives from it.
//
// One object, not a processor and a controller: the framework's plug-in is
// one object holding the parameters, the signal chain and the editor's
// delegate, as it is behind every other format. The component answers
// getControllerClassId with kResultFalse and hands out its IEditController
// through queryInterface, which is how hosts find a single-component plug-in;
// there is no IConnectionPoint traffic because there is nothing to connect.
// initialize and terminate may come twice (once per face) and count once.
//
// Parameters (ParamId = index): 0..N-1 the Params; N the host's bypass
// (kIsBypass; 1 passes the input through), the inverse of the product's
// processing switch when it has one, so both always read in step; N+1 the
// program change (kIsProgramChange), selecting a factory program of the
// description's one program list, with an IUnitInfo root unit that uses it.
// Normalised values are the Params' own (ToNorm/FromNorm); texts are their
// FormatValue/ParseText, so a stepped Param's stepCount is its number of
// positions minus one and each step is k / stepCount exactly.
//
// Processing: 32-bit float only; one main input and one main output bus of
// the same width, mono or stereo (stereo until the host arranges mono).
// setupProcessing sizes everything; process applies each parameter queue's
// points at their sample offsets by cutting the block there, processes in
// pieces of at most the prepared block size, in place or not, and with 0
// frames applies the points only. Nothing in process allocates or locks.
//
// Latency: getLatencySamples is the signal chain's latency for the current
// settings (LatencyForSettings), so it is right from setActive(true) after
// setState. When a change through the controller (setParamNormalized, an
// editor gesture, a program, setState) moves it, the host is sent
// restartComponent(kLatencyChanged).
//
// State: getState writes SaveState's bytes (the framework's state chunk, the
// bytes every format stores); setState and setComponentState read the whole
// stream and refuse (kResultFalse, nothing changed) one that is empty, longer
// than kVST3MaxStateBytes, or shorter than the state this version writes.
// IComponent and IEditController declare getState and setState with one
// signature, so both faces share them: the controller's state is the same
// bytes, and a host that restores both restores the same state twice.
//
// Editor: createView answers null for now; the editor's view takes its place
// there (VST3Adapter::createView), driving the delegate below. Gestures from
// the delegate reach the host's IComponentHandler as beginEdit / performEdit
// / endEdit (the processing switch's also on the host bypass parameter).
//
// Threads: process on [audio]; every other call on [main], the host's UI
// thread (which is also the editor's); the delegate's gesture hooks on [ui].
#include <atomic>
#include <cstdint>
#include <vector>

#include "core/plugin_api_base.h"
#include "core/plugin_processor.h"
#include "vst3/vst3_abi.h"
#include "vst3/vst3_description.h"

// Largest state the adapter reads; a longer stream is refused.
inline constexpr int32_t kVST3MaxStateBytes = 16 * 1024 * 1024;
// Parameter queues of one process call that are looked at; more are ignored.
inline constexpr int kVST3MaxParameterQueues = 256;
// Block size until the host's setupProcessing tells one.
inline constexpr int kVST3DefaultBlockSize = 4096;
// The one program list's id.
inline constexpr vst3::ProgramListId kVST3ProgramListId = 1;

class VST3Adapter : public PluginAPIBase,
                    public PluginProcessor,
                    public vst3::Component,
                    public vst3::AudioProcessor,
                    public vst3::EditController,
                    public vst3::UnitInfoSource {
public:
    using EditorDelegate::OnParamChange;

    // [main] Stereo, the configuration's latency, the default block size.
    // The reference count starts at 1, owned by the caller.
    VST3Adapter(const PluginConfig& config, const VST3InstanceInfo& info);
    // [main]
    ~VST3Adapter() override;

    // [any] The host bypass and program-change parameter ids.
    vst3::ParamId HostBypassId() const { return static_cast<vst3::ParamId>(NParams()); }
    // [any]
    vst3::ParamId ProgramId() const { return static_cast<vst3::ParamId>(NParams() + 1); }

    // ---- FUnknown [any] -------------------------------------------------------
    vst3::Result queryInterface(const vst3::Id iid, void** object) override;
    // [any]
    uint32_t addRef() override;
    // [any] Deletes the object at 0.
    uint32_t release() override;

    // ---- IPluginBase [main] ------------------------------------------------------
    // [main] Reads the host's name from an IHostApplication context.
    vst3::Result initialize(vst3::Unknown* context) override;
    // [main] Drops the component handler.
    vst3::Result terminate() override;

    // ---- IComponent [main] ------------------------------------------------------
    // [main] kResultFalse: the controller is this object.
    vst3::Result getControllerClassId(vst3::Id classId) override;
    // [main]
    vst3::Result setIoMode(int32_t mode) override;
    // [main] One audio bus each way, no event bus.
    int32_t getBusCount(int32_t mediaType, int32_t direction) override;
    // [main]
    vst3::Result getBusInfo(int32_t mediaType, int32_t direction, int32_t index,
                            vst3::BusInfo& bus) override;
    // [main]
    vst3::Result getRoutingInfo(vst3::RoutingInfo& in, vst3::RoutingInfo& out) override;
    // [main] Accepted for the existing buses; they are always processed.
    vst3::Result activateBus(int32_t mediaType, int32_t direction, int32_t index,
                             vst3::Bool8 state) override;
    // [main] true: resets the signal chain, which starts on the settings of now.
    vst3::Result setActive(vst3::Bool8 state) override;
    // [main] See State above (also the controller's).
    vst3::Result setState(vst3::Stream* state) override;
    // [main]
    vst3::Result getState(vst3::Stream* state) override;

    // ---- IAudioProcessor ----------------------------------------------------------
    // [main] Mono to mono or stereo to stereo; anything else kResultFalse,
    // the arrangement unchanged.
    vst3::Result setBusArrangements(vst3::SpeakerArrangement* inputs, int32_t inputCount,
                                    vst3::SpeakerArrangement* outputs,
                                    int32_t outputCount) override;
    // [main]
    vst3::Result getBusArrangement(int32_t direction, int32_t index,
                                   vst3::SpeakerArrangement& arrangement) override;
    // [main] kSample32 only.
    vst3::Result canProcessSampleSize(int32_t symbolicSampleSize) override;
    // [main] LatencyForSettings, remembered as what the host knows.
    uint32_t getLatencySamples() override;
    // [main] Sample rate and block size; every buffer is sized here.
    vst3::Result setupProcessing(vst3::ProcessSetup& setup) override;
    // [main]
    vst3::Result setProcessing(vst3::Bool8 state) override;
    // [audio]
    vst3::Result process(vst3::ProcessData& data) override;
    // [main] 0: the strip's filters ring for less than a sample at audible level.
    uint32_t getTailSamples() override;

    // ---- IEditController [main] ------------------------------------------------------
    // [main] As setState; the same bytes again change nothing.
    vst3::Result setComponentState(vst3::Stream* state) override;
    // [main]
    int32_t getParameterCount() override;
    // [main]
    vst3::Result getParameterInfo(int32_t index, vst3::ParameterInfo& info) override;
    // [main]
    vst3::Result getParamStringByValue(vst3::ParamId id, vst3::ParamValue normalized,
                                       vst3::String128 text) override;
    // [main]
    vst3::Result getParamValueByString(vst3::ParamId id, vst3::Char16* text,
                                       vst3::ParamValue& normalized) override;
    // [main]
    vst3::ParamValue normalizedParamToPlain(vst3::ParamId id, vst3::ParamValue normalized) override;
    // [main]
    vst3::ParamValue plainParamToNormalized(vst3::ParamId id, vst3::ParamValue plain) override;
    // [main]
    vst3::ParamValue getParamNormalized(vst3::ParamId id) override;
    // [main] The Param (or program, or bypass) takes the value at once; the
    // editor is told. A program also makes the host re-read every value.
    vst3::Result setParamNormalized(vst3::ParamId id, vst3::ParamValue value) override;
    // [main] Kept (with a reference) until terminate or another handler.
    vst3::Result setComponentHandler(vst3::ComponentHandler* handler) override;
    // [main] Null: no view yet.
    vst3::PlugView* createView(const char* name) override;

    // ---- IUnitInfo [main] ---------------------------------------------------------------
    int32_t getUnitCount() override;
    // [main]
    vst3::Result getUnitInfo(int32_t unitIndex, vst3::UnitInfo& info) override;
    // [main]
    int32_t getProgramListCount() override;
    // [main]
    vst3::Result getProgramListInfo(int32_t listIndex, vst3::ProgramListInfo& info) override;
    // [main]
    vst3::Result getProgramName(vst3::ProgramListId listId, int32_t programIndex,
                                vst3::String128 name) override;
    // [main]
    vst3::Result getProgramInfo(vst3::ProgramListId listId, int32_t programIndex,
                                const char* attributeId, vst3::String128 attributeValue) override;
    // [main]
    vst3::Result hasProgramPitchNames(vst3::ProgramListId listId, int32_t programIndex) override;
    // [main]
    vst3::Result getProgramPitchName(vst3::ProgramListId listId, int32_t programIndex,
                                     int16_t midiPitch, vst3::String128 name) override;
    // [main]
    vst3::UnitId getSelectedUnit() override;
    // [main]
    vst3::Result selectUnit(vst3::UnitId unitId) override;
    // [main]
    vst3::Result getUnitByBus(int32_t mediaType, int32_t direction, int32_t busIndex,
                              int32_t channel, vst3::UnitId& unitId) override;
    // [main]
    vst3::Result setUnitProgramData(int32_t listOrUnitId, int32_t programIndex,
                                    vst3::Stream* data) override;

    // ---- The framework's hooks towards the host -------------------------------------------
    // [ui] beginEdit / performEdit / endEdit on the component handler.
    void NotifyHostParamBegin(int paramIdx) override;
    // [ui]
    void NotifyHostParamValue(int paramIdx, double normalizedValue) override;
    // [ui] The framework's handling, then restartComponent(kLatencyChanged)
    // when the value moved the latency.
    void SendUIParamValue(int paramIdx, double normalizedValue) override;
    // [ui]
    void NotifyHostParamEnd(int paramIdx) override;

private:
    // [audio] One parameter point; see Parameters above.
    void ApplyPoint(vst3::ParamId id, double normalized);
    // [any] Sets the Params of factory program index (clamped).
    void ApplyProgram(int index, int sampleOffset);
    // [audio] Processes frames frames from offset of the attached host buffers.
    void ProcessSpan(const vst3::ProcessData& data, int offset, int frames);
    // [main] Reads the whole stream, at most kVST3MaxStateBytes; false on a
    // failed read or a longer stream.
    static bool ReadStream(vst3::Stream* stream, std::vector<uint8_t>& bytes);
    // [main] Loads bytes when they are a whole state; false otherwise, and
    // nothing changed.
    bool LoadStateBytes(const std::vector<uint8_t>& bytes);
    // [main] restartComponent(flags) when a handler is set.
    void Restart(int32_t flags);
    // [main] Restart(kLatencyChanged) when LatencyForSettings differs from
    // what the host was last told (nothing before it first asked).
    void TellLatencyIfChanged();
    // [any] The host bypass' normalised value from the processing switch.
    double HostBypassNorm() const;
    int ProgramCount() const;

    std::atomic<uint32_t> mReferences{1};
    int mInitializeCount = 0;
    const VST3ProductDescription* mProduct = nullptr;
    vst3::ComponentHandler* mHandler = nullptr;
    int mChannels = 2;
    bool mActive = false;
    // -1 until the host asks.
    std::atomic<int> mLatencyToldHost{-1};
    std::atomic<int> mProgram{0};
    // Per-queue cursors of the process call being run (sized once).
    std::vector<int32_t> mQueueCursor;
    // The pointers of the piece being processed (sized once).
    std::vector<float*> mInputPiece;
    std::vector<float*> mOutputPiece;
};
