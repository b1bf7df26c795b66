#pragma once
// The module's plug-in factory (IPluginFactory3): the vendor record and one
// class, the product's audio module (category "Audio Module Class"), which
// is component and controller at once (vst3_adapter.h). The factory lives as
// long as the module; the host's references only count.
//
// Threads: [main]. createInstance may run while other instances process.
#include <atomic>

#include "vst3/vst3_abi.h"
#include "vst3/vst3_adapter.h"
#include "vst3/vst3_description.h"

// The product's constructor: a new object with one reference, or null.
using VST3MakeInstance = VST3Adapter* (*)(const VST3InstanceInfo& info);

class VST3Factory final : public vst3::PluginFactory3 {
public:
    // [main]
    VST3Factory(VST3ProductDescription product, VST3MakeInstance make);
    // [main]
    virtual ~VST3Factory() = default;

    // [any]
    const VST3ProductDescription& Product() const { return mProduct; }

    // [any] FUnknown, IPluginFactory, IPluginFactory2 and IPluginFactory3.
    vst3::Result queryInterface(const vst3::Id iid, void** object) override;
    // [any]
    uint32_t addRef() override;
    // [any] Never below 1: the module owns the factory.
    uint32_t release() override;
    // [main]
    vst3::Result getFactoryInfo(vst3::FactoryInfo* info) override;
    // [main] 1
    int32_t countClasses() override;
    // [main]
    vst3::Result getClassInfo(int32_t index, vst3::ClassInfo* info) override;
    // [main] An instance of the one class answering iid: kInvalidArgument for
    // another class id, kNoInterface for an interface it lacks, kOutOfMemory
    // when it cannot be built.
    vst3::Result createInstance(const char* cid, const char* iid, void** object) override;
    // [main]
    vst3::Result getClassInfo2(int32_t index, vst3::ClassInfo2* info) override;
    // [main]
    vst3::Result getClassInfoUnicode(int32_t index, vst3::ClassInfoW* info) override;
    // [main] Nothing is kept.
    vst3::Result setHostContext(vst3::Unknown* context) override;

private:
    VST3ProductDescription mProduct;
    VST3MakeInstance mMake;
    std::atomic<uint32_t> mReferences{1};
};
