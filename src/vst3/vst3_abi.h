#pragma once
// Our declarations of the VST3 binary interface, as a Linux x86-64 host and
// plug-in see it: the interfaces are C++ classes of pure virtual functions
// whose vtables must have exactly the slot order below, interface ids are 16
// bytes, strings are UTF-16, and structs have natural alignment. Only what
// the adapter and its tests use is declared.
//
// Interface ids: on Linux the ids are not COM-compatible, so the four 32-bit
// words of an id are laid out one after the other, each most significant
// byte first (MakeId below).
//
// Threads: these are declarations only; each adapter header says which
// thread calls what.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vst3 {

using Result = int32_t;
using Id = uint8_t[16];
using Char16 = char16_t;
using String128 = Char16[128];
using ParamId = uint32_t;
using ParamValue = double;
using UnitId = int32_t;
using ProgramListId = int32_t;
using SpeakerArrangement = uint64_t;
using Bool8 = uint8_t;

// Result codes of the non-COM platforms.
inline constexpr Result kNoInterface = static_cast<Result>(0x80000004u);
inline constexpr Result kResultOk = 0;
inline constexpr Result kResultTrue = kResultOk;
inline constexpr Result kResultFalse = 1;
inline constexpr Result kInvalidArgument = static_cast<Result>(0x80000003u);
inline constexpr Result kNotImplemented = static_cast<Result>(0x80000001u);
inline constexpr Result kInternalError = static_cast<Result>(0x80000008u);
inline constexpr Result kNotInitialized = static_cast<Result>(0x8000FFFFu);
inline constexpr Result kOutOfMemory = static_cast<Result>(0x80000002u);

// An interface id from its four words, in the non-COM byte order.
struct InterfaceId {
    uint8_t bytes[16];
};
constexpr InterfaceId MakeId(uint32_t l1, uint32_t l2, uint32_t l3, uint32_t l4) {
    const uint32_t words[4] = {l1, l2, l3, l4};
    InterfaceId id{};
    for (int w = 0; w < 4; ++w) {
        for (int b = 0; b < 4; ++b) {
            id.bytes[w * 4 + b] = static_cast<uint8_t>(words[w] >> (24 - 8 * b));
        }
    }
    return id;
}
inline bool SameId(const void* a, const InterfaceId& b) {
    return a != nullptr && std::memcmp(a, b.bytes, 16) == 0;
}

