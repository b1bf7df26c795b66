#pragma once
// The render context: what the host hands the plug-in's render procedure for
// every block of every instance, and the nodes reachable from it.
//
// A component declares its fields at registration (HPI_IComponentDescriptor);
// the host then keeps one HPI_SRenderContext per instance, points every
// declared field at its data and calls the plug-in's field initialisation
// (HPI_IEffectParameters::ResetFieldData) for each private-data field before
// the first render. Undeclared fields are null.
#include <cstddef>
#include <cstdint>

#include "hpi/sdk/hpi_types.h"

class HPI_IEffectParameters;
class HPI_ITransport;

// Field numbers of the render context.
enum HPI_ERenderField : int32_t {
    HPI_eRenderField_AudioIn = 0,
    HPI_eRenderField_AudioOut = 1,
    HPI_eRenderField_BufferLength = 2,
    HPI_eRenderField_SampleLocation = 3,
    HPI_eRenderField_InputMIDINode = 4,
    HPI_eRenderField_OutputMIDINode = 5,
    HPI_eRenderField_GlobalMIDINode = 6,
    HPI_eRenderField_TransportNode = 7,
    HPI_eRenderField_AdditionalInputMIDINode0 = 8,  // up to 22
    HPI_eRenderField_PrivateData = 23,
    HPI_eRenderField_Meters = 24,
    HPI_eRenderField_StateNumber = 25,
    HPI_eRenderField_SideChainIndex = 26,
    HPI_eRenderField_Count = 27,
};

// Most additional input MIDI nodes a component declares (fields 8..22).
constexpr int32_t kMaxAdditionalMIDINodes = 15;

// One MIDI event as a node carries it, 16 bytes.
struct HPI_SMIDIPacket {
    uint32_t mTimestamp;     // sample offset within the block
    uint32_t mLength;        // bytes used in mData, 1..4
    uint8_t mData[4];
    uint8_t mIsImmediate;    // 1: deliver at once, not scheduled
    uint8_t mReserved[3];
};
static_assert(sizeof(HPI_SMIDIPacket) == 16);
static_assert(offsetof(HPI_SMIDIPacket, mIsImmediate) == 12);

// The packets an input node received for the current block.
struct HPI_SMIDIStream {
    uint32_t mBufferSize;       // number of packets
    HPI_SMIDIPacket* mBuffer;   // mBufferSize packets, ordered by timestamp
};

// A MIDI node of the render context; host-owned, valid during the render call.
class HPI_IMIDINode {
public:
    // [audio] Input nodes: the packets of this block (never null; count 0 when none).
    // Output nodes answer an empty stream.
    virtual const HPI_SMIDIStream* GetNodeBuffer() = 0;
    // [audio] Output nodes: queues one packet for the host, 0 on success,
    // HPI_ERROR_FIFO_FULL when the host's queue is full. Input nodes answer
    // HPI_ERROR_UNIMPLEMENTED.
    virtual HPI_Result PostMIDIPacket(const HPI_SMIDIPacket& packet) = 0;

protected:
    ~HPI_IMIDINode() = default;
};

// The transport node; host-owned, valid during the render call.
class HPI_ITransportNode {
public:
    // [audio] The host transport (no new reference; valid during this render call).
    virtual HPI_ITransport* GetTransport() = 0;

protected:
    ~HPI_ITransportNode() = default;
};

// The 8-byte private block of field 23: the plug-in stores its instance
// there in its field initialisation call. The host only allocates it.
struct HPI_SPluginPrivateData {
    HPI_IEffectParameters* mEffectParameters;
};
static_assert(sizeof(HPI_SPluginPrivateData) == 8);

// One render context: 27 pointer-sized fields. A node field that was
// declared as private data instead of a node points to that private block.
struct HPI_SRenderContext {
    float** mInputs;                          // 0: one pointer per input channel
    float** mOutputs;                         // 1: one pointer per output channel
    int32_t* mNumSamples;                     // 2: frames of this call
    int64_t* mSampleLocation;                 // 3: timeline position of the block's first frame
    HPI_IMIDINode* mInputNode;                // 4
    HPI_IMIDINode* mOutputNode;               // 5
    HPI_IMIDINode* mGlobalNode;               // 6
    HPI_ITransportNode* mTransportNode;       // 7
    HPI_IMIDINode* mAdditionalInputNodes[kMaxAdditionalMIDINodes];  // 8..22
    HPI_SPluginPrivateData* mPrivateData;     // 23
    float* mMeters;                           // 24: one value per declared meter, written by the plug-in
    int64_t* mStateNumber;                    // 25: last state number the render has reached
    int32_t* mSideChainIndex;                 // 26: input channel of the side chain, 0 for none
};
static_assert(sizeof(HPI_SRenderContext) == HPI_eRenderField_Count * sizeof(void*));
static_assert(offsetof(HPI_SRenderContext, mPrivateData) == HPI_eRenderField_PrivateData * sizeof(void*));
static_assert(offsetof(HPI_SRenderContext, mStateNumber) == HPI_eRenderField_StateNumber * sizeof(void*));

// [audio] The plug-in's render procedure: renders the contexts [contexts, end), one
// per instance, in order. A context whose private block holds no instance is
// skipped.
using HPI_RenderProc = void (*)(HPI_SRenderContext* const* contexts, HPI_SRenderContext* const* end);
