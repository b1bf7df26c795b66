// Feeds arbitrary bytes to the VST3 adapter's setState, as a host restoring
// a damaged project would. Afterwards every parameter must be finite and
// inside its range; a refused stream must have changed nothing, and an
// accepted one must save again as a whole state.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "product/channel_parameters.h"
#include "product/module/vst3/vst3_module.h"

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "vst3 set state fuzzer: %s\n", what);
        std::abort();
    }
}

// Reads the input in pieces of odd sizes; writes append.
class Stream final : public vst3::Stream {
public:
    Stream(const uint8_t* data, std::size_t size) : mBytes(data, data + size) {}
    vst3::Result queryInterface(const vst3::Id, void** object) override {
        *object = nullptr;
        return vst3::kNoInterface;
    }
    uint32_t addRef() override { return 1; }
    uint32_t release() override { return 1; }
    vst3::Result read(void* buffer, int32_t bytes, int32_t* bytesRead) override {
        const std::size_t count = std::min<std::size_t>(
            {static_cast<std::size_t>(std::max(bytes, 0)), mBytes.size() - mAt, std::size_t{37}});
        if (count > 0) std::memcpy(buffer, mBytes.data() + mAt, count);
        mAt += count;
        *bytesRead = static_cast<int32_t>(count);
        return vst3::kResultOk;
    }
    vst3::Result write(void* buffer, int32_t bytes, int32_t* bytesWritten) override {
        const auto* data = static_cast<const uint8_t*>(buffer);
        mBytes.insert(mBytes.end(), data, data + bytes);
        *bytesWritten = bytes;
        return vst3::kResultOk;
    }
    vst3::Result seek(int64_t, int32_t, int64_t*) override { return vst3::kResultFalse; }
    vst3::Result tell(int64_t*) override { return vst3::kResultFalse; }
    const std::vector<uint8_t>& Bytes() const { return mBytes; }

private:
    std::vector<uint8_t> mBytes;
    std::size_t mAt = 0;
};

std::vector<double> Values(VST3Adapter& plugin) {
    std::vector<double> values;
    for (int32_t i = 0; i < plugin.getParameterCount(); ++i) {
        values.push_back(plugin.getParamNormalized(static_cast<vst3::ParamId>(i)));
    }
    return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const VST3ProductDescription product = VST3ProductIdentity();
    VST3Adapter* plugin = MakePlug(VST3InstanceInfo{&product});
    plugin->setParamNormalized(kPreampGain, 0.3);
    plugin->setParamNormalized(kOversampling, 1.0);
    const std::vector<double> before = Values(*plugin);

    Stream stream(data, size);
    const bool accepted = plugin->setState(&stream) == vst3::kResultOk;
    for (int i = 0; i < plugin->NParams(); ++i) {
        const Param& param = *plugin->GetParam(i);
        const double value = param.GetValue();
        Check(std::isfinite(value) && value >= param.Min() && value <= param.Max(),
              "value outside its range");
    }
    if (!accepted) {
        Check(Values(*plugin) == before, "a refused state changed a value");
    } else {
        Stream saved(nullptr, 0);
        Check(plugin->getState(&saved) == vst3::kResultOk, "an accepted state does not save");
        Stream again(saved.Bytes().data(), saved.Bytes().size());
        Check(plugin->setState(&again) == vst3::kResultOk, "a saved state is refused");
    }
    plugin->release();
    return 0;
}
