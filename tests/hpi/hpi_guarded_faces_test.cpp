// The faces the host holds: every entry called while each allocation on the
// thread fails answers a code instead of throwing into the host, and leaves
// the parameters and the state as they were.
#include "hpi/hpi_guarded_faces.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "product/module/hpi/hpi_module.h"
#include "hpi/sdk/hpi_chunk.h"

namespace {

constexpr int32_t kChunkCapacity = 4096;

// The module's effect-parameters face on the product, initialised without a
// host: the fake host's own bookkeeping allocates, and only the plug-in's
// allocations are to fail here.
struct Face {
    Face() : parameters(HPI_Ref<HPI_IEffectParameters>::Query(HPICreateEffectParameters())) {
        parameters->Release();  // the query's reference is the one kept
        EXPECT_EQ(parameters->Initialize(nullptr), HPI_SUCCESS);
        parameters->GetChunkIDFromIndex(0, &chunkID);
    }
    ~Face() { parameters->Uninitialize(); }

    std::vector<unsigned char> Chunk() {
        std::vector<unsigned char> record(sizeof(HPI_SChunkHeader) + kChunkCapacity);
        auto* header = reinterpret_cast<HPI_SChunkHeader*>(record.data());
        header->mSize = kChunkCapacity;
        header->mChunkID = chunkID;
        EXPECT_EQ(parameters->GetChunk(chunkID, header), HPI_SUCCESS);
        record.resize(sizeof(HPI_SChunkHeader) + static_cast<std::size_t>(header->mSize));
        return record;
    }

    std::vector<double> Values() {
        int32_t count = 0;
        parameters->GetNumberOfParameters(&count);
        std::vector<double> values;
        for (int32_t i = 0; i < count; ++i) {
            char id[32] = {};
            double value = -1.0;
            parameters->GetParameterIDFromIndex(i, id, sizeof id);
            parameters->GetParameterNormalizedValue(id, &value);
            values.push_back(value);
        }
        return values;
    }

    HPI_Ref<HPI_IEffectParameters> parameters;
    uint32_t chunkID = 0;
};

struct Entry {
    const char* name;
    std::function<HPI_Result(Face&)> call;
    HPI_Result answer;  // under failing allocation: the guard's code where the work allocates
};

TEST(HpiGuardedFaces, EveryEntryAnswersACodeAndKeepsTheStateWhenAllocationFails) {
    // A chunk of another setting, so a restore that went through would show.
    std::vector<unsigned char> otherState;
    {
        Face other;
        other.parameters->UpdateParameterNormalizedValue("1", 0.75);
        other.parameters->UpdateParameterNormalizedValue("3", 1.0);
        otherState = other.Chunk();
    }
    char text[64];
    const Entry kEntries[] = {
        {"Initialize", [](Face& f) { return f.parameters->Initialize(nullptr); },
         kHPI_GuardedCallFailure},
        {"SetChunk",
         [&](Face& f) {
             return f.parameters->SetChunk(
                 f.chunkID, reinterpret_cast<const HPI_SChunkHeader*>(otherState.data()));
         },
         kHPI_GuardedCallFailure},
        {"GetChunk",
         [](Face& f) {
             alignas(HPI_SChunkHeader) unsigned char
                 record[sizeof(HPI_SChunkHeader) + kChunkCapacity] = {};
             auto* header = reinterpret_cast<HPI_SChunkHeader*>(record);
             header->mSize = kChunkCapacity;
             return f.parameters->GetChunk(f.chunkID, header);
         },
         kHPI_GuardedCallFailure},
        {"GetChunkSize",
         [](Face& f) {
             int32_t size = 0;
             return f.parameters->GetChunkSize(f.chunkID, &size);
         },
         kHPI_GuardedCallFailure},
        {"CompareActiveChunk",
         [&](Face& f) {
             bool equal = false;
             return f.parameters->CompareActiveChunk(
                 reinterpret_cast<const HPI_SChunkHeader*>(otherState.data()), &equal);
         },
         kHPI_GuardedCallFailure},
        {"UpdateParameterNormalizedValue",
         [](Face& f) { return f.parameters->UpdateParameterNormalizedValue("1", 0.9); },
         HPI_SUCCESS},
        {"SetParameterNormalizedValue",
         [](Face& f) { return f.parameters->SetParameterNormalizedValue("1", 0.9); }, HPI_SUCCESS},
        {"TouchParameter", [](Face& f) { return f.parameters->TouchParameter("1"); }, HPI_SUCCESS},
        {"GetParameterName",
         [&](Face& f) { return f.parameters->GetParameterName("1", text, sizeof text); },
         HPI_SUCCESS},
        {"GetParameterNameOfLength",
         [&](Face& f) { return f.parameters->GetParameterNameOfLength("1", 4, text, sizeof text); },
         HPI_SUCCESS},
        {"GetParameterStringFromValue",
         [&](Face& f) {
             return f.parameters->GetParameterStringFromValue("1", 0.5, 20, text, sizeof text);
         },
         HPI_SUCCESS},
        {"GetParameterValueString",
         [&](Face& f) { return f.parameters->GetParameterValueString("1", 20, text, sizeof text); },
         HPI_SUCCESS},
        {"GetParameterValueFromString",
         [](Face& f) {
             double value = 0.0;
             return f.parameters->GetParameterValueFromString("1", "6 dB", &value);
         },
         HPI_SUCCESS},
        {"UpdatePackets", [](Face& f) { return f.parameters->UpdatePackets(); },
         kHPI_GuardedCallFailure},
        {"TimerWakeup", [](Face& f) { return f.parameters->TimerWakeup(); }, HPI_SUCCESS},
    };
    for (const Entry& entry : kEntries) {
        SCOPED_TRACE(entry.name);
        Face face;
        const std::vector<unsigned char> chunkBefore = face.Chunk();
        const std::vector<double> valuesBefore = face.Values();
        HPI_Result answer = HPI_SUCCESS;
        {
            test_support::AllocationFailureScope failing;
            answer = entry.call(face);
        }
        EXPECT_EQ(answer, entry.answer) << HPI_ResultName(answer);
        if (answer == kHPI_GuardedCallFailure) {
            EXPECT_EQ(face.Chunk(), chunkBefore);
            EXPECT_EQ(face.Values(), valuesBefore);
        }
    }
}

TEST(HpiGuardedFaces, TheGuiFaceForwardsToTheObjectBehind) {
    HPI_Ref<HPI_IEffectGUI> gui = HPI_Ref<HPI_IEffectGUI>::Query(HPICreateGUI());
    gui->Release();
    test_support::AllocationFailureScope failing;
    EXPECT_EQ(gui->Initialize(nullptr), HPI_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(gui->GetCustomLabel("1", nullptr, 0), HPI_ERROR_NULL_OBJECT);
}

TEST(HpiGuardedFaces, ReleasingTheFaceReleasesTheObjectBehind) {
    const int32_t before = HPI_CUnknown::LiveObjectCount();
    HPI_IUnknown* face = HPICreateEffectParameters();
    ASSERT_NE(face, nullptr);
    EXPECT_GT(HPI_CUnknown::LiveObjectCount(), before);
    face->Release();
    EXPECT_EQ(HPI_CUnknown::LiveObjectCount(), before);
}

}  // namespace
