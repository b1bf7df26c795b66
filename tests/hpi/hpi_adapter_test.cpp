// The adapter's parameter bridge and state chunk as the host sees them.
#include "hpi/hpi_adapter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "fake_host.h"
#include "test_plugins.h"

namespace {

using test_plugins::InitialisedTestPlug;
using test_plugins::TestPlug;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
const uint32_t kTestChunkID = HPI_FourCharCode("Tst1");

std::string Text(HPI_IEffectParameters& p, HPI_Result (HPI_IEffectParameters::*get)(const char*, char*, int32_t),
                 const char* id) {
    char text[64] = "unchanged";
    (p.*get)(id, text, sizeof text);
    return text;
}

std::string ValueString(HPI_IEffectParameters& p, const char* id, int32_t maxChars = 32) {
    char text[64] = "unchanged";
    p.GetParameterValueString(id, maxChars, text, sizeof text);
    return text;
}

class AdapterParameters : public testing::Test {
protected:
    TestPlug& Plug() { return *mSetup.plug; }
    fake_host::FakeInstance& Host() { return mSetup.instance; }
    int32_t Changes() {
        int32_t changes = -1;
        Plug().GetNumberOfChanges(&changes);
        return changes;
    }

    InitialisedTestPlug mSetup;
};

TEST_F(AdapterParameters, HostSeesTheMasterBypassFirstThenOneParameterPerParam) {
    int32_t count = 0;
    ASSERT_EQ(Plug().GetNumberOfParameters(&count), HPI_SUCCESS);
    EXPECT_EQ(count, 1 + test_plugins::kNumTestParams);

    struct ParameterCase {
        const char* id;
        const char* name;
        int32_t steps;
        int32_t type;
    };
    const ParameterCase kCases[] = {
        {"", "Master Bypass", 2, 0}, {"1", "Mode", 2, 0},   {"2", "Power", 2, 0},
        {"3", "Gain", 128, 1},       {"4", "Steps", 128, 1}, {"5", "Preamp Gain\nGain\nPre", 128, 1},
    };
    for (int32_t index = 0; index < count; ++index) {
        const ParameterCase& c = kCases[index];
        SCOPED_TRACE(c.name);
        char id[16] = "x";
        EXPECT_EQ(Plug().GetParameterIDFromIndex(index, id, sizeof id), HPI_SUCCESS);
        EXPECT_STREQ(id, c.id);
        int32_t found = -1;
        EXPECT_EQ(Plug().GetParameterIndex(c.id, &found), HPI_SUCCESS);
        EXPECT_EQ(found, index);
        EXPECT_EQ(Text(Plug(), &HPI_IEffectParameters::GetParameterName, c.id), c.name);
        int32_t steps = 0;
        int32_t type = -1;
        bool automatable = false;
        Plug().GetParameterNumberOfSteps(c.id, &steps);
        Plug().GetParameterType(c.id, &type);
        Plug().GetParameterIsAutomatable(c.id, &automatable);
        EXPECT_EQ(steps, c.steps);
        EXPECT_EQ(type, c.type);
        EXPECT_TRUE(automatable);
    }
    char bypassID[16] = "x";
    EXPECT_EQ(Plug().GetMasterBypassParameter(bypassID, sizeof bypassID), HPI_SUCCESS);
    EXPECT_STREQ(bypassID, "");
}

TEST_F(AdapterParameters, RegistersEveryParameterAndUnregistersOnUninitialise) {
    Plug().Uninitialize();
    EXPECT_EQ(Host().CallsOf("unregister"),
              (std::vector<std::string>{"unregister:", "unregister:1", "unregister:2", "unregister:3", "unregister:4",
                                        "unregister:5"}));
    Host().calls.clear();
    Plug().Initialize(static_cast<HPI_IController*>(&Host()));
    EXPECT_EQ(Host().CallsOf("register"), (std::vector<std::string>{"register:", "register:1", "register:2",
                                                                    "register:3", "register:4", "register:5"}));
    int32_t count = 0;
    Plug().GetNumberOfParameters(&count);
    EXPECT_EQ(count, 6) << "a second initialise must not add the parameters twice";
}

TEST_F(AdapterParameters, UnregisteredIdentifiersAnswerInvalidParameterID) {
    const char* const kUnknown[] = {"0", "6", "abc", "01x", nullptr};
    for (const char* id : kUnknown) {
        SCOPED_TRACE(id != nullptr ? id : "null");
        double value = -1.0;
        int32_t integer = -7;
        bool flag = false;
        HPI_IParameter* object = reinterpret_cast<HPI_IParameter*>(1);
        char text[16] = "unchanged";
        EXPECT_EQ(Plug().UpdateParameterNormalizedValue(id, 0.5), HPI_ERROR_INVALID_PARAMETER_ID);
        EXPECT_EQ(Plug().UpdateParameterNormalizedRelative(id, 0.1), HPI_ERROR_INVALID_PARAMETER_ID);
        EXPECT_EQ(Plug().SetParameterNormalizedValue(id, 0.5), HPI_ERROR_INVALID_PARAMETER_ID);
        EXPECT_EQ(Plug().SetParameterNormalizedRelative(id, 0.1), HPI_ERROR_INVALID_PARAMETER_ID);
        EXPECT_EQ(Plug().GetParameterNormalizedValue(id, &value), HPI_ERROR_INVALID_PARAMETER_ID);
        EXPECT_EQ(Plug().GetParameterDefaultNormalizedValue(id, &value), HPI_ERROR_INVALID_PARAMETER_ID);
        EXPECT_EQ(Plug().SetParameterDefaultNormalizedValue(id, 0.5), HPI_ERROR_INVALID_PARAMETER_ID);
        EXPECT_EQ(Plug().GetParameterNumberOfSteps(id, &integer), HPI_ERROR_INVALID_PARAMETER_ID);
        EXPECT_EQ(Plug().GetParameterType(id, &integer), HPI_ERROR_INVALID_PARAMETER_ID);
        EXPECT_EQ(Plug().GetParameterSecondCode(id, &integer), HPI_ERROR_INVALID_PARAMETER_ID);
        EXPECT_EQ(Plug().GetParameterIsAutomatable(id, &flag), HPI_ERROR_INVALID_PARAMETER_ID);
        EXPECT_EQ(Plug().TouchParameter(id), HPI_ERROR_INVALID_PARAMETER_ID);
        EXPECT_EQ(Plug().ReleaseParameter(id), HPI_ERROR_INVALID_PARAMETER_ID);
        EXPECT_EQ(Plug().GetParameterValueString(id, 8, text, sizeof text), HPI_ERROR_INVALID_PARAMETER_ID);
        EXPECT_EQ(Plug().GetParameterValueFromString(id, "1", &value), HPI_ERROR_INVALID_PARAMETER_ID);
        EXPECT_EQ(Plug().GetParameterStringFromValue(id, 0.5, 8, text, sizeof text), HPI_ERROR_INVALID_PARAMETER_ID);
        EXPECT_EQ(Plug().GetParameter(id, &object), HPI_ERROR_INVALID_PARAMETER_ID);
        EXPECT_EQ(object, nullptr);
        EXPECT_EQ(Plug().GetParameterIndex(id, &integer), HPI_ERROR_INVALID_PARAMETER_ID);
        EXPECT_EQ(integer, -1);
        EXPECT_STREQ(text, "unchanged");
        EXPECT_EQ(Plug().GetParameterName(id, text, sizeof text), HPI_SUCCESS);
        EXPECT_STREQ(text, "");
        std::strcpy(text, "unchanged");
        EXPECT_EQ(Plug().GetParameterNameOfLength(id, 4, text, sizeof text), HPI_SUCCESS);
        EXPECT_STREQ(text, "");
    }
    char text[16] = "unchanged";
    EXPECT_EQ(Plug().GetParameterIDFromIndex(6, text, sizeof text), HPI_ERROR_INVALID_PARAMETER_ID);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(Changes(), 0);
    EXPECT_TRUE(Host().calls.empty());
}

TEST_F(AdapterParameters, AnUpdateStoresIntoTheParamAndCountsAChangeEvenWhenUnchanged) {
    Plug().paramChanges.clear();
    ASSERT_EQ(Plug().UpdateParameterNormalizedValue("4", 0.5), HPI_SUCCESS);
    EXPECT_EQ(Plug().GetParam(test_plugins::kSteps)->GetValue(), 5.0);
    ASSERT_EQ(Plug().paramChanges.size(), 1u);
    EXPECT_EQ(Plug().paramChanges[0].paramIdx, test_plugins::kSteps);
    EXPECT_EQ(Plug().paramChanges[0].source, ParamSource::Host);
    EXPECT_EQ(Plug().paramChanges[0].sampleOffset, -1);
    EXPECT_EQ(Changes(), 1);
    EXPECT_EQ(Host().CallsOf("current"), (std::vector<std::string>{"current:4:0.5000"}));

    ASSERT_EQ(Plug().UpdateParameterNormalizedValue("4", 0.5), HPI_SUCCESS);
    EXPECT_EQ(Changes(), 2);
    EXPECT_EQ(Plug().paramChanges.size(), 2u);
    EXPECT_EQ(Host().CallsOf("current").size(), 1u) << "an unchanged value is not echoed";
}

TEST_F(AdapterParameters, AnUpdateOfTheEmptyIdentifierSwitchesOnlyTheMasterBypass) {
    const double before = Plug().GetParam(test_plugins::kMode)->GetValue();
    Plug().paramChanges.clear();
    ASSERT_EQ(Plug().UpdateParameterNormalizedValue("", 1.0), HPI_SUCCESS);
    EXPECT_TRUE(Plug().MasterBypass());
    EXPECT_EQ(ValueString(Plug(), ""), "on");
    EXPECT_TRUE(Plug().paramChanges.empty());
    EXPECT_EQ(Plug().GetParam(test_plugins::kMode)->GetValue(), before);
    Plug().UpdateParameterNormalizedValue("", 0.0);
    EXPECT_EQ(ValueString(Plug(), ""), "bypass");
    EXPECT_EQ(Changes(), 2);
}

TEST_F(AdapterParameters, NonFiniteHostValuesNeverReachAParameter) {
    const double gain = Plug().GetParam(test_plugins::kGain)->GetValue();
    for (double bad : {kNaN, kInf, -kInf}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(Plug().UpdateParameterNormalizedValue("3", bad), HPI_ERROR_INVALID_ARGUMENT);
        EXPECT_EQ(Plug().UpdateParameterNormalizedRelative("3", bad), HPI_ERROR_INVALID_ARGUMENT);
        EXPECT_EQ(Plug().SetParameterNormalizedValue("3", bad), HPI_ERROR_INVALID_ARGUMENT);
        EXPECT_EQ(Plug().SetParameterNormalizedRelative("3", bad), HPI_ERROR_INVALID_ARGUMENT);
        EXPECT_EQ(Plug().SetParameterDefaultNormalizedValue("3", bad), HPI_ERROR_INVALID_ARGUMENT);
    }
    EXPECT_EQ(Plug().GetParam(test_plugins::kGain)->GetValue(), gain);
    double normalized = -1.0;
    Plug().GetParameterNormalizedValue("3", &normalized);
    EXPECT_DOUBLE_EQ(normalized, 0.5);
    EXPECT_EQ(Changes(), 0);
    EXPECT_TRUE(Host().calls.empty());
}

TEST_F(AdapterParameters, DisplaysShowTextsNumbersAndUnits) {
    struct DisplayCase {
        const char* id;
        double normalized;
        int32_t maxChars;
        const char* text;
        HPI_Result result;
    };
    const DisplayCase kCases[] = {
        {"1", 0.0, 32, "A", HPI_SUCCESS},
        {"1", 0.5, 32, "B", HPI_SUCCESS},
        {"1", 1.0, 32, "String Not Found", HPI_ERROR_INVALID_STRING_CONVERSION},
        {"2", 1.0, 32, "on", HPI_SUCCESS},
        {"2", 0.0, 32, "off", HPI_SUCCESS},
        {"3", 0.75, 32, "6.00dB", HPI_SUCCESS},
        {"3", 0.75, 4, "6.00", HPI_SUCCESS},
        {"3", 0.75, 3, "6.0", HPI_SUCCESS},
        {"3", 0.75, 6, "6.00dB", HPI_SUCCESS},
        {"4", 0.3, 32, "3st", HPI_SUCCESS},
        {"", 1.0, 32, "on", HPI_SUCCESS},
    };
    for (const DisplayCase& c : kCases) {
        SCOPED_TRACE(std::string(c.id) + " " + std::to_string(c.normalized));
        char text[64] = "";
        EXPECT_EQ(Plug().GetParameterStringFromValue(c.id, c.normalized, c.maxChars, text, sizeof text), c.result);
        EXPECT_STREQ(text, c.text);
    }
    double normalized = -1.0;
    EXPECT_EQ(Plug().GetParameterValueFromString("1", "B", &normalized), HPI_SUCCESS);
    EXPECT_DOUBLE_EQ(normalized, 0.5);
    EXPECT_EQ(Plug().GetParameterValueFromString("3", "-6.00dB", &normalized), HPI_SUCCESS);
    EXPECT_DOUBLE_EQ(normalized, 0.25);
    EXPECT_EQ(Plug().GetParameterValueFromString("1", "C", &normalized), HPI_ERROR_INVALID_STRING_CONVERSION);
    EXPECT_EQ(Plug().GetParameterValueFromString("3", nullptr, &normalized), HPI_ERROR_INVALID_STRING_CONVERSION);

    // A value without a display text, stored directly.
    Plug().UpdateParameterNormalizedValue("1", 1.0);
    EXPECT_EQ(ValueString(Plug(), "1"), "String Not Found");
    EXPECT_EQ(ValueString(Plug(), "1", 6), "String");
}

TEST_F(AdapterParameters, NameOfLengthPicksTheLongestVariantThatFits) {
    struct NameCase {
        int32_t numChars;
        const char* name;
    };
    const NameCase kCases[] = {{30, "Preamp Gain"}, {11, "Preamp Gain"}, {10, "Gain"}, {4, "Gain"},
                               {3, "Pre"},          {2, "Pr"},           {0, ""},      {-1, ""}};
    for (const NameCase& c : kCases) {
        SCOPED_TRACE(c.numChars);
        char text[64] = "unchanged";
        EXPECT_EQ(Plug().GetParameterNameOfLength("5", c.numChars, text, sizeof text), HPI_SUCCESS);
        EXPECT_STREQ(text, c.name);
    }
    EXPECT_EQ(Plug().GetParameterNameOfLength("5", 4, nullptr, 0), HPI_ERROR_INVALID_STRING_CONVERSION);
}

TEST_F(AdapterParameters, RelativeRequestsAndUpdatesClampToTheRange) {
    Plug().UpdateParameterNormalizedValue("3", 0.9);
    Host().calls.clear();
    mSetup.instance.answerRequests = nullptr;
    EXPECT_EQ(Plug().SetParameterNormalizedRelative("3", 0.3), HPI_SUCCESS);
    EXPECT_EQ(Host().calls, (std::vector<std::string>{"touch:3", "request:3:1.0000", "release:3"}));
    EXPECT_EQ(Plug().UpdateParameterNormalizedRelative("3", -2.0), HPI_SUCCESS);
    EXPECT_EQ(Plug().GetParam(test_plugins::kGain)->GetValue(), -12.0);
}

TEST_F(AdapterParameters, EditorGesturesBecomeTouchRequestAndReleaseAndTheHostAnswerSetsTheParam) {
    Plug().paramChanges.clear();
    Plug().BeginUIParamGesture(test_plugins::kGain);
    Plug().SendUIParamValue(test_plugins::kGain, 0.75);
    Plug().EndUIParamGesture(test_plugins::kGain);
    EXPECT_EQ(Host().calls, (std::vector<std::string>{"touch:3", "touch:3", "request:3:0.7500", "current:3:0.7500",
                                                      "release:3", "release:3"}));
    EXPECT_EQ(Plug().GetParam(test_plugins::kGain)->GetValue(), 6.0);
    // The host's answer arrives inside the request, so its Host change comes
    // before the editor's own UI change.
    ASSERT_EQ(Plug().paramChanges.size(), 2u);
    EXPECT_EQ(Plug().paramChanges[0].source, ParamSource::Host);
    EXPECT_EQ(Plug().paramChanges[1].source, ParamSource::UI);
    EXPECT_EQ(Changes(), 1);
}

TEST_F(AdapterParameters, NotificationsSwitchOfflineRenderingAndKeepTheTrackName) {
    struct TrackName : HPI_ITextValue {
        const char* GetText() const override { return "Lead Vocal"; }
    } name;
    EXPECT_EQ(Plug().Notification(HPI_eNotification_EnterOfflineMode, nullptr, 0), HPI_SUCCESS);
    EXPECT_TRUE(Plug().RenderingOffline());
    EXPECT_EQ(Plug().Notification(HPI_eNotification_ExitOfflineMode, nullptr, 0), HPI_SUCCESS);
    EXPECT_FALSE(Plug().RenderingOffline());
    EXPECT_EQ(Plug().Notification(HPI_eNotification_TrackNameChanged, &name, sizeof(void*)), HPI_SUCCESS);
    EXPECT_EQ(Plug().Notification(HPI_eNotification_TrackNameChanged, nullptr, 0), HPI_SUCCESS);
    TextBuf track;
    Plug().TrackName(track);
    EXPECT_STREQ(track.Get(), "Lead Vocal");
    const int32_t on = 1;
    EXPECT_EQ(Plug().Notification(HPI_eNotification_PreviewState, &on, sizeof on), HPI_SUCCESS);
    EXPECT_EQ(Plug().Notification(static_cast<int32_t>(HPI_FourCharCode("zzzz")), nullptr, 0), HPI_SUCCESS);
}

TEST_F(AdapterParameters, OptionalOperationsAnswerUnimplemented) {
    int32_t value = 0;
    EXPECT_EQ(Plug().GetParameterValueInfo("1", 0, &value), HPI_ERROR_UNIMPLEMENTED);
    struct PageTable : fake_host::HostObject<HPI_IPageTable> {
        HPI_Result Clear() override { return HPI_SUCCESS; }
        HPI_Result MapParameter(const char*, int32_t, int32_t) override { return HPI_SUCCESS; }
    } table;
    EXPECT_EQ(Plug().UpdatePageTable(0, 8, static_cast<HPI_IPageTable*>(&table)), HPI_ERROR_UNIMPLEMENTED);
    EXPECT_EQ(Plug().UpdatePageTable(0, 8, nullptr), HPI_SUCCESS);
    EXPECT_EQ(table.References(), 0);
}

TEST_F(AdapterParameters, PacketUpdatesPostTheNextStateNumberEachTime) {
    for (int64_t expected = 0; expected < 3; ++expected) {
        EXPECT_EQ(Plug().UpdatePackets(), HPI_SUCCESS);
        ASSERT_EQ(Host().packets.size(), static_cast<std::size_t>(expected + 1));
        EXPECT_EQ(Host().packets.back().field, static_cast<uint32_t>(HPI_eRenderField_StateNumber));
        int64_t number = -1;
        ASSERT_EQ(Host().packets.back().bytes.size(), sizeof number);
        std::memcpy(&number, Host().packets.back().bytes.data(), sizeof number);
        EXPECT_EQ(number, expected);
    }
    EXPECT_EQ(Plug().TimerWakeup(), HPI_SUCCESS);
}

// ---- state chunk ------------------------------------------------------------------

// A chunk record with room for `capacity` data bytes.
struct ChunkRecord {
    explicit ChunkRecord(int32_t capacity, uint32_t chunkID = kTestChunkID)
        : bytes(HPI_ChunkRecordSize(capacity), 0xEE) {
        Header()->mSize = capacity;
        Header()->mChunkID = chunkID;
    }
    HPI_SChunkHeader* Header() { return reinterpret_cast<HPI_SChunkHeader*>(bytes.data()); }
    std::vector<unsigned char> bytes;
};

using AdapterChunk = AdapterParameters;

TEST_F(AdapterChunk, OffersOneChunkUnderTheUniqueID) {
    int32_t count = 0;
    EXPECT_EQ(Plug().GetNumberOfChunks(&count), HPI_SUCCESS);
    EXPECT_EQ(count, 1);
    uint32_t id = 7;
    EXPECT_EQ(Plug().GetChunkIDFromIndex(0, &id), HPI_SUCCESS);
    EXPECT_EQ(id, kTestChunkID);
    for (int32_t index : {1, -1, 100}) {
        id = 7;
        EXPECT_EQ(Plug().GetChunkIDFromIndex(index, &id), HPI_ERROR_INVALID_CHUNK_INDEX);
        EXPECT_EQ(id, 0u);
    }
    int32_t size = 0;
    EXPECT_EQ(Plug().GetChunkSize(kTestChunkID, &size), HPI_SUCCESS);
    EXPECT_EQ(size, 12 + 8 * test_plugins::kNumTestParams);
}

TEST_F(AdapterChunk, OtherIdentifiersAnswerInvalidChunkID) {
    for (uint32_t other : {HPI_FourCharCode("elck"), HPI_FourCharCode("Twh1"), 0u}) {
        SCOPED_TRACE(other);
        int32_t size = 99;
        EXPECT_EQ(Plug().GetChunkSize(other, &size), HPI_ERROR_INVALID_CHUNK_ID);
        EXPECT_EQ(size, 0);
        ChunkRecord record(100);
        const std::vector<unsigned char> before = record.bytes;
        EXPECT_EQ(Plug().GetChunk(other, record.Header()), HPI_ERROR_INVALID_CHUNK_ID);
        EXPECT_EQ(record.bytes, before);
        EXPECT_EQ(Plug().SetChunk(other, record.Header()), HPI_ERROR_INVALID_CHUNK_ID);
    }
    EXPECT_EQ(Changes(), 0);
}

TEST_F(AdapterChunk, GetWritesTheStateAndCompareFollowsTheLiveValues) {
    int32_t size = 0;
    Plug().GetChunkSize(kTestChunkID, &size);
    ChunkRecord record(size);
    ASSERT_EQ(Plug().GetChunk(kTestChunkID, record.Header()), HPI_SUCCESS);
    EXPECT_EQ(record.Header()->mSize, size);
    ByteChunk state;
    Plug().SaveState(state);
    EXPECT_EQ(std::memcmp(HPI_ChunkData(record.Header()), state.Data(), static_cast<std::size_t>(size)), 0);

    bool equal = false;
    EXPECT_EQ(Plug().CompareActiveChunk(record.Header(), &equal), HPI_SUCCESS);
    EXPECT_TRUE(equal);
    Plug().UpdateParameterNormalizedValue("3", 0.9);
    EXPECT_EQ(Plug().CompareActiveChunk(record.Header(), &equal), HPI_SUCCESS);
    EXPECT_FALSE(equal);
    record.Header()->mChunkID = HPI_FourCharCode("elck");
    EXPECT_EQ(Plug().CompareActiveChunk(record.Header(), &equal), HPI_SUCCESS);
    EXPECT_TRUE(equal);
}

TEST_F(AdapterChunk, SetRestoresReportsEveryParamAndCountsOncePlusOncePerHostAnswer) {
    InitialisedTestPlug source;
    source.plug->UpdateParameterNormalizedValue("3", 0.25);
    source.plug->UpdateParameterNormalizedValue("4", 1.0);
    ChunkRecord record(1000);
    ASSERT_EQ(source.plug->GetChunk(kTestChunkID, record.Header()), HPI_SUCCESS);

    ASSERT_EQ(Plug().SetChunk(kTestChunkID, record.Header()), HPI_SUCCESS);
    EXPECT_EQ(Plug().GetParam(test_plugins::kGain)->GetValue(), -6.0);
    EXPECT_EQ(Plug().GetParam(test_plugins::kSteps)->GetValue(), 10.0);
    EXPECT_EQ(Host().CallsOf("request").size(), static_cast<std::size_t>(test_plugins::kNumTestParams));
    EXPECT_EQ(Plug().editorStateRestored, 1);
    EXPECT_EQ(Changes(), 1 + test_plugins::kNumTestParams);
    bool equal = false;
    Plug().CompareActiveChunk(record.Header(), &equal);
    EXPECT_TRUE(equal);

    // A host that does not answer: the set counts once.
    InitialisedTestPlug silent({}, false);
    ASSERT_EQ(silent.plug->SetChunk(kTestChunkID, record.Header()), HPI_SUCCESS);
    int32_t changes = -1;
    silent.plug->GetNumberOfChanges(&changes);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(silent.plug->GetParam(test_plugins::kGain)->GetValue(), -6.0);
}

// Records whose size field lies: refused before a byte is read.
TEST_F(AdapterChunk, ARecordWithAnImpossibleDataSizeChangesNothing) {
    struct SizeCase {
        int32_t size;
        const char* what;
    };
    const SizeCase kCases[] = {{-1, "negative"}, {INT32_MIN, "most negative"},
                               {kMaxChunkDataSize + 1, "above the largest state"}, {INT32_MAX, "largest"}};
    Plug().UpdateParameterNormalizedValue("3", 0.9);
    const int32_t changes = Changes();
    for (const SizeCase& c : kCases) {
        SCOPED_TRACE(c.what);
        ChunkRecord record(16);
        record.Header()->mSize = c.size;
        EXPECT_EQ(Plug().SetChunk(kTestChunkID, record.Header()), HPI_ERROR_INCORRECT_CHUNK_SIZE);
        bool equal = true;
        EXPECT_EQ(Plug().CompareActiveChunk(record.Header(), &equal), HPI_ERROR_INCORRECT_CHUNK_SIZE);
        EXPECT_FALSE(equal);
    }
    EXPECT_NEAR(Plug().GetParam(test_plugins::kGain)->GetValue(), 9.6, 1e-9);
    EXPECT_EQ(Changes(), changes);
}

TEST_F(AdapterChunk, GetRefusesARecordTooSmallForTheState) {
    for (int32_t capacity : {0, 12, 51, -5}) {
        SCOPED_TRACE(capacity);
        ChunkRecord record(std::max(capacity, 0));
        record.Header()->mSize = capacity;
        const std::vector<unsigned char> before = record.bytes;
        EXPECT_EQ(Plug().GetChunk(kTestChunkID, record.Header()), HPI_ERROR_INCORRECT_CHUNK_SIZE);
        EXPECT_EQ(record.bytes, before);
    }
}

TEST_F(AdapterChunk, AShortRecordRestoresWhatItHolds) {
    InitialisedTestPlug source;
    source.plug->UpdateParameterNormalizedValue("1", 0.0);
    source.plug->UpdateParameterNormalizedValue("3", 1.0);
    ChunkRecord record(1000);
    ASSERT_EQ(source.plug->GetChunk(kTestChunkID, record.Header()), HPI_SUCCESS);
    // Editor state and the first two values; the third is cut.
    record.Header()->mSize = 12 + 8 + 8 + 3;
    ASSERT_EQ(Plug().SetChunk(kTestChunkID, record.Header()), HPI_SUCCESS);
    EXPECT_EQ(Plug().GetParam(test_plugins::kMode)->GetValue(), 0.0);
    EXPECT_EQ(Plug().GetParam(test_plugins::kGain)->GetValue(), 0.0) << "the cut value becomes Restrict(0.0)";
    EXPECT_EQ(Plug().GetParam(test_plugins::kSteps)->GetValue(), 3.0) << "later values keep theirs";
}

TEST_F(AdapterChunk, NullRecordsAndOutputsAreRefused) {
    EXPECT_EQ(Plug().GetChunk(kTestChunkID, nullptr), HPI_ERROR_NULL_ARGUMENT);
    EXPECT_EQ(Plug().SetChunk(kTestChunkID, nullptr), HPI_ERROR_NULL_ARGUMENT);
    bool equal = false;
    EXPECT_EQ(Plug().CompareActiveChunk(nullptr, &equal), HPI_ERROR_NULL_ARGUMENT);
    EXPECT_EQ(Plug().GetChunkSize(kTestChunkID, nullptr), HPI_ERROR_NULL_ARGUMENT);
    EXPECT_EQ(Plug().GetNumberOfChunks(nullptr), HPI_ERROR_NULL_ARGUMENT);
}

}  // namespace
