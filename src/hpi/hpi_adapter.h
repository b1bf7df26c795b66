#pragma once
// The HPI host adapter: one object that is at once the framework's plug-in
// (PluginAPIBase, PluginProcessor) and the host's effect-parameters object
// (HPI_CPluginParameters). A product derives from it.
//
// Parameters as the host sees them: the master bypass (identifier "", name
// "Master Bypass"; "on" passes the audio through) first, then one parameter
// object per Param with the identifier "1", "2", ... (index + 1). Bool and
// enum Params become stepped int parameters with their display texts; int and
// double Params continuous ones with a number display and the Param's label.
//
// Traffic:
//   host update  -> HPI parameter, Param::SetNorm, PostParamToEditor,
//                   OnParamChange(i, Host, -1), one change counted
//   editor drag  -> NotifyHostParamBegin/Value/End -> touch, set-value
//                   request, release; the host answers with an update
//   render       -> bypass, channels, block size, transport, MIDI, then
//                   ProcessHostBuffers or BypassHostBuffers
//   state        -> one chunk, identified by the plug-in's unique ID, holding
//                   exactly what SaveState writes
//
// Threads: every host call except the render procedure comes on the host's
// main thread [main], which is also the editor's thread; the render hook runs
// on [audio] and only reads Param values and the bypass value.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "core/midi_message.h"
#include "core/plugin_api_base.h"
#include "core/plugin_processor.h"
#include "core/text_buf.h"
#include "hpi/hpi_view_container.h"
#include "hpi/parameters.h"
#include "hpi/sdk/hpi_parameter.h"

// What the host's factory procedure hands the plug-in's constructor. The
// HPI host passes nothing yet; the type keeps the product's constructor the
// same for every adapter.
struct HPIInstanceInfo {};

// Largest chunk data the plug-in reads or writes; a record claiming more is
// refused, so a lying header cannot make it read far past the host's data.
inline constexpr int32_t kMaxChunkDataSize = 16 * 1024 * 1024;
// Messages waiting for the output MIDI node; more in one block are dropped
// rather than allocated on the render thread.
inline constexpr int kMidiOutPendingCapacity = 512;

class HPIAdapter : public PluginAPIBase, public PluginProcessor, public HPI_CPluginParameters {
public:
    using EditorDelegate::OnParamChange;

    // [main] Connects every channel slot, sets the block size to 512, finds
    // the largest main input bus and starts the 20 ms idle timer, on the
    // host's run loop when the host offered one at HPIStartup.
    HPIAdapter(const PluginConfig& config, const HPIInstanceInfo& info);
    // [main] Stops the idle timer before anything goes away.
    ~HPIAdapter() override;

    // ---- Host operations this adapter handles itself [main] ----------------
    // [main] Also forgets the master bypass before the parameters are deleted.
    HPI_Result Uninitialize() override;
    // [main] Unknown identifier: HPI_ERROR_INVALID_PARAMETER_ID; non-finite value:
    // HPI_ERROR_INVALID_ARGUMENT; nothing changes in either case. Otherwise
    // the HPI parameter stores the value (and echoes it when it changed); for
    // identifiers "1".."N" the Param takes it (SetNorm), the editor is sent
    // the value and OnParamChange(i, Host, -1) runs; one change is counted
    // even when the value stayed the same. Answers 0.
    HPI_Result UpdateParameterNormalizedValue(const char* id, double value) override;
    // [main] 'HPof' / 'HPox' switch offline rendering on / off; 'HPtn' keeps the
    // track name (data: const HPI_ITextValue*); then the base handling. 0.
    HPI_Result Notification(int32_t code, const void* data, uint32_t dataSize) override;

