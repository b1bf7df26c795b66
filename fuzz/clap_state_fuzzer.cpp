// Feeds arbitrary bytes to Tarnwhistle's CLAP state loader the way a host
// does: clap_entry, the plug-in factory, one stereo instance and its state
// extension, reading through a stream that gives the bytes in pieces of the
// size the first byte picks. A refused state must leave every value as it
// was; an accepted one must leave every value finite, in range and on its
// steps; either way the instance must still save and process.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "clap/clap_abi.h"

extern "C" const ClapPluginEntry clap_entry;

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "clap state fuzzer: %s\n", what);
        std::abort();
    }
}

const void* NoExtension(const ClapHost*, const char*) {
    return nullptr;
}
void Ignore(const ClapHost*) {}

struct Source {
    const uint8_t* data;
    uint64_t size;
    uint64_t position;
    uint64_t piece;
};

int64_t Read(const ClapInputStream* stream, void* buffer, uint64_t size) {
    auto& source = *static_cast<Source*>(stream->ctx);
    const uint64_t n = std::min({size, source.piece, source.size - source.position});
    std::memcpy(buffer, source.data + source.position, n);
    source.position += n;
    return static_cast<int64_t>(n);
}

int64_t Discard(const ClapOutputStream*, const void*, uint64_t size) {
    return static_cast<int64_t>(size);
}

struct Fixture {
    ClapHost host{};
    const ClapPlugin* plugin = nullptr;
    const ClapPluginParams* params = nullptr;
    const ClapPluginState* state = nullptr;

    Fixture() {
        host.clapVersion = kClapVersion;
        host.name = "clap state fuzzer";
        host.vendor = host.url = "";
        host.version = "1";
        host.getExtension = NoExtension;
        host.requestRestart = host.requestProcess = host.requestCallback = Ignore;
        Check(clap_entry.init("fuzz"), "init failed");
        const auto* factory =
            static_cast<const ClapPluginFactory*>(clap_entry.getFactory(kClapPluginFactoryId));
        plugin = factory->createPlugin(factory, &host, "com.quernstoneworks.tarnwhistle.stereo");
        Check(plugin != nullptr && plugin->init(plugin), "no instance");
        params = static_cast<const ClapPluginParams*>(plugin->getExtension(plugin, kClapExtParams));
        state = static_cast<const ClapPluginState*>(plugin->getExtension(plugin, kClapExtState));
        Check(params != nullptr && state != nullptr, "no params or state extension");
    }

    std::vector<double> Values() const {
        std::vector<double> values;
        for (uint32_t i = 0; i < params->count(plugin); ++i) {
            double value = 0.0;
            params->getValue(plugin, i, &value);
            values.push_back(value);
        }
        return values;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fixture fixture;
    const uint64_t piece = size > 0 ? data[0] % 16 + 1 : 1;
    const std::vector<double> before = fixture.Values();
    Source source{data, size, 0, piece};
    const ClapInputStream stream{&source, Read};
    const bool loaded = fixture.state->load(fixture.plugin, &stream);
    const std::vector<double> after = fixture.Values();
    if (!loaded)
        Check(std::memcmp(before.data(), after.data(), before.size() * 8) == 0,
              "a refused state changed a value");
    for (uint32_t i = 0; i < after.size(); ++i) {
        ClapParamInfo info{};
        fixture.params->getInfo(fixture.plugin, i, &info);
        Check(std::isfinite(after[i]) && after[i] >= info.minValue && after[i] <= info.maxValue,
              "a value outside its range");
        if ((info.flags & kClapParamIsStepped) != 0)
            Check(after[i] == std::floor(after[i]), "a stepped value off its steps");
    }
    const ClapOutputStream sink{nullptr, Discard};
    Check(fixture.state->save(fixture.plugin, &sink), "the state no longer saves");
    return 0;
}
