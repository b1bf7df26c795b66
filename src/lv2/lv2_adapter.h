#pragma once
// The LV2 host adapter: one object that is the framework's plug-in
// (PluginAPIBase, PluginProcessor) behind one LV2 instance. A product derives
// from it; the module's descriptor callbacks (lv2_descriptor_table.h) call
// the operations below.
//
// Ports (lv2_ports.h): control input i is Param i; then the latency output;
// then the audio inputs and outputs of this instance's channel configuration;
// then the atom ports "control" and "notify".
//
// Editor size (lv2_patch_messages.h): the UI may run in another process, so
// the size it chose travels as patch messages. A patch:Set of it on
// "control" is remembered; a patch:Get (of it or of no property) is answered
// on "notify" in the same run() with a patch:Set of the remembered size
// (nothing while none is known). The remembered size is the editor state
// in the state chunk; after a restore the next run() sends it unasked.
// "notify" gets a sequence in every run() (empty when nothing is sent),
// within the capacity the host gives in its atom size; an event that does
// not fit is sent in a later run(). Either atom port may stay unconnected.
//
// Control ports -> Params. At the start of run(), each connected control port
// whose value differs (bit for bit) from the last value seen on it is
// applied: Param::SetValue (which steps, clamps, and turns +-inf into the
// range's ends) and OnParamChange(i, Host, -1). A NaN is remembered but
// never applied, so the Param keeps its value. activate() resets the signal
// chain and makes the next run() apply every connected port; the signal
// chain starts its first block after a reset on the settings it finds then,
// so that block starts at the ports' values (no glide from earlier values)
// whatever the block size.
//
// State: one property, the product's SaveState bytes (the same bytes as
// every other adapter's state: the editor size and every Param value), of
// type atom:Chunk under the product's state key. Restoring loads them
// through LoadState; the control ports are the truth, so the next run()
// applies every connected port again over the loaded values. A host that
// restores its ports (as LV2 hosts do, before or after the state) thus hears
// the saved values, and a port the user moves afterwards sounds as it says;
// the chunk's values stand only for Params whose port is not connected.
// Blocks: the processor's buffers are sized at instantiation from the
// host's bufsz:maxBlockLength (else nominalBlockLength, else
// kLV2DefaultBlockSize); a longer run() is processed in pieces of that size,
// so run() never allocates. Any length, 0 included, in place or not. The
// latency output carries the latency the signal chain reported, after every
// run() (run(0) updates it without processing audio).
//
// Inline display (lv2_inline_display.h): a product may give the instance a
// display. When the host offers queue_draw, run() calls it at most once, at
// its end, when a control port was applied (the first run() after activate()
// or a restore applies them all) or the display says it moved; the host then
// calls render on its GUI thread.
//
// Threads: construction, Activate, Deactivate and RestoreLV2State on [main]
// (LV2's instantiation class: never while Run runs); ConnectPort and Run on
// [audio]; SaveLV2State on [main], possibly while Run runs (it reads atomic
// Param values and the editor size slot only). There is no editor and no idle timer in this build:
// nothing would pump one.
#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/plugin_api_base.h"
#include "core/plugin_processor.h"
#include "lv2/lv2_editor_size_slot.h"
#include "lv2/lv2_inline_display.h"
#include "lv2/lv2_patch_messages.h"
#include "lv2/lv2_ports.h"

// Block size when the host tells none.
inline constexpr int kLV2DefaultBlockSize = 4096;
// Latency the bypass delay line is sized for at construction, so a signal
// chain that reports up to this much never makes run() allocate.
inline constexpr int kLV2LatencyReserve = 4096;
// Largest state the adapter restores; a larger property is refused unread.
inline constexpr uint32_t kLV2MaxStateBytes = 16u * 1024u * 1024u;
// What the module's instantiate hands the product's constructor.
struct LV2InstanceInfo {
    double sampleRate = 48000.0;
    const char* bundlePath = "";
    const LV2_Feature* const* features = nullptr;  // may be null
    int audioInputs = 2;
    int audioOutputs = 2;
    const char* stateKeyURI = "";
    const char* editorSizeURI = "";  // the patch property of the editor size
};

class LV2Adapter : public PluginAPIBase, public PluginProcessor {
public:
    using EditorDelegate::OnParamChange;

    // [main] Connects the slots of the instance's channel configuration
    // (the others stay unconnected: silent inputs, discarded outputs), takes
    // the sample rate (a rate that is not finite and positive leaves
    // 48000), the host's URID map and block length, and sizes every buffer.
    LV2Adapter(const PluginConfig& config, const LV2InstanceInfo& info);
    // [main]
    ~LV2Adapter() override;