inline constexpr InterfaceId kUnknownId = MakeId(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
inline constexpr InterfaceId kPluginBaseId = MakeId(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
inline constexpr InterfaceId kPluginFactoryId =
    MakeId(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
inline constexpr InterfaceId kPluginFactory2Id =
    MakeId(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
inline constexpr InterfaceId kPluginFactory3Id =
    MakeId(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);
inline constexpr InterfaceId kStreamId = MakeId(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
inline constexpr InterfaceId kComponentId = MakeId(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
inline constexpr InterfaceId kAudioProcessorId =
    MakeId(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
inline constexpr InterfaceId kEditControllerId =
    MakeId(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
inline constexpr InterfaceId kComponentHandlerId =
    MakeId(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
inline constexpr InterfaceId kParamValueQueueId =
    MakeId(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
inline constexpr InterfaceId kParameterChangesId =
    MakeId(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
inline constexpr InterfaceId kUnitInfoId = MakeId(0x3D4BD6B5, 0x913A4FD2, 0xA886E768, 0xA5EB92C1);
inline constexpr InterfaceId kConnectionPointId =
    MakeId(0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1);
inline constexpr InterfaceId kHostApplicationId =
    MakeId(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);

// ---- Factory ---------------------------------------------------------------------

struct FactoryInfo {
    static constexpr int32_t kUnicode = 1 << 4;
    char vendor[64];
    char url[256];
    char email[128];
    int32_t flags;
};
static_assert(sizeof(FactoryInfo) == 452);

inline constexpr int32_t kManyInstances = 0x7FFFFFFF;
inline constexpr const char* kAudioModuleClass = "Audio Module Class";
inline constexpr const char* kComponentControllerClass = "Component Controller Class";

struct ClassInfo {
    Id cid;
    int32_t cardinality;
    char category[32];
    char name[64];
};
static_assert(sizeof(ClassInfo) == 116);

struct ClassInfo2 {
    Id cid;
    int32_t cardinality;
    char category[32];
    char name[64];
    uint32_t classFlags;
    char subCategories[128];
    char vendor[64];
    char version[64];
    char sdkVersion[64];
};
static_assert(sizeof(ClassInfo2) == 440);
static_assert(offsetof(ClassInfo2, subCategories) == 120);

struct ClassInfoW {
    Id cid;
    int32_t cardinality;
    char category[32];
    Char16 name[64];
    uint32_t classFlags;
    char subCategories[128];
    Char16 vendor[64];
    Char16 version[64];
    Char16 sdkVersion[64];
};
static_assert(sizeof(ClassInfoW) == 696);
static_assert(offsetof(ClassInfoW, classFlags) == 180);
static_assert(offsetof(ClassInfoW, vendor) == 312);

// ---- Interfaces: the order of the virtual functions is the vtable ------------------

class Unknown {
public:
    virtual Result queryInterface(const Id iid, void** object) = 0;
    virtual uint32_t addRef() = 0;
    virtual uint32_t release() = 0;
};

class PluginBase : public Unknown {
public:
    virtual Result initialize(Unknown* context) = 0;
    virtual Result terminate() = 0;
};

class PluginFactory : public Unknown {
public:
    virtual Result getFactoryInfo(FactoryInfo* info) = 0;
    virtual int32_t countClasses() = 0;
    virtual Result getClassInfo(int32_t index, ClassInfo* info) = 0;
    virtual Result createInstance(const char* cid, const char* iid, void** object) = 0;
};

class PluginFactory2 : public PluginFactory {
public:
    virtual Result getClassInfo2(int32_t index, ClassInfo2* info) = 0;
};

class PluginFactory3 : public PluginFactory2 {
public:
    virtual Result getClassInfoUnicode(int32_t index, ClassInfoW* info) = 0;
    virtual Result setHostContext(Unknown* context) = 0;
};

// Seek modes of Stream::seek.
inline constexpr int32_t kSeekSet = 0;
inline constexpr int32_t kSeekCur = 1;
inline constexpr int32_t kSeekEnd = 2;

class Stream : public Unknown {
public:
    virtual Result read(void* buffer, int32_t bytes, int32_t* bytesRead) = 0;
    virtual Result write(void* buffer, int32_t bytes, int32_t* bytesWritten) = 0;
    virtual Result seek(int64_t position, int32_t mode, int64_t* result) = 0;
    virtual Result tell(int64_t* position) = 0;
};

class HostApplication : public Unknown {
public:
    virtual Result getName(String128 name) = 0;
    virtual Result createInstance(Id cid, Id iid, void** object) = 0;
};

// ---- Component ---------------------------------------------------------------------

inline constexpr int32_t kAudio = 0;
inline constexpr int32_t kEvent = 1;
inline constexpr int32_t kInput = 0;
inline constexpr int32_t kOutput = 1;
inline constexpr int32_t kMainBus = 0;
inline constexpr int32_t kAuxBus = 1;
inline constexpr uint32_t kDefaultActive = 1 << 0;

struct BusInfo {
    int32_t mediaType;
    int32_t direction;
    int32_t channelCount;
    String128 name;
    int32_t busType;
    uint32_t flags;
};
static_assert(sizeof(BusInfo) == 276);
static_assert(offsetof(BusInfo, busType) == 268);

struct RoutingInfo {
    int32_t mediaType;
    int32_t busIndex;
    int32_t channel;
};

class Component : public PluginBase {
public:
    virtual Result getControllerClassId(Id classId) = 0;
    virtual Result setIoMode(int32_t mode) = 0;
    virtual int32_t getBusCount(int32_t mediaType, int32_t direction) = 0;
    virtual Result getBusInfo(int32_t mediaType, int32_t direction, int32_t index,
                              BusInfo& bus) = 0;
    virtual Result getRoutingInfo(RoutingInfo& in, RoutingInfo& out) = 0;
    virtual Result activateBus(int32_t mediaType, int32_t direction, int32_t index,
                               Bool8 state) = 0;
    virtual Result setActive(Bool8 state) = 0;
    virtual Result setState(Stream* state) = 0;
    virtual Result getState(Stream* state) = 0;
};

// ---- Audio processor ---------------------------------------------------------------

inline constexpr SpeakerArrangement kSpeakerArrangementEmpty = 0;
inline constexpr SpeakerArrangement kSpeakerArrangementMono = uint64_t{1} << 19;
inline constexpr SpeakerArrangement kSpeakerArrangementStereo = (1 << 0) | (1 << 1);

inline constexpr int32_t kSample32 = 0;
inline constexpr int32_t kSample64 = 1;
inline constexpr int32_t kRealtime = 0;
inline constexpr int32_t kPrefetch = 1;
inline constexpr int32_t kOffline = 2;

struct ProcessSetup {
    int32_t processMode;
    int32_t symbolicSampleSize;
    int32_t maxSamplesPerBlock;
    double sampleRate;
};
static_assert(sizeof(ProcessSetup) == 24);
static_assert(offsetof(ProcessSetup, sampleRate) == 16);

struct AudioBusBuffers {
    int32_t numChannels;
    uint64_t silenceFlags;
    union {
        float** channelBuffers32;
        double** channelBuffers64;
    };
};
static_assert(sizeof(AudioBusBuffers) == 24);
static_assert(offsetof(AudioBusBuffers, channelBuffers32) == 16);

class ParamValueQueue : public Unknown {
public:
    virtual ParamId getParameterId() = 0;
    virtual int32_t getPointCount() = 0;
    virtual Result getPoint(int32_t index, int32_t& sampleOffset, ParamValue& value) = 0;
    virtual Result addPoint(int32_t sampleOffset, ParamValue value, int32_t& index) = 0;
};

class ParameterChanges : public Unknown {
public:
    virtual int32_t getParameterCount() = 0;
    virtual ParamValueQueue* getParameterData(int32_t index) = 0;
    virtual ParamValueQueue* addParameterData(const ParamId& id, int32_t& index) = 0;
};

struct ProcessData {
    int32_t processMode;
    int32_t symbolicSampleSize;
    int32_t numSamples;
    int32_t numInputs;
    int32_t numOutputs;
    AudioBusBuffers* inputs;
    AudioBusBuffers* outputs;
    ParameterChanges* inputParameterChanges;
    ParameterChanges* outputParameterChanges;
    void* inputEvents;  // an event list; this plug-in takes no events
    void* outputEvents;
    void* processContext;  // transport; not read
};
static_assert(sizeof(ProcessData) == 80);
static_assert(offsetof(ProcessData, inputs) == 24);
static_assert(offsetof(ProcessData, processContext) == 72);

inline constexpr uint32_t kNoTail = 0;

class AudioProcessor : public Unknown {
public:
    virtual Result setBusArrangements(SpeakerArrangement* inputs, int32_t inputCount,
                                      SpeakerArrangement* outputs, int32_t outputCount) = 0;
    virtual Result getBusArrangement(int32_t direction, int32_t index,
                                     SpeakerArrangement& arrangement) = 0;
    virtual Result canProcessSampleSize(int32_t symbolicSampleSize) = 0;
    virtual uint32_t getLatencySamples() = 0;
    virtual Result setupProcessing(ProcessSetup& setup) = 0;
    virtual Result setProcessing(Bool8 state) = 0;
    virtual Result process(ProcessData& data) = 0;
    virtual uint32_t getTailSamples() = 0;
};

// ---- Edit controller ----------------------------------------------------------------

inline constexpr int32_t kCanAutomate = 1 << 0;
inline constexpr int32_t kIsReadOnly = 1 << 1;
inline constexpr int32_t kIsList = 1 << 3;
inline constexpr int32_t kIsHidden = 1 << 4;
inline constexpr int32_t kIsProgramChange = 1 << 15;
inline constexpr int32_t kIsBypass = 1 << 16;

struct ParameterInfo {
    ParamId id;
    String128 title;
    String128 shortTitle;
    String128 units;
    int32_t stepCount;
    ParamValue defaultNormalizedValue;
    UnitId unitId;
    int32_t flags;
};
static_assert(sizeof(ParameterInfo) == 792);
static_assert(offsetof(ParameterInfo, stepCount) == 772);
static_assert(offsetof(ParameterInfo, defaultNormalizedValue) == 776);
static_assert(offsetof(ParameterInfo, flags) == 788);

inline constexpr int32_t kReloadComponent = 1 << 0;
inline constexpr int32_t kIoChanged = 1 << 1;
inline constexpr int32_t kParamValuesChanged = 1 << 2;
inline constexpr int32_t kLatencyChanged = 1 << 3;
inline constexpr int32_t kParamTitlesChanged = 1 << 4;

inline constexpr const char* kEditorViewType = "editor";

class ComponentHandler : public Unknown {
public:
    virtual Result beginEdit(ParamId id) = 0;
    virtual Result performEdit(ParamId id, ParamValue normalizedValue) = 0;
    virtual Result endEdit(ParamId id) = 0;
    virtual Result restartComponent(int32_t flags) = 0;
};

// The editor view; only passed as a pointer here.
class PlugView;

class EditController : public PluginBase {
public:
    virtual Result setComponentState(Stream* state) = 0;
    virtual Result setState(Stream* state) = 0;
    virtual Result getState(Stream* state) = 0;
    virtual int32_t getParameterCount() = 0;
    virtual Result getParameterInfo(int32_t index, ParameterInfo& info) = 0;
    virtual Result getParamStringByValue(ParamId id, ParamValue normalized, String128 text) = 0;
    virtual Result getParamValueByString(ParamId id, Char16* text, ParamValue& normalized) = 0;
    virtual ParamValue normalizedParamToPlain(ParamId id, ParamValue normalized) = 0;
    virtual ParamValue plainParamToNormalized(ParamId id, ParamValue plain) = 0;
    virtual ParamValue getParamNormalized(ParamId id) = 0;
    virtual Result setParamNormalized(ParamId id, ParamValue value) = 0;
    virtual Result setComponentHandler(ComponentHandler* handler) = 0;
    virtual PlugView* createView(const char* name) = 0;
};

// ---- Units and program lists ---------------------------------------------------------

inline constexpr UnitId kRootUnitId = 0;
inline constexpr UnitId kNoParentUnitId = -1;
inline constexpr ProgramListId kNoProgramListId = -1;

struct UnitInfo {
    UnitId id;
    UnitId parentUnitId;
    String128 name;
    ProgramListId programListId;
};
static_assert(sizeof(UnitInfo) == 268);

struct ProgramListInfo {
    ProgramListId id;
    String128 name;
    int32_t programCount;
};
static_assert(sizeof(ProgramListInfo) == 264);

class UnitInfoSource : public Unknown {
public:
    virtual int32_t getUnitCount() = 0;
    virtual Result getUnitInfo(int32_t unitIndex, UnitInfo& info) = 0;
    virtual int32_t getProgramListCount() = 0;
    virtual Result getProgramListInfo(int32_t listIndex, ProgramListInfo& info) = 0;
    virtual Result getProgramName(ProgramListId listId, int32_t programIndex, String128 name) = 0;
    virtual Result getProgramInfo(ProgramListId listId, int32_t programIndex,
                                  const char* attributeId, String128 attributeValue) = 0;
    virtual Result hasProgramPitchNames(ProgramListId listId, int32_t programIndex) = 0;
    virtual Result getProgramPitchName(ProgramListId listId, int32_t programIndex,
                                       int16_t midiPitch, String128 name) = 0;
    virtual UnitId getSelectedUnit() = 0;
    virtual Result selectUnit(UnitId unitId) = 0;
    virtual Result getUnitByBus(int32_t mediaType, int32_t direction, int32_t busIndex,
                                int32_t channel, UnitId& unitId) = 0;
    virtual Result setUnitProgramData(int32_t listOrUnitId, int32_t programIndex, Stream* data) = 0;
};

// ---- Module entry points (exported with C linkage) ------------------------------------

using GetPluginFactoryProc = PluginFactory* (*)();
using ModuleEntryProc = bool (*)(void* sharedLibraryHandle);
using ModuleExitProc = bool (*)();

}  // namespace vst3
