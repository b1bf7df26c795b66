#include "vst3/vst3_factory.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "vst3/vst3_strings.h"

namespace {

// Copies text into a fixed field, cut and always terminated.
template <std::size_t N>
void CopyField(const std::string& text, char (&field)[N]) {
    const std::size_t length = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), length);
    field[length] = 0;
}

template <std::size_t N>
void CopyField16(const std::string& text, vst3::Char16 (&field)[N]) {
    static_assert(N <= 128);
    vst3::String128 wide{};
    CopyToString128(text.c_str(), wide);
    std::memcpy(field, wide, sizeof field);
    field[N - 1] = 0;
}

}  // namespace

VST3Factory::VST3Factory(VST3ProductDescription product, VST3MakeInstance make)
    : mProduct(std::move(product)), mMake(make) {}

vst3::Result VST3Factory::queryInterface(const vst3::Id iid, void** object) {
    if (object == nullptr) {
        return vst3::kInvalidArgument;
    }
    if (vst3::SameId(iid, vst3::kUnknownId) || vst3::SameId(iid, vst3::kPluginFactoryId) ||
        vst3::SameId(iid, vst3::kPluginFactory2Id) || vst3::SameId(iid, vst3::kPluginFactory3Id)) {
        *object = static_cast<vst3::PluginFactory3*>(this);
        addRef();
        return vst3::kResultOk;
    }
    *object = nullptr;
    return vst3::kNoInterface;
}

uint32_t VST3Factory::addRef() {
    return mReferences.fetch_add(1, std::memory_order_relaxed) + 1;
}

uint32_t VST3Factory::release() {
    // Never below the module's own reference: the factory is a static.
    uint32_t count = mReferences.load(std::memory_order_relaxed);
    while (count > 1 && !mReferences.compare_exchange_weak(count, count - 1)) {
    }
    return count > 1 ? count - 1 : 1;
}

vst3::Result VST3Factory::getFactoryInfo(vst3::FactoryInfo* info) {
    if (info == nullptr) {
        return vst3::kInvalidArgument;
    }
    *info = vst3::FactoryInfo{};
    CopyField(mProduct.vendor, info->vendor);
    CopyField(mProduct.url, info->url);
    CopyField(mProduct.email, info->email);
    info->flags = vst3::FactoryInfo::kUnicode;
    return vst3::kResultOk;
}

int32_t VST3Factory::countClasses() {
    return 1;
}

vst3::Result VST3Factory::getClassInfo(int32_t index, vst3::ClassInfo* info) {
    if (index != 0 || info == nullptr) {
        return vst3::kInvalidArgument;
    }
    *info = vst3::ClassInfo{};
    std::memcpy(info->cid, mProduct.classId.bytes, sizeof info->cid);
    info->cardinality = vst3::kManyInstances;
    CopyField(vst3::kAudioModuleClass, info->category);
    CopyField(mProduct.className, info->name);
    return vst3::kResultOk;
}

vst3::Result VST3Factory::getClassInfo2(int32_t index, vst3::ClassInfo2* info) {
    if (index != 0 || info == nullptr) {
        return vst3::kInvalidArgument;
    }
    *info = vst3::ClassInfo2{};
    std::memcpy(info->cid, mProduct.classId.bytes, sizeof info->cid);
    info->cardinality = vst3::kManyInstances;
    CopyField(vst3::kAudioModuleClass, info->category);
    CopyField(mProduct.className, info->name);
    info->classFlags = 0;
    CopyField(mProduct.subCategories, info->subCategories);
    CopyField(mProduct.vendor, info->vendor);
    CopyField(mProduct.version, info->version);
    CopyField(mProduct.sdkVersion, info->sdkVersion);
    return vst3::kResultOk;
}

vst3::Result VST3Factory::getClassInfoUnicode(int32_t index, vst3::ClassInfoW* info) {
    if (index != 0 || info == nullptr) {
        return vst3::kInvalidArgument;
    }
    *info = vst3::ClassInfoW{};
    std::memcpy(info->cid, mProduct.classId.bytes, sizeof info->cid);
    info->cardinality = vst3::kManyInstances;
    CopyField(vst3::kAudioModuleClass, info->category);
    CopyField16(mProduct.className, info->name);
    info->classFlags = 0;
    CopyField(mProduct.subCategories, info->subCategories);
    CopyField16(mProduct.vendor, info->vendor);
    CopyField16(mProduct.version, info->version);
    CopyField16(mProduct.sdkVersion, info->sdkVersion);
    return vst3::kResultOk;
}

vst3::Result VST3Factory::createInstance(const char* cid, const char* iid, void** object) {
    if (object == nullptr) {
        return vst3::kInvalidArgument;
    }
    *object = nullptr;
    if (iid == nullptr || !vst3::SameId(cid, mProduct.classId)) {
        return vst3::kInvalidArgument;
    }
    VST3Adapter* instance = nullptr;
    try {
        instance = mMake(VST3InstanceInfo{&mProduct});
    } catch (const std::bad_alloc&) {
        return vst3::kOutOfMemory;
    }
    if (instance == nullptr) {
        return vst3::kOutOfMemory;
    }
    const vst3::Result result =
        instance->queryInterface(reinterpret_cast<const uint8_t*>(iid), object);
    // The creation reference; the host's, if any, remains.
    instance->release();
    return result;
}

vst3::Result VST3Factory::setHostContext(vst3::Unknown*) {
    return vst3::kResultOk;
}
