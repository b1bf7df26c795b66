// tarnwhistle-jack: Tarnwhistle's strip as a JACK program. What is the
// product's own (its adapter, its presets, its editor) is handed to the
// generic program.
#include <memory>

#include "factory_presets.h"
#include "standalone/standalone_app.h"
#include "tarnwhistle.h"

namespace {

StandaloneProduct TarnwhistleProgram() {
    StandaloneProduct product;
    product.programName = "tarnwhistle-jack";
    product.displayName = "Tarnwhistle";
    product.version = TW_VERSION;
    product.makeAdapter = [](const StandaloneInstanceInfo& info) {
        return std::unique_ptr<StandaloneAdapter>(MakePlug(info));
    };
    for (const FactoryPreset& preset : FactoryPresets()) {
        product.presets.push_back({preset.id, preset.label, FactoryPresetValues(preset)});
    }
    // No editor window in this build: the program runs headless.
    return product;
}

}  // namespace

int main(int argc, char** argv) {
    return RunStandalone(argc, argv, TarnwhistleProgram());
}
