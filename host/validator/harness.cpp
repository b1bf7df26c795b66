#include "harness.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <thread>

namespace hpihost::validation {

std::vector<double> Rates(bool strict) {
    std::vector<double> rates = kRates;
    if (strict) {
        rates.insert(rates.end(), kStrictExtraRates.begin(), kStrictExtraRates.end());
        std::sort(rates.begin(), rates.end());
    }
    return rates;
}

// --- session ---------------------------------------------------------------------------------

bool Session::Open(const std::string& modulePath, LoadResult* failure) {
    const LoadResult loaded = mHost.Load(modulePath);
    if (loaded.mStatus != LoadStatus::Ok) {
        *failure = loaded;
        return false;
    }
    for (const ComponentDescription& component : mHost.Effect().mComponents) {
        mComponents.push_back(&component);
    }
    const ComponentDescription* stereo = mHost.Effect().ComponentForChannels(2);
    mMain = stereo != nullptr ? stereo : mComponents.front();
    std::string problem;
    if (auto instance = Make(*mMain, kSessionRate, &problem)) {
        mParameters = instance->ListParameters();
    }
    return true;
}

std::unique_ptr<PluginInstance> Session::Make(const ComponentDescription& component, double rate,
                                              std::string* problem, int32_t maxBlock) {
    std::string message;
    HPI_Result code = HPI_SUCCESS;
    auto instance =
        mHost.CreateInstance(component, static_cast<float>(rate), maxBlock, &message, &code);
    if (!instance && problem != nullptr) {
        *problem = Format("cannot create a %s instance at %s: %s", LayoutName(component).c_str(),
                          RateText(rate).c_str(), message.c_str());
    }
    return instance;
}

std::string Session::ParameterName(const std::string& id) const {
    for (const ParameterInfo& p : mParameters) {
        if (p.mID == id) {
            return "\"" + p.mName + "\"";
        }
    }
    return "\"" + id + "\"";
}

std::vector<double> Session::Randomize(PluginInstance& instance, Random& random,
                                       bool corners) const {
    std::vector<double> values;
    for (const ParameterInfo& p : mParameters) {
        values.push_back(corners ? (random.Chance(0.5) ? 1.0 : 0.0) : random.Normalized());
        instance.Update(p.mID, values.back());
    }
    return values;
}

void Session::Apply(PluginInstance& instance, const std::vector<double>& values) const {
    for (std::size_t i = 0; i < values.size() && i < mParameters.size(); ++i) {
        instance.Update(mParameters[i].mID, values[i]);
    }
}

std::string Session::CheckParameters(PluginInstance& instance) const {
    for (const ParameterInfo& p : mParameters) {
        double value = 0.0;
        const HPI_Result result =
            instance.Parameters()->GetParameterNormalizedValue(p.mID.c_str(), &value);
        if (result != HPI_SUCCESS) {
            return Format("%s answered %d reading its value", ParameterName(p.mID).c_str(), result);
        }
        if (!std::isfinite(value) || value < 0.0 || value > 1.0) {
            return Format("%s holds the normalised value %g", ParameterName(p.mID).c_str(), value);
        }
    }
    const HostInstanceObject& object = instance.Object();
    if (object.InvalidValuesPosted() > 0 && object.FirstInvalidValue()) {
        const AutomationRecord& record = *object.FirstInvalidValue();
        return Format("the plug-in posted %zu invalid value(s) to the host, first %g for %s",
                      object.InvalidValuesPosted(), record.mValue,
                      ParameterName(record.mID).c_str());
    }
    return "";
}

std::unique_ptr<PluginInstance> Session::MakeWithChunk(const std::string& name,
                                                       CheckResult* refusal) {
    std::string problem;
    auto instance = Make(*mMain, kSessionRate, &problem);
    if (!instance) {
        *refusal = Failed(name, problem);
        return nullptr;
    }
    uint32_t chunkID = 0;
    if (instance->ChunkID(&chunkID) != HPI_SUCCESS) {
        *refusal = Skipped(name, "the plug-in offers no state chunk");
        return nullptr;
    }
    return instance;
}

// --- signals and rendering -------------------------------------------------------------------

Signal Noise(Random& random, int channels, int64_t frames, float amplitude) {
    Signal signal(static_cast<std::size_t>(channels),
                  std::vector<float>(static_cast<std::size_t>(frames)));
    for (auto& channel : signal) {
        for (float& sample : channel) {
            sample = static_cast<float>(random.Uniform(-amplitude, amplitude));
        }
    }
    return signal;
}

std::vector<int32_t> BlockPlan(Random& random, int32_t block, int32_t largest, std::size_t count) {
    if (block > 0) {
        return {block};
    }
    std::vector<int32_t> plan(count);
    for (int32_t& size : plan) {
        size = static_cast<int32_t>(random.Integer(1, largest));
    }
    return plan;
}

std::string BlockPlanName(int32_t block) {
    return block == 0 ? "random" : std::to_string(block);
}

SignalRenderer::SignalRenderer(PluginInstance& instance) : mBlocks(instance) {}

void SignalRenderer::Block(const Signal& input, int64_t inputAt, int32_t frames, int64_t position,
                           bool probed) {
    float* const* inputs = mBlocks.Inputs();
    const int channels = std::max(mBlocks.Instance().InputChannels(), 0);
    for (int c = 0; c < channels; ++c) {
        const std::vector<float>* source = static_cast<std::size_t>(c) < input.size()
                                               ? &input[static_cast<std::size_t>(c)]
                                               : nullptr;
        const int64_t available =
            source != nullptr ? static_cast<int64_t>(source->size()) - inputAt : 0;
        const auto copied = static_cast<int32_t>(std::clamp<int64_t>(available, 0, frames));
        if (copied > 0) {
            std::copy_n(source->begin() + inputAt, copied, inputs[c]);
        }
        std::fill(inputs[c] + copied, inputs[c] + frames, 0.0f);
    }
    mBlocks.Render(frames, frames, position, probed);
}

void SignalRenderer::All(const Signal& input, int64_t frames, const std::vector<int32_t>& plan,
                         Signal& output) {
    const Signal& out = mBlocks.Output();
    output.assign(out.size(), std::vector<float>(static_cast<std::size_t>(frames)));
    int64_t position = 0;
    for (std::size_t i = 0; position < frames; ++i) {
        const auto size =
            static_cast<int32_t>(std::min<int64_t>(plan[i % plan.size()], frames - position));
        Block(input, position, size, position);
        for (std::size_t c = 0; c < out.size(); ++c) {
            std::copy(out[c].begin(), out[c].begin() + size, output[c].begin() + position);
        }
        position += size;
    }
}

const Signal& SignalRenderer::Output() const {
    return mBlocks.Output();
}

void WithRenderThread(HostRunLoop& loop,
                      const std::function<void(const std::atomic<bool>& stop)>& render,
                      const std::function<void()>& main) {
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
    std::thread thread([&] {
        render(stop);
        done.store(true);
        loop.Wake();
    });
    if (main) {
        main();
    }
    stop.store(true);
    while (!done.load()) {
        loop.RunOnce(5);
    }
    thread.join();
    loop.RunPosted();
}

// --- faults ----------------------------------------------------------------------------------

std::string FindFault(const Signal& output, int64_t frames, bool subnormals) {
    for (std::size_t c = 0; c < output.size(); ++c) {
        const std::size_t count =
            std::min<std::size_t>(output[c].size(), static_cast<std::size_t>(frames));
        for (std::size_t i = 0; i < count; ++i) {
            const float x = output[c][i];
            const char* what = nullptr;
            if (std::isnan(x)) {
                what = "NaN";
            } else if (std::isinf(x)) {
                what = x > 0 ? "+inf" : "-inf";
            } else if (subnormals && std::fpclassify(x) == FP_SUBNORMAL) {
                what = "subnormal";
            } else if (std::fabs(x) >= kOutputBound) {
                what = "out of bounds";
            }
            if (what != nullptr) {
                return Format("%s (%g) at frame %zu of channel %zu", what, static_cast<double>(x),
                              i, c);
            }
        }
    }
    return "";
}

bool SameBits(const Signal& a, const Signal& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t c = 0; c < a.size(); ++c) {
        if (a[c].size() != b[c].size() ||
            std::memcmp(a[c].data(), b[c].data(), a[c].size() * sizeof(float)) != 0) {
            return false;
        }
    }
    return true;
}

// --- texts -----------------------------------------------------------------------------------

std::string Format(const char* format, ...) {
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

std::string Millions(int64_t count) {
    return Format("%.2f M", static_cast<double>(count) / 1e6);
}

std::string RateText(double rate) {
    return Format("%g Hz", rate);
}

std::string LayoutName(const ComponentDescription& component) {
    const int in = component.InputChannels();
    const int out = component.OutputChannels();
    auto word = [](int channels) {
        return channels == 1   ? std::string("mono")
               : channels == 2 ? std::string("stereo")
                               : std::to_string(channels) + " ch";
    };
    return in == out ? word(out) : word(in) + "->" + word(out);
}

std::string Join(const std::vector<std::string>& parts, const char* separator) {
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : separator) + part;
    }
    return text;
}

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

CheckResult Passed(const std::string& name, const std::string& summary) {
    return CheckResult{name, CheckStatus::Pass, summary, 0.0};
}
CheckResult Failed(const std::string& name, const std::string& summary) {
    return CheckResult{name, CheckStatus::Fail, summary, 0.0};
}
CheckResult Skipped(const std::string& name, const std::string& summary) {
    return CheckResult{name, CheckStatus::Skip, summary, 0.0};
}

}  // namespace hpihost::validation