    // [main] One chunk, identified by UniqueID():
    //   count 1; index 0 -> the ID (other indices 0 and
    //   HPI_ERROR_INVALID_CHUNK_INDEX); any other ID -> HPI_ERROR_INVALID_CHUNK_ID
    //   (size 0). A null record or output -> HPI_ERROR_NULL_ARGUMENT.
    // Size: the length of a fresh SaveState (unchanged when it fails).
    HPI_Result GetNumberOfChunks(int32_t* outCount) override;
    // [main]
    HPI_Result GetChunkIDFromIndex(int32_t index, uint32_t* outChunkID) override;
    // [main]
    HPI_Result GetChunkSize(uint32_t chunkID, int32_t* outSize) override;
    // [main] mSize holds the data capacity on entry. A state larger than it (or a
    // negative capacity) answers HPI_ERROR_INCORRECT_CHUNK_SIZE and writes
    // nothing; a failing SaveState HPI_ERROR_INVALID_CHUNK_ID.
    HPI_Result GetChunk(uint32_t chunkID, HPI_SChunkHeader* chunk) override;
    // [main] LoadState from the record's data, every Param reported to the host
    // (set-value requests), the editor told, one change counted. A data size
    // below 0 or above kMaxChunkDataSize answers
    // HPI_ERROR_INCORRECT_CHUNK_SIZE and changes nothing.
    HPI_Result SetChunk(uint32_t chunkID, const HPI_SChunkHeader* chunk) override;
    // [main] Equal when the record's chunk ID is another plug-in's, else when every
    // Param matches the values stored behind the editor state
    // (MatchesStoredState; the values close the state). A bad data size answers
    // HPI_ERROR_INCORRECT_CHUNK_SIZE (not equal).
    HPI_Result CompareActiveChunk(const HPI_SChunkHeader* chunk, bool* outIsEqual) override;

    // ---- PluginAPIBase hooks ---------------------------------------------
    // [main, ui] the open editor's context
    Graphics* ViewInterface() override;
    // [main] the host's last track name
    void TrackName(TextBuf& out) override;
    // [ui] Sends the host the new size when an editor is open, the size
    // differs from the stored editor size and a view container is attached;
    // stores it as the editor size either way. True when the host took the
    // new size or the size did not change (or there is no editor); false
    // when no container took it, so the editor resizes its parents itself.
    bool RequestEditorSize(int width, int height) override;
    // [main, ui] touch
    void NotifyHostParamBegin(int paramIdx) override;
    // [main, ui] release
    void NotifyHostParamEnd(int paramIdx) override;
    // [main, ui] set-value request
    void NotifyHostParamValue(int paramIdx, double normalizedValue) override;

    // ---- PluginProcessor hooks ---------------------------------------------
    // [audio] Queues the message for the output MIDI node, ordered by offset
    // (behind messages with an equal offset). False when the plug-in sends no
    // MIDI or kMidiOutPendingCapacity messages already wait.
    bool SendMidi(const MidiMessage& message) override;
    // [main, audio] Cut to 0..kMaxLatencySamples, told to the host first,
    // then the processor's own handling.
    void ReportLatency(int samples) override;

    // [main] The GUI object's view container (null: none), also handed to the
    // editor for its modifier and click questions. Not owned.
    void AttachViewContainer(HPIViewContainer* container);

    // ---- Queries ---------------------------------------------------------------
    // [any] The host identifier of Param paramIdx, "" outside the table.
    const char* ParamIdentifier(int paramIdx) const;
    // [any] The Param index of a host identifier ("1" -> 0), -1 when none.
    int ParamIndexOfIdentifier(const char* id) const;
    // [audio] The host transport of the current render call, or null.
    HPI_ITransport* HostTransport() const { return mHostTransport; }
    // [any] The master bypass value (false before Initialize).
    bool MasterBypass() const;
    // [any] Largest channel count of input bus 0 over all configurations.
    int32_t MainInputChannelsMax() const { return mMainInputChannelsMax; }
    // [audio] Messages waiting for the output MIDI node.
    int MidiOutPendingCount() const { return static_cast<int>(mMidiOutPending.size()); }

protected:
    // [main] Records the host when unknown, creates the master bypass and one
    // parameter object per Param, reads the sample rate and resets
    // processing.
    HPI_Result EffectInit() override;
    // [audio] One block of one context; the synchronized changes are unused.
    void RenderAudio(HPI_SRenderContext* context, HPI_SParameterPair* const* changes,
                     int32_t count) override;

private:
    // [audio] Whether every host pointer the block would use is there.
    bool HostBuffersUsable(const HPI_SRenderContext& context, int inputs, int outputs) const;
    void FillTimeInfo();
    void ReceiveMidi(HPI_IMIDINode* node);
    void PostMidiOut(HPI_IMIDINode* node);
    // [main] Where the parameter values start in the plug-in's state.
    int StoredValuesOffset() const;

    std::atomic<HPI_CParameter<bool>*> mMasterBypass{nullptr};
    std::vector<std::string> mParamIdentifiers;
    TextBuf mHostTrackName;
    int32_t mMainInputChannelsMax = 0;
    std::vector<MidiMessage> mMidiOutPending;
    HPI_ITransport* mHostTransport = nullptr;
    HPIViewContainer* mViewContainer = nullptr;
};
