// The queues between host, audio and editor with each end on its own thread:
// the host thread (parameter updates), the render thread (MIDI in, SysEx for
// the editor; MIDI and SysEx from the editor) and the thread that pumps the
// run loop, on which the idle timer drains towards the editor and the editor
// queues its own messages. Producers wait for room, so every element must
// arrive exactly once, whole and in order.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "core/midi_message.h"
#include "core/param.h"
#include "thread_test_support.h"

namespace {

using thread_tests::Product;
using thread_tests::ScopedRunLoop;

constexpr uint8_t kHostStatus = 0x90;    // MIDI from the host's input node
constexpr uint8_t kEditorStatus = 0xB0;  // MIDI the editor queues
constexpr int kSysExBytes = 37;        // not a multiple of the 4-byte packets
constexpr std::size_t kSysExPackets = (kSysExBytes + 3) / 4;

// Byte i of SysEx message `sequence`: the receiver can tell a torn record.
uint8_t SysExByte(int sequence, int i) { return static_cast<uint8_t>((sequence * 31 + i * 7) & 0x7F); }

bool SysExIntact(const SysExMessage& message) {
    if (message.size != kSysExBytes || message.data == nullptr) {
        return false;
    }
    for (int i = 0; i < kSysExBytes; ++i) {
        if (message.data[i] != SysExByte(message.offset, i)) {
            return false;
        }
    }
    return true;
}

// An adapter plug-in that receives and sends MIDI and watches each queue end:
// what the editor is handed on the tick thread, what the render thread
// processes, and the editor's own messages, queued from the tick as an
// editor would. Parameter 0 counts whole steps, so each value sent is unique.
class QueueProbe final : public HPIAdapter {
public:
    static constexpr int kLevel = 0;
    static constexpr double kLevelMax = 100000.0;

    QueueProbe() : HPIAdapter(test_plugins::TestConfig({true, true, 0}), HPIInstanceInfo{}) {
        GetParam(kLevel)->DefineNumber("Level", 0.0, 0.0, kLevelMax, 1.0, "", FlagStepped);
        for (int i = 1; i < NParams(); ++i) {
            GetParam(i)->DefineNumber("Other", 0.5, 0.0, 1.0, 0.01);
        }
        mEditorParamValues.reserve(64 * 1024);
        mEditorMidi.reserve(64 * 1024);
        mProcessedMidi.reserve(64 * 1024);
        mEditorSysEx.reserve(64 * 1024);
    }

    // Room left in a queue; only the queue's producer may rely on it.
    std::size_t ParamUpdateRoom() const { return Room(mParamUpdatesForEditor); }
    std::size_t MidiForEditorRoom() const { return Room(mMidiForEditor); }
    std::size_t SysExForEditorRoom() const { return Room(mSysExForEditor); }

    // How many messages the editor queues from its ticks, at most.
    void SetEditorMessages(int midi, int sysEx) {
        mEditorMidiToSend = midi;
        mEditorSysExToSend = sysEx;
    }

    // ---- tick thread ----
    void SendParamValueToEditor(int paramIdx, double value, bool isNormalized) override {
        if (paramIdx == kLevel) {
            mEditorParamValues.push_back(isNormalized ? GetParam(kLevel)->FromNorm(value) : value);
            paramValuesSeen.fetch_add(1, std::memory_order_release);
        }
    }
    void SendMidiToEditor(const MidiMessage& message) override {
        mEditorMidi.push_back(message);
        editorMidiSeen.fetch_add(1, std::memory_order_release);
    }
    void SendSysExToEditor(const SysExMessage& message) override {
        mEditorSysEx.push_back({message.offset, SysExIntact(message)});
    }
    void OnIdle() override {
        ticks.fetch_add(1, std::memory_order_release);
        while (mEditorMidiSent < mEditorMidiToSend && Room(mMidiFromEditor) > 0) {
            QueueUIMidi(MidiMessage{mEditorMidiSent++, kEditorStatus, 1, 2});
        }
        if (mEditorSysExSent < mEditorSysExToSend && Room(mSysExFromEditor) > 0) {
            uint8_t bytes[kSysExBytes];
            for (int i = 0; i < kSysExBytes; ++i) {
                bytes[i] = SysExByte(mEditorSysExSent, i);
            }
            QueueUISysEx(SysExMessage{mEditorSysExSent++, kSysExBytes, bytes});
        }
    }

    // ---- render thread ----
    void ProcessMidi(const MidiMessage& message) override {
        mProcessedMidi.push_back(message);
        processedMidiSeen.fetch_add(1, std::memory_order_release);
        // Each host message also goes to the editor as SysEx, when there is room.
        if (message.status == kHostStatus && Room(mSysExForEditor) > 0) {
            uint8_t bytes[kSysExBytes];
            for (int i = 0; i < kSysExBytes; ++i) {
                bytes[i] = SysExByte(message.offset, i);
            }
            PostSysExToEditor(SysExMessage{message.offset, kSysExBytes, bytes});
        }
    }

