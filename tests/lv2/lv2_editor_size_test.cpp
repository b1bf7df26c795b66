// The editor size over the "control" and "notify" atom ports, as a UI in
// another process sees it: a set size is answered to a get, kept in the
// state and sent after a restore; a small notify buffer is never overrun;
// unconnected ports and garbage events leave the plug-in working.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include "allocation_counter.h"
#include "core/byte_chunk.h"
#include "lv2/lv2_editor_size_slot.h"
#include "lv2_lilv_instance.h"
#include "lv2_lilv_support.h"
#include "lv2_patch_forge.h"
#include "lv2_test_host.h"

// How a failing comparison shows a size.
void PrintTo(const EditorSizeMessage& m, std::ostream* out) {
    *out << m.width << "x" << m.height << "@" << m.scale;
}

namespace {

using lv2_test::AtomBuffer;
using lv2_test::Forge;
using lv2_test::Instance;
using lv2_test::kMonoIndex;
using lv2_test::kStereoIndex;
using lv2_test::Pointers;
using lv2_test::TestSignal;
using lv2_test::UridMap;

constexpr uint8_t kFill = 0xab;

LV2PortLayout LayoutOf(int channels) {
    return LV2PortLayout{kNumChannelParams, channels, channels};
}

// The host's side of the two atom ports: a control sequence it fills with
// events and a notify buffer it hands over with a capacity.
class AtomPorts {
public:
    explicit AtomPorts(UridMap& map)
        : mMap(map), mForge(map), mChunkType(map.Map(LV2_ATOM__Chunk)) {
        MapPatchURIDs(map.MapFeatureData(), lv2_test::kEditorSizeURI, mUrids);
        ClearControl();
        PrepareNotify(4096 - sizeof(LV2_Atom));
    }

    void* Control() { return mControl.Bytes(); }
    void* Notify() { return mNotify.Bytes(); }
    const LV2PatchURIDs& Urids() const { return mUrids; }

    void ClearControl() {
        mControlSize = sizeof(LV2_Atom_Sequence_Body);
        WriteControlHead();
    }
    // Appends an event holding bytes as its atom (whatever they claim).
    void AddEvent(const void* atom, uint32_t bytes, int64_t time = 0) {
        uint8_t* at = mControl.Bytes() + sizeof(LV2_Atom) + mControlSize;
        std::memcpy(at, &time, sizeof time);
        std::memcpy(at + sizeof time, atom, bytes);
        mControlSize += (static_cast<uint32_t>(sizeof time) + bytes + 7u) & ~7u;
        WriteControlHead();
    }
    void AddSet(int32_t width, int32_t height, float scale) {
        AtomBuffer message;
        mForge.Set(message, width, height, scale);
        AddEvent(message.Bytes(), sizeof(LV2_Atom) + message.Atom()->size);
    }
    void AddGet(bool ofNoProperty = false) {
        AtomBuffer message;
        mForge.Get(message, ofNoProperty ? 0 : mUrids.editorSize);
        AddEvent(message.Bytes(), sizeof(LV2_Atom) + message.Atom()->size);
    }
    // Sets the control sequence's own size (a lying host).
    void SetControlSize(uint32_t size) { mControl.Sequence()->atom.size = size; }
    void SetControlType(LV2_URID type) { mControl.Sequence()->atom.type = type; }