    // [main] False when the instance's channel counts are not one of the
    // plug-in's configurations or the sample rate was unusable; the module
    // then refuses the instance.
    bool Usable() const { return mUsable; }
    // [any]
    const LV2PortLayout& Layout() const { return mLayout; }

    // ---- LV2 instance operations ------------------------------------------
    // [audio] Keeps the buffer of a port; indices outside the layout are
    // ignored. A null audio buffer reads as silence or discards the output.
    void ConnectPort(uint32_t port, void* data);
    // [main] Resets the signal chain; the next Run applies every connected
    // port before its first block.
    void Activate();
    // [main]
    void Deactivate();
    // [audio] Applies changed control ports, processes frames frames and
    // writes the latency output.
    void Run(uint32_t frames);

    // [main] Stores SaveState's bytes. LV2_STATE_ERR_NO_FEATURE without a
    // URID map (from instantiation or features).
    LV2_State_Status SaveLV2State(LV2_State_Store_Function store, LV2_State_Handle handle,
                                  uint32_t flags, const LV2_Feature* const* features) const;
    // [main] Loads the stored bytes (a short state restores what it holds).
    // No property: LV2_STATE_ERR_NO_PROPERTY; another type:
    // LV2_STATE_ERR_BAD_TYPE; more than kLV2MaxStateBytes:
    // LV2_STATE_ERR_UNKNOWN; in each case nothing changes.
    LV2_State_Status RestoreLV2State(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                                     uint32_t flags, const LV2_Feature* const* features);

    // ---- Inline display -----------------------------------------------------
    // [main] Takes the instance's display; before the first run().
    void SetInlineDisplay(std::unique_ptr<LV2InlineDisplay> display);
    // [ui] The display's picture; null without a display.
    LV2InlineDisplayImageSurface* RenderInlineDisplay(uint32_t width, uint32_t maxHeight);

    // ---- Editor state -----------------------------------------------------
    // [main] Writes the remembered editor size (width, height, scale).
    bool SaveEditorState(ByteChunk& chunk) const override;
    // [main] Reads the editor size at startPos and remembers it (a size that
    // is not positive and finite as none); the next Run sends it on
    // "notify". Returns the position after it, -1 on a short read.
    int LoadEditorState(const ByteChunk& chunk, int startPos) override;
    // [any] The remembered editor size; 0, 0, 0 while none is known.
    EditorSizeMessage RememberedEditorSize() const { return mEditorSize.Load(); }

    // ---- PluginProcessor hooks ---------------------------------------------
    // [main, audio] Cut to 0..kMaxLatencySamples, then the processor's own
    // handling; the latency output shows it after the current run().
    void ReportLatency(int samples) override;

private:
    // [audio] Takes the patch messages on "control"; true when one asked
    // for the editor size.
    bool ReadControlEvents();
    // [audio] The notify sequence: empty, or with the editor size when
    // sendSize and a size is known.
    void WriteNotifyEvents(bool sendSize);
    // [audio]
    void ApplyControlPorts();
    void ProcessSpan(uint32_t offset, int frames);
    // [main] The URID map of the instance, else the one in features.
    const LV2_URID_Map* MapOf(const LV2_Feature* const* features) const;
    void ReadHostBlockLength(const LV2_Feature* const* features);
    // [audio] Asks the host to redraw the display if it changed.
    void QueueInlineDisplayDraw();

    LV2PortLayout mLayout;
    bool mUsable = true;
    const LV2_URID_Map* mMap = nullptr;
    const char* mStateKeyURI = "";
    // Zero URIDs (no map): the atom ports are left alone.
    LV2PatchURIDs mUrids;
    bool mHasUrids = false;
    LV2EditorSizeSlot mEditorSize;
    // Set by a restore: the next run() sends the size unasked.
    std::atomic<bool> mSendEditorSize{false};

    // Port buffers, by Param index and channel.
    std::vector<const float*> mControlPorts;
    float* mLatencyPort = nullptr;
    const LV2_Atom_Sequence* mControlEvents = nullptr;
    LV2_Atom_Sequence* mNotifyEvents = nullptr;
    std::vector<float*> mAudioInputs;
    std::vector<float*> mAudioOutputs;
    // The pointers of the piece being processed (sized once).
    std::vector<float*> mInputPiece;
    std::vector<float*> mOutputPiece;

    // The last value seen on each control port, as bits, and whether one was
    // seen. Activate and a restore make the next run() apply every port.
    std::vector<uint32_t> mPortShadow;
    std::vector<uint8_t> mPortSeen;
    std::atomic<bool> mApplyAllPorts{true};
    // The host's queue_draw (null when not offered) and the display.
    const LV2InlineDisplayQueue* mQueueDraw = nullptr;
    std::unique_ptr<LV2InlineDisplay> mInlineDisplay;
    // Set by [audio] when a port was applied; taken by the same run().
    bool mInlineDisplayStale = false;
};