    // Read after the threads are joined.
    const std::vector<double>& EditorParamValues() const { return mEditorParamValues; }
    const std::vector<MidiMessage>& EditorMidi() const { return mEditorMidi; }
    const std::vector<MidiMessage>& ProcessedMidi() const { return mProcessedMidi; }
    struct SeenSysEx {
        int32_t sequence;
        bool intact;
    };
    const std::vector<SeenSysEx>& EditorSysEx() const { return mEditorSysEx; }
    int EditorMidiSent() const { return mEditorMidiSent; }
    int EditorSysExSent() const { return mEditorSysExSent; }

    std::atomic<int> ticks{0};
    std::atomic<int> paramValuesSeen{0};
    std::atomic<int> editorMidiSeen{0};
    std::atomic<int> processedMidiSeen{0};

private:
    ~QueueProbe() override { StopIdleTimer(); }

    template <typename T>
    static std::size_t Room(const RingQueue<T>& queue) {
        return queue.Capacity() - queue.Available();
    }

    // Tick thread.
    std::vector<double> mEditorParamValues;
    std::vector<MidiMessage> mEditorMidi;
    std::vector<SeenSysEx> mEditorSysEx;
    int mEditorMidiToSend = 0;
    int mEditorSysExToSend = 0;
    int mEditorMidiSent = 0;
    int mEditorSysExSent = 0;
    // Render thread.
    std::vector<MidiMessage> mProcessedMidi;
};

// Pumps a run loop on its own thread until stopped: the editor's thread.
class PumpThread {
public:
    explicit PumpThread(ManualRunLoop& loop)
        : mThread([this, &loop] {
              while (!mStop.load(std::memory_order_acquire)) {
                  loop.Advance(kIdleTimerPeriodMs);
                  std::this_thread::yield();
              }
          }) {}
    ~PumpThread() { Stop(); }
    void Stop() {
        mStop.store(true, std::memory_order_release);
        if (mThread.joinable()) {
            mThread.join();
        }
    }

private:
    std::atomic<bool> mStop{false};
    std::thread mThread;
};

// Waits for a condition the other threads make true; false after a generous
// time, so a lost element fails the test instead of hanging it.
template <typename Condition>
bool WaitFor(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::yield();
    }
    return true;
}

class EditorQueueThreads : public testing::Test {
protected:
    EditorQueueThreads() : mProbe(new QueueProbe) {
        mInstance.answerRequests = mProbe.get();
        mProbe->Initialize(static_cast<HPI_IController*>(&mInstance));
    }

    ScopedRunLoop mRunLoop;  // before the probe: its idle timer runs on this loop
    fake_host::FakeInstance mInstance;
    test_plugins::PlugRef<QueueProbe> mProbe;
};

TEST_F(EditorQueueThreads, HostUpdatesReachTheEditorWholeAndInOrder) {
    constexpr int kUpdates = 20000;
    const char* id = mProbe->ParamIdentifier(QueueProbe::kLevel);
    PumpThread pump(mRunLoop.Loop());
    for (int k = 1; k <= kUpdates; ++k) {
        while (mProbe->ParamUpdateRoom() == 0) {
            std::this_thread::yield();
        }
        ASSERT_EQ(mProbe->UpdateParameterNormalizedValue(id, k / QueueProbe::kLevelMax), HPI_SUCCESS);
    }
    ASSERT_TRUE(WaitFor([&] { return mProbe->paramValuesSeen.load(std::memory_order_acquire) >= kUpdates; }));
    pump.Stop();

    const std::vector<double>& seen = mProbe->EditorParamValues();
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(kUpdates));
    int faults = 0;
    for (int k = 1; k <= kUpdates; ++k) {
        faults += seen[static_cast<std::size_t>(k - 1)] != static_cast<double>(k);
    }
    EXPECT_EQ(faults, 0);
    EXPECT_GT(mProbe->ticks.load(), 0);
}

