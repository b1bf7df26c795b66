#include "hpi/parameters.h"

#include <cstring>

#include "hpi/sdk/hpi_library.h"

HPI_CPluginParameters::HPI_CPluginParameters() = default;

HPI_CPluginParameters::~HPI_CPluginParameters() {
    // Queued changes point at parameters the base deletes.
    mSynchronizedParameters.ForgetQueuedChanges();
}

void HPI_CPluginParameters::StaticRenderAudio(HPI_SRenderContext* const* contexts, HPI_SRenderContext* const* end) {
    if (contexts == nullptr || end == nullptr || end < contexts) {
        return;
    }
    for (HPI_SRenderContext* const* at = contexts; at != end; ++at) {
        HPI_SRenderContext* context = *at;
        if (context == nullptr || context->mPrivateData == nullptr ||
            context->mPrivateData->mEffectParameters == nullptr) {
            continue;
        }
        static_cast<HPI_CPluginParameters*>(context->mPrivateData->mEffectParameters)->RenderContext(context);
    }
}

void HPI_CPluginParameters::RenderContext(HPI_SRenderContext* context) {
    int32_t count = 0;
    // Without a state number nothing counts as reached yet.
    if (context->mStateNumber != nullptr) {
        count = mSynchronizedParameters.TakeDueChanges(*context->mStateNumber);
    }
    RenderAudio(context, mSynchronizedParameters.GatheredPairs(), count);
    mSynchronizedParameters.ReleaseDueChanges();
}

void HPI_CPluginParameters::RenderAudio(HPI_SRenderContext*, HPI_SParameterPair* const*, int32_t) {}

void HPI_CPluginParameters::AddSynchronizedParameter(const HPI_IParameter& parameter) {
    mSynchronizedParameters.RegisterSynchronizedParameter(parameter);
}

HPI_Result HPI_CPluginParameters::Uninitialize() {
    // The waiting changes point at parameters about to be deleted.
    mSynchronizedParameters.ForgetQueuedChanges();
    return HPI_CEffectParameters::Uninitialize();
}

HPI_Result HPI_CPluginParameters::UpdateParameterNormalizedValue(const char* id, double value) {
    const HPI_Result result = HPI_CEffectParameters::UpdateParameterNormalizedValue(id, value);
    if (result == HPI_SUCCESS) {
        if (const HPI_IParameter* parameter = ParameterManager().GetParameter(id)) {
            mSynchronizedParameters.QueueChange(*parameter);
        }
    }
    return result;
}

HPI_Result HPI_CPluginParameters::UpdatePackets() {
    const HPI_Result result = HPI_CEffectParameters::UpdatePackets();
    if (result != HPI_SUCCESS) {
        return result;
    }
    if (Controller() == nullptr) {
        return HPI_ERROR_NULL_OBJECT;
    }
    return mSynchronizedParameters.PostStateNumber(*Controller());
}

HPI_Result HPI_CPluginParameters::TimerWakeup() { return mSynchronizedParameters.ReleaseDelivered(); }

HPI_Result HPI_CPluginParameters::ResetFieldData(int32_t fieldIndex, void* data, uint32_t dataSize) {
    HPI_CEffectParameters::ResetFieldData(fieldIndex, data, dataSize);
    if (fieldIndex == HPI_eRenderField_PrivateData) {
        HPI::Check(dataSize == sizeof(HPI_SPluginPrivateData), "iDataSize == sizeof(HPI_SPluginPrivateData)");
        if (data != nullptr && dataSize >= sizeof(HPI_SPluginPrivateData)) {
            HPI_SPluginPrivateData instance{static_cast<HPI_IEffectParameters*>(this)};
            std::memcpy(data, &instance, sizeof instance);
        }
    }
    return HPI_SUCCESS;
}
