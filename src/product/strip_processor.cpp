#include "product/strip_processor.h"

StripProcessor::StripProcessor() : PluginProcessor(TarnwhistleConfig()), mParams(kNumChannelParams) {
    DefineChannelParameters(mParams);
    for (int index = 0; index < kNumChannelParams; ++index) ApplyParamChange(index, mParams, mSettings);
    mMicPre = mParams.GetParam(kMicPre);
}

void StripProcessor::SetParam(int index, double value) {
    Param* param = mParams.GetParam(index);
    if (param == nullptr) return;
    param->SetValue(value);
    ApplyParamChange(index, mParams, mSettings);
}

void StripProcessor::ProcessAudioBlock(double** inputs, double** outputs, int frames) {
    // The base always publishes two buffers per direction once a block size is
    // set; without them no sample is touched, but the block still counts.
    const bool buffers = inputs != nullptr && outputs != nullptr && inputs[0] != nullptr &&
                         inputs[1] != nullptr && outputs[0] != nullptr && outputs[1] != nullptr;
    const int latency = mEngine.ProcessAudioBlock(inputs, outputs, buffers ? frames : 0, SampleRate(),
                                                  mSettings, *mMicPre);
    if (latency != Latency()) ReportLatency(latency);
}

void StripProcessor::ResetProcessing() { mEngine.ResetProcessing(mSettings); }