TEST_F(EditorQueueThreads, MidiAndSysExCrossEveryQueueWholeAndInOrder) {
    constexpr int kHostMessages = 4000;
    constexpr int kEditorMessages = 4000;
    constexpr int kEditorSysEx = 300;
    mProbe->SetEditorMessages(kEditorMessages, kEditorSysEx);

    fake_host::RenderContext context(2, 64, static_cast<HPI_ITransport*>(&mInstance));
    mProbe->ResetFieldData(HPI_eRenderField_PrivateData, &context.privateData, sizeof context.privateData);
    // Render thread: each editor SysEx as it left through the output node.
    std::vector<QueueProbe::SeenSysEx> sysExFromEditor;
    int sysExPacketFaults = 0;
    std::atomic<bool> stopRender{false};

    std::thread render([&] {
        int32_t next = 0;
        while (!stopRender.load(std::memory_order_acquire)) {
            // As many host messages as the editor's MIDI queue has room for,
            // so none is dropped.
            context.inputNode.incoming.clear();
            for (std::size_t room = mProbe->MidiForEditorRoom(); room > 0 && next < kHostMessages; --room) {
                HPI_SMIDIPacket packet{};
                packet.mTimestamp = static_cast<uint32_t>(next++);
                packet.mLength = 3;
                packet.mData[0] = kHostStatus;
                context.inputNode.incoming.push_back(packet);
            }
            context.outputNode.posted.clear();
            context.Render(&HPI_CPluginParameters::StaticRenderAudio);
            // Only editor SysEx leaves through the output node: each message as
            // ten packets of up to four bytes, all stamped with its offset.
            const std::vector<HPI_SMIDIPacket>& posted = context.outputNode.posted;
            if (posted.size() % kSysExPackets != 0) {
                ++sysExPacketFaults;
            }
            for (std::size_t first = 0; first + kSysExPackets <= posted.size(); first += kSysExPackets) {
                const auto sequence = static_cast<int32_t>(posted[first].mTimestamp);
                bool intact = posted[first + kSysExPackets - 1].mLength == kSysExBytes % 4;
                for (int i = 0; i < kSysExBytes; ++i) {
                    const HPI_SMIDIPacket& part = posted[first + static_cast<std::size_t>(i / 4)];
                    intact = intact && static_cast<int32_t>(part.mTimestamp) == sequence &&
                             part.mData[i % 4] == SysExByte(sequence, i);
                }
                sysExFromEditor.push_back({sequence, intact});
            }
        }
    });
    PumpThread pump(mRunLoop.Loop());
    const bool arrived = WaitFor([&] {
        return mProbe->editorMidiSeen.load(std::memory_order_acquire) >= kHostMessages &&
               mProbe->processedMidiSeen.load(std::memory_order_acquire) >= kHostMessages + kEditorMessages;
    });
    pump.Stop();
    stopRender.store(true, std::memory_order_release);
    render.join();
    ASSERT_TRUE(arrived);

    // Host MIDI, render thread -> editor.
    const std::vector<MidiMessage>& toEditor = mProbe->EditorMidi();
    ASSERT_EQ(toEditor.size(), static_cast<std::size_t>(kHostMessages));
    int faults = 0;
    for (int k = 0; k < kHostMessages; ++k) {
        faults += toEditor[static_cast<std::size_t>(k)].offset != k || toEditor[static_cast<std::size_t>(k)].status != kHostStatus;
    }
    EXPECT_EQ(faults, 0) << "host MIDI for the editor";

    // Editor MIDI, tick thread -> render thread, in order between the host's.
    std::vector<int32_t> fromEditor;
    for (const MidiMessage& message : mProbe->ProcessedMidi()) {
        if (message.status == kEditorStatus) {
            fromEditor.push_back(message.offset);
            EXPECT_EQ(message.data1, 1);
            EXPECT_EQ(message.data2, 2);
        }
    }
    ASSERT_EQ(fromEditor.size(), static_cast<std::size_t>(kEditorMessages));
    faults = 0;
    for (int k = 0; k < kEditorMessages; ++k) {
        faults += fromEditor[static_cast<std::size_t>(k)] != k;
    }
    EXPECT_EQ(faults, 0) << "editor MIDI for the render thread";

    // SysEx both ways: fewer (four slots), but each whole and in order.
    const auto& sysExToEditor = mProbe->EditorSysEx();
    EXPECT_FALSE(sysExToEditor.empty());
    for (std::size_t i = 0; i < sysExToEditor.size(); ++i) {
        EXPECT_TRUE(sysExToEditor[i].intact) << i;
        if (i > 0) {
            EXPECT_GT(sysExToEditor[i].sequence, sysExToEditor[i - 1].sequence) << i;
        }
    }
    EXPECT_EQ(sysExPacketFaults, 0);
    EXPECT_FALSE(sysExFromEditor.empty());
    for (std::size_t i = 0; i < sysExFromEditor.size(); ++i) {
        EXPECT_TRUE(sysExFromEditor[i].intact) << i;
        EXPECT_EQ(sysExFromEditor[i].sequence, static_cast<int32_t>(i)) << "every editor SysEx, in order";
    }
}

// The product itself: host updates on this thread feed the editor queue
// while its idle timer drains it on the pump thread, and the render thread
// runs meanwhile.
TEST_F(EditorQueueThreads, TheProductDrainsItsQueueWhileTheHostUpdatesAndRenders) {
    Product product;  // made inside the scoped run loop: its idle timer ticks there
    thread_tests::RenderThread render(*product.plug, static_cast<HPI_ITransport*>(&product.instance));
    render.Start();
    PumpThread pump(mRunLoop.Loop());
    thread_tests::Lcg random(3);
    for (int round = 0; round < 4000; ++round) {
        const int paramIdx = random.Below(kNumChannelParams);
        product.plug->UpdateParameterNormalizedValue(product.plug->ParamIdentifier(paramIdx), random.Unit());
        if (round % 64 == 0) {
            std::this_thread::yield();
        }
    }
    pump.Stop();
    render.Stop();
    EXPECT_EQ(render.NonFiniteSamples(), 0);
}

}  // namespace
