// Feeds arbitrary chunk records to the product through the host's face
// (HPI_IEffectParameters): set with arbitrary declared sizes and bytes, then
// compare, then get with an arbitrary capacity. Afterwards every parameter is
// finite and in range on both faces (the Param and the host's parameter
// object), and a block renders finite in stereo and in mono.
//
// Input: byte 0 chooses how the declared data size relates to the bytes that
// follow (the host promises the data area holds the declared size, so a size
// beyond the bytes is either padded with zeros, or one the plug-in must refuse
// without reading: negative, above kMaxChunkDataSize, or under another chunk
// identifier); bytes 1-4 give the capacity handed to get; the rest is data.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/byte_chunk.h"
#include "core/param.h"
#include "fake_host.h"
#include "hpi/sdk/hpi_chunk.h"
#include "product/channel_parameters.h"
#include "tarnwhistle.h"

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "chunk fuzzer: %s\n", what);
        std::abort();
    }
}

const uint32_t kChunkID = HPI_FourCharCode("Twh1");

// A chunk record of the host: the header, then `capacity` bytes of data area
// in a heap block of exactly that size, so any read or write past it shows.
struct Record {
    explicit Record(int32_t capacity) : bytes(HPI_ChunkRecordSize(capacity)) {
        Header()->mChunkID = kChunkID;
        Header()->mSize = capacity;
    }
    HPI_SChunkHeader* Header() { return reinterpret_cast<HPI_SChunkHeader*>(bytes.data()); }
    std::vector<unsigned char> bytes;
};

std::vector<unsigned char> StateBytes(const Tarnwhistle& plug) {
    ByteChunk state;
    plug.SaveState(state);
    return std::vector<unsigned char>(state.Data(), state.Data() + state.Size());
}

void CheckParameters(Tarnwhistle& plug) {
    HPI_IEffectParameters& host = plug;
    for (int i = 0; i < plug.NParams(); ++i) {
        const Param& param = *plug.GetParam(i);
        const double value = param.GetValue();
        Check(std::isfinite(value), "parameter value not finite");
        Check(value >= param.Min() && value <= param.Max(), "parameter value outside its range");
        double hostNorm = -1.0;
        Check(host.GetParameterNormalizedValue(plug.ParamIdentifier(i), &hostNorm) == HPI_SUCCESS,
              "host parameter missing");
        Check(std::isfinite(hostNorm) && hostNorm >= 0.0 && hostNorm <= 1.0, "host value outside 0..1");
    }
}

void CheckRender(fake_host::FakeInstance& instance, Tarnwhistle& plug, int channels) {
    instance.inputStem = channels == 1 ? HPI_eStemFormat_Mono : HPI_eStemFormat_Stereo;
    instance.outputStem = instance.inputStem;
    fake_host::RenderContext context(channels, 128, static_cast<HPI_ITransport*>(&instance));
    plug.ResetFieldData(HPI_eRenderField_PrivateData, &context.privateData, sizeof context.privateData);
    for (int block = 0; block < 2; ++block) {
        context.Render(&HPI_CPluginParameters::StaticRenderAudio);
        for (const auto& channel : context.outputs) {
            for (float sample : channel) {
                Check(std::isfinite(sample), "rendered sample not finite");
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) {
        return 0;
    }
    const uint8_t mode = data[0] % 5;
    int32_t getCapacity = 0;
    std::memcpy(&getCapacity, data + 1, sizeof getCapacity);
    const uint8_t* payload = data + 5;
    const auto payloadSize = static_cast<int32_t>(std::min<size_t>(size - 5, 1 << 16));

    fake_host::FakeInstance instance;
    Tarnwhistle* plug = static_cast<Tarnwhistle*>(MakePlug(InstanceInfo{}));
    instance.answerRequests = plug;
    HPI_IEffectParameters& host = *plug;
    host.Initialize(static_cast<HPI_IController*>(&instance));
    const std::vector<unsigned char> before = StateBytes(*plug);

    // Set: the record holds the payload (padded when mode 1 declares more).
    const int32_t padding = mode == 1 ? (payloadSize > 0 ? payload[0] : 0) + 1 : 0;
    Record record(payloadSize + padding);
    if (payloadSize > 0) {
        std::memcpy(HPI_ChunkData(record.Header()), payload, static_cast<size_t>(payloadSize));
    }
    bool refused = true;
    uint32_t setID = kChunkID;
    switch (mode) {
        case 0:
        case 1:
            refused = false;
            break;
        case 2:  // negative size
            record.Header()->mSize = -1 - (payloadSize > 0 ? payload[0] : 0);
            break;
        case 3:  // larger than any state the plug-in reads
            record.Header()->mSize = kMaxChunkDataSize + 1 + (payloadSize > 0 ? payload[0] * 1000 : 0);
            break;
        case 4:  // another chunk's identifier
            setID = kChunkID ^ (payloadSize > 0 ? payload[0] | 1u : 1u);
            break;
    }
    const HPI_Result setResult = host.SetChunk(setID, record.Header());
    Check((setResult == HPI_SUCCESS) == !refused, "set chunk answer");
    if (refused) {
        Check(StateBytes(*plug) == before, "a refused chunk changed the state");
    }
    CheckParameters(*plug);

    // Compare the same record against the live state; a refused size reads nothing.
    bool equal = false;
    const HPI_Result compareResult = host.CompareActiveChunk(record.Header(), &equal);
    Check(compareResult == HPI_SUCCESS || compareResult == HPI_ERROR_INCORRECT_CHUNK_SIZE, "compare answer");

    // Get into a record of an arbitrary capacity.
    const std::vector<unsigned char> state = StateBytes(*plug);
    const int32_t capacity = getCapacity >= 0 ? getCapacity % 300 : getCapacity;
    Record out(capacity);
    out.Header()->mSize = capacity;
    const HPI_Result getResult = host.GetChunk(kChunkID, out.Header());
    if (capacity >= static_cast<int32_t>(state.size())) {
        Check(getResult == HPI_SUCCESS, "get chunk refused a large enough record");
        Check(out.Header()->mSize == static_cast<int32_t>(state.size()), "get chunk size");
        Check(std::memcmp(HPI_ChunkData(out.Header()), state.data(), state.size()) == 0, "get chunk data");
    } else {
        Check(getResult == HPI_ERROR_INCORRECT_CHUNK_SIZE, "get chunk into a short record");
    }

    CheckRender(instance, *plug, 2);
    CheckRender(instance, *plug, 1);
    CheckParameters(*plug);

    host.Uninitialize();
    host.Release();
    return 0;
}
