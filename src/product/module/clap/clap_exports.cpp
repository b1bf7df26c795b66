// The module's one export: the CLAP entry, answering the plug-in factory and
// the preset-discovery factory. Both are built on first use; init and deinit
// have nothing to set up or tear down, so repeated or unmatched calls are
// harmless.
#include <cstring>

#include "clap/clap_abi.h"
#include "clap/clap_plugin_table.h"
#include "clap/clap_preset_discovery.h"
#include "core/host_guard.h"
#include "product/module/clap/clap_module.h"

namespace {

const ClapPluginTable& PluginTable() {
    static const ClapPluginTable table(ClapProductIdentity(), &MakePlug);
    return table;
}

const ClapPresetDiscovery& PresetDiscovery() {
    static const ClapPresetDiscovery discovery(ClapProductIdentity());
    return discovery;
}

bool EntryInit(const char*) {
    return true;
}

void EntryDeinit() {}

const void* EntryGetFactory(const char* factoryId) {
    if (factoryId == nullptr) return nullptr;
    return GuardHostCall<const void*>(nullptr, [&]() -> const void* {
        if (std::strcmp(factoryId, kClapPluginFactoryId) == 0) return PluginTable().Factory();
        if (std::strcmp(factoryId, kClapPresetDiscoveryFactoryId) == 0 ||
            std::strcmp(factoryId, kClapPresetDiscoveryFactoryIdCompat) == 0) {
            return PresetDiscovery().Factory();
        }
        return nullptr;
    });
}

}  // namespace

extern "C" {
extern __attribute__((visibility("default"))) const ClapPluginEntry clap_entry;
const ClapPluginEntry clap_entry = {kClapVersion, EntryInit, EntryDeinit, EntryGetFactory};
}