    // Fills the notify buffer and gives the plug-in capacity bytes of body.
    void PrepareNotify(uint32_t capacity) {
        std::memset(mNotify.Bytes(), kFill, mNotify.Size());
        mNotify.Sequence()->atom.size = capacity;
        mNotify.Sequence()->atom.type = mChunkType;  // no map lookup: it would allocate
        mCapacity = capacity;
    }
    // The notify sequence after a run: every event's editor size (-1s for an
    // event that is not one), after checking nothing past the capacity was
    // touched.
    std::vector<EditorSizeMessage> Notified() {
        for (std::size_t i = sizeof(LV2_Atom) + mCapacity; i < mNotify.Size(); ++i) {
            if (mNotify.Bytes()[i] != kFill) {
                ADD_FAILURE() << "notify written at byte " << i << " past a capacity of "
                              << mCapacity;
                break;
            }
        }
        const LV2_Atom_Sequence* sequence = mNotify.Sequence();
        EXPECT_EQ(sequence->atom.type, mUrids.atomSequence);
        EXPECT_LE(sequence->atom.size, mCapacity);
        std::vector<EditorSizeMessage> sizes;
        if (sequence->atom.size < sizeof(LV2_Atom_Sequence_Body)) {
            return sizes;
        }
        LV2_ATOM_SEQUENCE_FOREACH(sequence, event) {
            sizes.push_back(lv2_test::SetOfEditorSize(mMap, &event->body)
                                .value_or(EditorSizeMessage{-1, -1, -1}));
        }
        return sizes;
    }

private:
    void WriteControlHead() {
        LV2_Atom_Sequence* sequence = mControl.Sequence();
        sequence->atom.type = mUrids.atomSequence;
        sequence->atom.size = mControlSize;
        sequence->body.unit = 0;
        sequence->body.pad = 0;
    }

