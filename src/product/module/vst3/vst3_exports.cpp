// The module's three exports: the factory, and the entry and exit every
// Linux host calls around it.
#include "product/module/vst3/vst3_module.h"
#include "vst3/vst3_factory.h"

extern "C" {

__attribute__((visibility("default"))) vst3::PluginFactory* GetPluginFactory() {
    static VST3Factory factory(VST3ProductIdentity(), &MakePlug);
    factory.addRef();
    return &factory;
}

__attribute__((visibility("default"))) bool ModuleEntry(void*) {
    return true;
}

__attribute__((visibility("default"))) bool ModuleExit() {
    return true;
}
}
