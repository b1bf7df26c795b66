// Tarnwhistle on the standalone adapter, in process: the texts --set takes,
// the audio side's real-time rules, the latency it flags, and the state
// bytes it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "allocation_counter.h"
#include "core/param.h"
#include "product/channel_parameters.h"
#include "render_probe.h"
#include "standalone/param_text.h"
#include "tarnwhistle.h"

namespace {

constexpr int kFrames = 256;

std::unique_ptr<Tarnwhistle> MakeStrip(int channels = 2) {
    return std::unique_ptr<Tarnwhistle>(
        static_cast<Tarnwhistle*>(MakePlug(StandaloneInstanceInfo{channels})));
}

struct Buffers {
    std::vector<float> in[2], out[2];
    const float* inputs[2];
    float* outputs[2];
    explicit Buffers(int frames) {
        for (int c = 0; c < 2; ++c) {
            in[c].assign(static_cast<std::size_t>(frames), 0.0f);
            out[c].assign(static_cast<std::size_t>(frames), 1.0f);
            for (int i = 0; i < frames; ++i)
                in[c][static_cast<std::size_t>(i)] = 0.5f * std::sin(0.05f * i + c);
            inputs[c] = in[c].data();
            outputs[c] = out[c].data();
        }
    }
    bool Silent() const {
        for (const auto& o : out) {
            for (float v : o) {
                if (v != 0.0f) return false;
            }
        }
        return true;
    }
};

TEST(StandaloneParamText, TakesEveryPositionByItsTextAndByItsNumber) {
    auto strip = MakeStrip();
    for (int p = 0; p < strip->NParams(); ++p) {
        const Param& param = *strip->GetParam(p);
        if ((param.Flags() & FlagStepped) == 0) continue;
        for (int position = static_cast<int>(param.Min());
             position <= static_cast<int>(param.Max()); ++position) {
            SCOPED_TRACE(std::string(param.Name()) + " " + std::to_string(position));
            std::string why;
            EXPECT_EQ(ParseParamText(param, std::to_string(position), &why), position) << why;
            const std::string shown = ParamValueText(param, position);
            EXPECT_EQ(ParseParamText(param, shown, &why), position) << why;
            // As a person types it: other letter case, a blank before the unit.
            std::string typed;
            for (char c : shown) {
                if (std::isalpha(static_cast<unsigned char>(c)) && typed.size() > 0 &&
                    std::isdigit(static_cast<unsigned char>(typed.back()))) {
                    typed += ' ';
                }
                typed += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
            EXPECT_EQ(ParseParamText(param, typed, &why), position) << typed << ": " << why;
        }
    }
}

TEST(StandaloneParamText, FindsParametersAndRefusesWhatTheyDoNotTake) {
    auto strip = MakeStrip();
    EXPECT_EQ(FindParamByName(strip->Params(), "HighPass"), kHighPass);
    EXPECT_EQ(FindParamByName(strip->Params(), "3"), kHighPass);  // as hosts number them
    EXPECT_EQ(FindParamByName(strip->Params(), "highpass"), -1);
    struct Case {
        int param;
        const char* text;
        double value;  // NAN: refused
    };
    const Case cases[] = {
        {kPreampGain, "6", 6.0},
        {kPreampGain, "-6.5 dB", -6.5},
        {kPreampGain, "24", 24.0},
        {kPreampGain, "24.1", NAN},
        {kPreampGain, "6 Hz", NAN},
        {kPreampGain, "loud", NAN},
        {kPreampGain, "nan", NAN},
        {kPreampGain, "inf", NAN},
        {kHighPass, "5", NAN},
        {kHighPass, "-1", NAN},
        {kHighPass, "1.5", NAN},
        {kHighPass, "300", NAN},
        {kOversampling, "Oversampling On", 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string why;
        const auto value = ParseParamText(*strip->GetParam(c.param), c.text, &why);
        if (std::isnan(c.value)) {
            EXPECT_FALSE(value.has_value());
            EXPECT_NE(why.find(c.text), std::string::npos) << why;
        } else {
            ASSERT_TRUE(value.has_value()) << why;
            EXPECT_DOUBLE_EQ(*value, c.value);
        }
    }
}

// The process callback with parameter changes between its blocks (the
// oversampling switch among them, which changes the latency): no heap, no
// lock, no wait on the audio thread.
TEST(StandaloneAdapter, ProcessesWithoutAllocatingLockingOrWaiting) {
    auto strip = MakeStrip();
    strip->Prepare(48000.0, kFrames);
    Buffers buffers(kFrames);
    strip->Process(buffers.inputs, buffers.outputs, kFrames);
    const int changes[][2] = {{kOversampling, 1}, {kHighPass, 4}, {kPreampGain, 12}, {kMidFreq, 3},
                              {kOversampling, 0}, {kBypass, 0},   {kBypass, 1},      {kMicPre, 1}};
    // The probe sees this thread's heap at all.
    const hpihost::ProbeCounts start = hpihost::RenderProbe::ThreadTotals();
    int* volatile probe = new int(1);
    delete probe;
    ASSERT_GT((hpihost::RenderProbe::ThreadTotals() - start).mAllocations, 0u);
    hpihost::ProbeCounts calls;
    for (const auto& change : changes) {
        strip->SetParamValue(change[0], change[1]);
        const hpihost::ProbeCounts before = hpihost::RenderProbe::ThreadTotals();
        for (int block = 0; block < 3; ++block)
            strip->Process(buffers.inputs, buffers.outputs, kFrames);
        calls += hpihost::RenderProbe::ThreadTotals() - before;
    }
    EXPECT_EQ(calls.mAllocations, 0u);
    EXPECT_EQ(calls.mFrees, 0u);
    EXPECT_EQ(calls.mLocks, 0u);
    EXPECT_EQ(calls.mWaits, 0u);
}

TEST(StandaloneAdapter, FlagsALatencyChangeForTheServerOnce) {
    auto strip = MakeStrip();
    strip->Prepare(48000.0, kFrames);
    // Known from Prepare on, before the first block.
    EXPECT_EQ(strip->Latency(), kStripLatencySamples);
    strip->TakeLatencyChange();
    Buffers buffers(kFrames);
    strip->SetParamValue(kOversampling, 1);
    EXPECT_FALSE(strip->TakeLatencyChange()) << "changed before the audio side saw it";
    strip->Process(buffers.inputs, buffers.outputs, kFrames);
    EXPECT_EQ(strip->Latency(), kOversampledStripLatencySamples);
    EXPECT_TRUE(strip->TakeLatencyChange());
    EXPECT_FALSE(strip->TakeLatencyChange());
}

TEST(StandaloneAdapter, SilencesBlocksItWasNotPreparedFor) {
    auto strip = MakeStrip();
    Buffers before(kFrames);
    strip->Process(before.inputs, before.outputs, kFrames);
    EXPECT_TRUE(before.Silent()) << "processed before Prepare";
    strip->Prepare(48000.0, kFrames);
    Buffers longer(kFrames * 2);
    const int64_t oversized = strip->OversizedBlocks();
    test_support::AllocationScope allocations;
    strip->Process(longer.inputs, longer.outputs, kFrames * 2);
    EXPECT_EQ(allocations.Count(), 0u);
    EXPECT_TRUE(longer.Silent());
    EXPECT_EQ(strip->OversizedBlocks(), oversized + 1);
}

// Damaged state files, each refused with nothing changed.
TEST(StandaloneAdapter, RefusesDamagedStateBytesAndKeepsItsValues) {
    auto source = MakeStrip();
    source->SetParamValue(kHighPass, 3);
    const std::vector<uint8_t> good = source->StateBytes();
    ASSERT_EQ(good.size(), 100u);

    // good with the value of parameter index replaced.
    auto withValue = [&](int index, double value) {
        std::vector<uint8_t> bytes = good;
        const auto raw = std::bit_cast<std::array<uint8_t, sizeof(double)>>(value);
        const std::size_t at = bytes.size() - (kNumChannelParams - index) * sizeof(double);
        for (std::size_t i = 0; i < raw.size(); ++i) bytes.at(at + i) = raw[i];
        return bytes;
    };
    const std::vector<uint8_t> notANumber = withValue(kOversampling, std::nan(""));
    const std::vector<uint8_t> infinite = withValue(kMicPre, INFINITY);
    struct Case {
        const char* fault;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {{"empty", {}},
                          {"truncated", std::vector<uint8_t>(good.begin(), good.end() - 1)},
                          {"too long",
                           [&] {
                               auto longer = good;
                               longer.push_back(0);
                               return longer;
                           }()},
                          {"value no number", notANumber},
                          {"value infinite", infinite}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        auto strip = MakeStrip();
        strip->SetParamValue(kPreampGain, 5.0);
        const std::vector<uint8_t> before = strip->StateBytes();
        std::string why;
        EXPECT_EQ(strip->LoadStateBytes(c.bytes, &why), StateLoad::Damaged);
        EXPECT_FALSE(why.empty());
        EXPECT_EQ(strip->StateBytes(), before);
    }
    auto strip = MakeStrip();
    EXPECT_EQ(strip->LoadStateBytes(good, nullptr), StateLoad::Loaded);
    EXPECT_EQ(strip->GetParam(kHighPass)->GetValue(), 3.0);
}

}  // namespace