    UridMap& mMap;
    Forge mForge;
    LV2PatchURIDs mUrids;
    AtomBuffer mControl;
    AtomBuffer mNotify;
    LV2_URID mChunkType;
    uint32_t mControlSize = 0;
    uint32_t mCapacity = 0;
};

void Connect(Instance& instance, AtomPorts& ports) {
    const LV2PortLayout layout = LayoutOf(instance.Channels());
    instance.Connect(static_cast<uint32_t>(layout.EventInputPort()), ports.Control());
    instance.Connect(static_cast<uint32_t>(layout.EventOutputPort()), ports.Notify());
}

// One run of frames of the test signal; the outputs.
std::vector<std::vector<float>> RunBlock(Instance& instance, int frames = 64) {
    auto input = TestSignal(instance.Channels(), frames);
    std::vector<std::vector<float>> output(input.size(),
                                           std::vector<float>(static_cast<std::size_t>(frames)));
    instance.Run(Pointers(input), Pointers(output), static_cast<uint32_t>(frames));
    return output;
}

// Runs once with the control events added by fill; what was notified.
template <typename Fill>
std::vector<EditorSizeMessage> Exchange(Instance& instance, AtomPorts& ports, Fill&& fill) {
    ports.ClearControl();
    fill(ports);
    ports.PrepareNotify(4096 - sizeof(LV2_Atom));
    RunBlock(instance);
    return ports.Notified();
}

using Sizes = std::vector<EditorSizeMessage>;

TEST(LV2EditorSize, AGetIsAnsweredWithTheLastSetSizeInTheSameRun) {
    for (const uint32_t variant : {kMonoIndex, kStereoIndex}) {
        SCOPED_TRACE(variant);
        UridMap map;
        Instance instance(variant, map);
        AtomPorts ports(map);
        Connect(instance, ports);

        EXPECT_EQ(Exchange(instance, ports, [](AtomPorts& p) { p.AddGet(); }), Sizes{})
            << "no size known yet: nothing to answer";
        EXPECT_EQ(Exchange(instance, ports,
                           [](AtomPorts& p) {
                               p.AddSet(800, 600, 1.0f);
                               p.AddSet(1000, 700, 1.5f);
                           }),
                  Sizes{})
            << "a set is not echoed";
        EXPECT_EQ(Exchange(instance, ports, [](AtomPorts& p) { p.AddGet(); }),
                  (Sizes{{1000, 700, 1.5f}}));
        EXPECT_EQ(Exchange(instance, ports, [](AtomPorts&) {}), Sizes{});
        EXPECT_EQ(Exchange(instance, ports, [](AtomPorts& p) { p.AddGet(true); }),
                  (Sizes{{1000, 700, 1.5f}}))
            << "a get of no property asks for everything";
        EXPECT_EQ(Exchange(instance, ports,
                           [](AtomPorts& p) {
                               p.AddSet(1200, 800, 2.0f);
                               p.AddGet();
                               p.AddGet();
                           }),
                  (Sizes{{1200, 800, 2.0f}}));

        // The size is the state chunk's editor fields.
        ByteChunk state;
        instance.Plug().SaveState(state);
        int32_t width = 0;
        int32_t height = 0;
        float scale = 0.0f;
        state.Get(&scale, state.Get(&height, state.Get(&width, 0)));
        EXPECT_EQ((EditorSizeMessage{width, height, scale}), (EditorSizeMessage{1200, 800, 2.0f}));
    }
}

TEST(LV2EditorSize, ASavedSizeComesBackInAFreshInstanceUnasked) {
    lv2_test::LilvTestWorld world(lv2_test::BuiltBundle());
    UridMap map;
    for (const char* uri : {lv2_test::kStereo, lv2_test::kMono}) {
        SCOPED_TRACE(uri);
        AtomPorts ports(map);
        lv2_test::LoadedInstance first(world, map, uri);
        ASSERT_TRUE(first.Valid());
        const LV2PortLayout layout = LayoutOf(first.Channels());
        const auto control = static_cast<uint32_t>(layout.EventInputPort());
        const auto notify = static_cast<uint32_t>(layout.EventOutputPort());
        first.Connect(control, ports.Control());
        first.Connect(notify, ports.Notify());
        first.Activate();
        ports.AddSet(1280, 960, 1.75f);
        first.Render(32);
        LilvState* state = first.Save();
        ASSERT_NE(state, nullptr);

        lv2_test::LoadedInstance second(world, map, uri);
        second.Connect(control, ports.Control());
        second.Connect(notify, ports.Notify());
        second.Restore(state, true);
        second.Activate();
        lilv_state_free(state);
        ports.ClearControl();
        ports.PrepareNotify(1024);
        second.Render(32);
        EXPECT_EQ(ports.Notified(), (Sizes{{1280, 960, 1.75f}}));
        ports.PrepareNotify(1024);
        second.Render(32);
        EXPECT_EQ(ports.Notified(), Sizes{}) << "sent once";
        ports.AddGet();
        ports.PrepareNotify(1024);
        second.Render(32);
        EXPECT_EQ(ports.Notified(), (Sizes{{1280, 960, 1.75f}}));
    }
}

TEST(LV2EditorSize, AStateWithoutASizeSendsNothing) {
    UridMap map;
    Instance source(kStereoIndex, map);  // never told a size
    Instance target(kStereoIndex, map);
    AtomPorts ports(map);
    Connect(target, ports);
    Exchange(target, ports, [](AtomPorts& p) { p.AddSet(640, 480, 1.0f); });
    ByteChunk state;
    source.Plug().SaveState(state);
    // Sizes no editor can have count as none, too.
    const int32_t kBadWidths[] = {0, -5};
    target.Plug().LoadState(state, 0);
    EXPECT_EQ(Exchange(target, ports, [](AtomPorts& p) { p.AddGet(); }), Sizes{});
    for (const int32_t width : kBadWidths) {
        ByteChunk bad;
        const int32_t height = 300;
        const float scale = 1.0f;
        bad.Put(&width);
        bad.Put(&height);
        bad.Put(&scale);
        target.Plug().LoadState(bad, 0);
        EXPECT_EQ(Exchange(target, ports, [](AtomPorts&) {}), Sizes{}) << width;
    }
}

TEST(LV2EditorSize, ANotifyBufferTooSmallIsNotOverrunAndTheSizeFollowsLater) {
    // A sequence head (8) and one event: time (8) and the message (104).
    const uint32_t kNeeded = 8 + 8 + kEditorSizeSetBytes;
    for (const uint32_t capacity : {0u, 7u, 8u, 16u, kNeeded - 1, kNeeded, 4000u}) {
        SCOPED_TRACE(capacity);
        UridMap map;
        Instance instance(kStereoIndex, map);
        AtomPorts ports(map);
        Connect(instance, ports);
        ports.AddSet(900, 500, 1.0f);
        ports.AddGet();
        ports.PrepareNotify(capacity);
        RunBlock(instance);
        const Sizes sent = ports.Notified();
        EXPECT_EQ(sent, (capacity >= kNeeded ? Sizes{{900, 500, 1.0f}} : Sizes{}));
        ports.ClearControl();
        ports.PrepareNotify(4000);
        RunBlock(instance);
        EXPECT_EQ(ports.Notified(), (capacity >= kNeeded ? Sizes{} : Sizes{{900, 500, 1.0f}}))
            << "an answer that did not fit goes out in the next run";
    }
}

TEST(LV2EditorSize, UnconnectedAtomPortsAndNoUridMapAreFine) {
    UridMap map;
    Instance instance(kStereoIndex, map);
    AtomPorts ports(map);
    const LV2PortLayout layout = LayoutOf(2);
    for (const auto& channel : RunBlock(instance)) {
        for (const float sample : channel) {
            ASSERT_TRUE(std::isfinite(sample));
        }
    }
    // Control only: the size is taken, and answered once notify is there.
    instance.Connect(static_cast<uint32_t>(layout.EventInputPort()), ports.Control());
    ports.AddSet(720, 540, 1.0f);
    ports.AddGet();
    RunBlock(instance);
    instance.Connect(static_cast<uint32_t>(layout.EventOutputPort()), ports.Notify());
    EXPECT_EQ(Exchange(instance, ports, [](AtomPorts& p) { p.AddGet(); }),
              (Sizes{{720, 540, 1.0f}}));
    // Disconnected again.
    instance.Connect(static_cast<uint32_t>(layout.EventInputPort()), nullptr);
    instance.Connect(static_cast<uint32_t>(layout.EventOutputPort()), nullptr);
    RunBlock(instance);

    // Without a URID map no atom can be understood: the buffers stay as given.
    Instance unmapped(kStereoIndex, map, 48000.0, 0, /*withMap=*/false);
    ASSERT_TRUE(unmapped.Valid());
    AtomPorts untouched(map);
    Connect(unmapped, untouched);
    untouched.AddGet();
    untouched.PrepareNotify(512);
    RunBlock(unmapped);
    EXPECT_EQ(untouched.Notify() != nullptr, true);
    const auto* notify = static_cast<const LV2_Atom*>(untouched.Notify());
    EXPECT_EQ(notify->size, 512u);
    EXPECT_EQ(notify->type, map.Map(LV2_ATOM__Chunk));
}

TEST(LV2EditorSize, GarbageEventsLeaveTheSoundParametersAndSizeAlone) {
    struct Garbage {
        const char* what;
        std::function<void(AtomPorts&, UridMap&)> add;
    };
    const Garbage kGarbage[] = {
        {"random bytes",
         [](AtomPorts& p, UridMap&) {
             uint8_t bytes[64];
             uint32_t noise = 12345;
             for (uint8_t& byte : bytes) {
                 noise = noise * 1664525u + 1013904223u;
                 byte = static_cast<uint8_t>(noise >> 24);
             }
             const uint32_t size = 56;
             std::memcpy(bytes, &size, sizeof size);
             p.AddEvent(bytes, sizeof bytes);
         }},
        {"a set with a NaN scale",
         [](AtomPorts& p, UridMap&) {
             p.AddSet(500, 500, std::numeric_limits<float>::quiet_NaN());
         }},
        {"a set with an infinite scale",
         [](AtomPorts& p, UridMap&) {
             p.AddSet(500, 500, std::numeric_limits<float>::infinity());
         }},
        {"a set with a negative width", [](AtomPorts& p, UridMap&) { p.AddSet(-500, 500, 1.0f); }},
        {"an event that claims more than the sequence",
         [](AtomPorts& p, UridMap& map) {
             const LV2_Atom lie{0xfffffff0u, map.Map(LV2_ATOM__Object)};
             p.AddEvent(&lie, sizeof lie);
         }},
        {"an object cut after its head",
         [](AtomPorts& p, UridMap&) {
             AtomBuffer set;
             WriteEditorSizeSet(p.Urids(), {500, 500, 1.0f}, set.Bytes(), 4096);
             set.Atom()->size = 12;
             p.AddEvent(set.Bytes(), 20);
         }},
        {"a sequence that claims more than its events",
         [](AtomPorts& p, UridMap&) {
             p.AddSet(500, 500, 1.0f);
             p.SetControlSize(40);  // ends inside the set
         }},
        {"not a sequence",
         [](AtomPorts& p, UridMap& map) {
             p.AddSet(500, 500, 1.0f);
             p.SetControlType(map.Map(LV2_ATOM__Chunk));
         }},
    };
    for (const Garbage& g : kGarbage) {
        SCOPED_TRACE(g.what);
        UridMap map;
        Instance clean(kStereoIndex, map);
        Instance fed(kStereoIndex, map);
        AtomPorts ports(map);
        Connect(fed, ports);
        for (Instance* instance : {&clean, &fed}) {
            instance->Control(kPreampGain) = 9.0f;
            instance->Control(kHighPass) = 2.0f;
        }
        Exchange(fed, ports, [](AtomPorts& p) { p.AddSet(1100, 750, 1.25f); });
        RunBlock(clean);
        ports.ClearControl();
        g.add(ports, map);
        ports.PrepareNotify(1024);
        const auto heard = RunBlock(fed);
        EXPECT_EQ(heard, RunBlock(clean));
        for (const auto& channel : heard) {
            for (const float sample : channel) {
                ASSERT_TRUE(std::isfinite(sample));
            }
        }
        for (int i = 0; i < kNumChannelParams; ++i) {
            EXPECT_EQ(fed.Plug().GetParam(i)->GetValue(), clean.Plug().GetParam(i)->GetValue())
                << i;
        }
        EXPECT_EQ(Exchange(fed, ports, [](AtomPorts& p) { p.AddGet(); }),
                  (Sizes{{1100, 750, 1.25f}}));
    }
}

TEST(LV2EditorSize, RunAllocatesNothingWhileExchangingMessages) {
    UridMap map;
    Instance instance(kStereoIndex, map, 48000.0, 256);
    AtomPorts ports(map);
    Connect(instance, ports);
    auto input = TestSignal(2, 256);
    std::vector<std::vector<float>> output(2, std::vector<float>(256));
    auto in = Pointers(input);
    auto out = Pointers(output);
    ByteChunk state;
    const int32_t width = 1000;
    const int32_t height = 600;
    const float scale = 1.0f;
    state.Put(&width);
    state.Put(&height);
    state.Put(&scale);
    ports.AddSet(800, 600, 1.0f);
    ports.AddGet();
    test_support::AllocationScope scope;
    instance.Run(in, out, 256);  // a set and an answer
    ports.PrepareNotify(16);
    instance.Run(in, out, 256);  // an answer that does not fit
    ports.PrepareNotify(1024);
    instance.Run(in, out, 256);
    const std::size_t inRun = scope.Count();
    instance.Plug().LoadState(state, 0);  // [main]; may allocate
    test_support::AllocationScope afterRestore;
    instance.Run(in, out, 256);  // the restored size, unasked
    EXPECT_EQ(inRun, 0u);
    EXPECT_EQ(afterRestore.Count(), 0u);
    EXPECT_EQ(ports.Notified().size(), 1u);
}

// A state save reads the size while run() may be storing a new one.
TEST(LV2EditorSizeSlot, AReaderNeverSeesATornSize) {
    LV2EditorSizeSlot slot;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int32_t i = 1; i <= 200000; ++i) {
            slot.Store({i, i, static_cast<float>(i)});
        }
        done.store(true);
    });
    int torn = 0;
    while (!done.load()) {
        const EditorSizeMessage seen = slot.Load();
        torn += seen.width != seen.height || static_cast<float>(seen.width) != seen.scale ? 1 : 0;
    }
    writer.join();
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(slot.Load().width, 200000);
}

}  // namespace
