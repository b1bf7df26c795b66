#pragma once
// The framework's effect-parameters object: HPI_CEffectParameters plus the
// render procedure registered with every component, the field
// initialisation that stores the instance in the render context's private
// block, and synchronized parameters (changes the render thread takes at the
// point of the host's timeline where they were made).
//
// Per render context the render procedure finds the instance in field 23,
// takes the synchronized changes that are due (state number of field 25),
// calls RenderAudio with them and hands them back for deletion on the main
// thread (TimerWakeup).
#include <cstdint>

#include "hpi/hpi_effect_parameters.h"
#include "hpi/sdk/hpi_render.h"
#include "hpi/sdk/hpi_synchronized_parameters.h"

class HPI_CPluginParameters : public HPI_CEffectParameters {
public:
    // [main]
    HPI_CPluginParameters();
    // [main]
    ~HPI_CPluginParameters() override;

    // [audio] The render procedure: every context in [contexts, end) in order.
    // A null array, a null context and a context whose private block holds no
    // instance are skipped.
    static void StaticRenderAudio(HPI_SRenderContext* const* contexts, HPI_SRenderContext* const* end);

    // [main] Drops waiting synchronized changes, then the base's work.
    HPI_Result Uninitialize() override;
    // [main] Runs the plain update, then queues the change when the
    // parameter is synchronized.
    HPI_Result UpdateParameterNormalizedValue(const char* id, double value) override;
    // [main] Posts the dirty packets, then the next state number (field 25).
    HPI_Result UpdatePackets() override;
    // [main] Deletes what the render thread has finished with.
    HPI_Result TimerWakeup() override;
    // [main] Zero-fills the block; for field 23 stores this object in it
    // (reported when the block is not 8 bytes; nothing is stored in a block
    // smaller than a pointer).
    HPI_Result ResetFieldData(int32_t fieldIndex, void* data, uint32_t dataSize) override;

protected:
    // [audio] One render context with the synchronized changes due for it.
    // Default: nothing.
    virtual void RenderAudio(HPI_SRenderContext* context, HPI_SParameterPair* const* changes, int32_t count);

    // [main] Delivers the parameter's changes through the state numbers.
    void AddSynchronizedParameter(const HPI_IParameter& parameter);
    HPI_CSynchronizedParameters& SynchronizedParameters() { return mSynchronizedParameters; }

private:
    void RenderContext(HPI_SRenderContext* context);

    HPI_CSynchronizedParameters mSynchronizedParameters;
};
