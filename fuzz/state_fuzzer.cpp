// Feeds arbitrary bytes to everything that reads plug-in state from outside:
// LoadState (plain and editor-prefixed layouts), UnserializePresets, and the
// preset and bank file loaders (through a temporary file, for both the opaque
// and the parameter variants). Afterwards every parameter must be finite and
// inside its range, and every preset name terminated inside its field.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/byte_chunk.h"
#include "core/param.h"
#include "state_test_plugin.h"

namespace {

using state_test::EditorStatePlugin;
using state_test::TestPlugin;

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "state fuzzer: %s\n", what);
        std::abort();
    }
}

void CheckPlugin(const TestPlugin& plugin) {
    for (int i = 0; i < plugin.NParams(); ++i) {
        const Param* param = plugin.GetParam(i);
        const double value = param->GetValue();
        Check(std::isfinite(value), "parameter value not finite");
        Check(value >= param->Min() && value <= param->Max(), "parameter value outside its range");
        const double norm = param->GetNorm();
        Check(std::isfinite(norm) && norm >= 0.0 && norm <= 1.0, "normalised value outside 0..1");
    }
    for (int i = 0; i < plugin.PresetCount(); ++i) {
        Check(strnlen(plugin.GetPreset(i)->name, kMaxPresetNameChars + 1) <= kMaxPresetNameChars,
              "preset name not terminated");
    }
    Check(plugin.CurrentPresetIndex() >= 0, "negative current preset");
}

// One file per fuzzing process, written and removed for every input (the
// fuzzer may end the process without running exit handlers). Kept in memory
// (/dev/shm) when possible: truncating a disk file flushes it, which costs
// milliseconds per input.
const std::string& ScratchPath() {
    static const std::string path = [] {
        const char* folder = std::getenv("TMPDIR");
        std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm"
                           : folder != nullptr && folder[0] != '\0' ? folder
                                                                    : "/tmp";
        std::string name = base + "/state_fuzzer_" + std::to_string(getpid()) + ".bin";
        return name;
    }();
    return path;
}

bool WriteScratch(const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(ScratchPath().c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteChunk chunk;
    chunk.PutBytes(data, static_cast<int>(size > 1 << 20 ? 1 << 20 : size));

    {
        TestPlugin plugin;
        plugin.LoadState(chunk, 0);
        CheckPlugin(plugin);
        plugin.UnserializePresets(chunk, 0);
        CheckPlugin(plugin);
        ByteChunk again;
        plugin.SerializePresets(again);
    }
    {
        EditorStatePlugin plugin;
        plugin.LoadState(chunk, 0);
        CheckPlugin(plugin);
        plugin.UnserializePresets(chunk, 0);
        CheckPlugin(plugin);
    }

    if (WriteScratch(data, size)) {
        for (const bool stateChunks : {false, true}) {
            TestPlugin plugin(stateChunks);
            plugin.LoadPresetFile(ScratchPath().c_str());
            CheckPlugin(plugin);
            plugin.LoadBankFile(ScratchPath().c_str());
            CheckPlugin(plugin);
        }
        std::remove(ScratchPath().c_str());
    }
    return 0;
}
