#pragma once
// Our declarations of the parts of the CLAP plug-in ABI (version 1.2) this
// build speaks: the entry, the plug-in factory and the preset-discovery
// factory, the plug-in and host objects, process data and events, and the
// extensions the adapter offers or asks for. Names are ours; layouts, ids and
// constants are the ABI's, and the static_asserts below pin every size and
// offset the adapter and its test host rely on (x86-64 and other LP64 targets).
//
// Threads, as the ABI assigns them: factories and get_extension are [any];
// everything else is [main] unless a comment on the member says otherwise.
#include <cstddef>
#include <cstdint>

struct ClapVersion {
    uint32_t major;
    uint32_t minor;
    uint32_t revision;
};

// The ABI revision these declarations follow; hosts accept any 1.x.
inline constexpr ClapVersion kClapVersion = {1, 2, 10};

using ClapId = uint32_t;
inline constexpr ClapId kClapInvalidId = UINT32_MAX;

inline constexpr std::size_t kClapNameSize = 256;
inline constexpr std::size_t kClapPathSize = 1024;

// ---- Entry and plug-in factory ------------------------------------------------

struct ClapPluginEntry {
    ClapVersion clapVersion;
    bool (*init)(const char* pluginPath);
    void (*deinit)();
    const void* (*getFactory)(const char* factoryId);
};

inline constexpr char kClapPluginFactoryId[] = "clap.plugin-factory";

struct ClapPluginDescriptor {
    ClapVersion clapVersion;
    const char* id;
    const char* name;
    const char* vendor;
    const char* url;
    const char* manualUrl;
    const char* supportUrl;
    const char* version;
    const char* description;
    const char* const* features;  // null-terminated
};

struct ClapHost;
struct ClapProcess;

struct ClapPlugin {
    const ClapPluginDescriptor* desc;
    void* pluginData;
    bool (*init)(const ClapPlugin* plugin);
    void (*destroy)(const ClapPlugin* plugin);
    bool (*activate)(const ClapPlugin* plugin, double sampleRate, uint32_t minFrames,
                     uint32_t maxFrames);
    void (*deactivate)(const ClapPlugin* plugin);
    // [audio]
    bool (*startProcessing)(const ClapPlugin* plugin);
    // [audio]
    void (*stopProcessing)(const ClapPlugin* plugin);
    // [audio]
    void (*reset)(const ClapPlugin* plugin);
    // [audio]
    int32_t (*process)(const ClapPlugin* plugin, const ClapProcess* process);
    // [any]
    const void* (*getExtension)(const ClapPlugin* plugin, const char* id);
    void (*onMainThread)(const ClapPlugin* plugin);
};

struct ClapPluginFactory {
    uint32_t (*getPluginCount)(const ClapPluginFactory* factory);
    const ClapPluginDescriptor* (*getPluginDescriptor)(const ClapPluginFactory* factory,
                                                       uint32_t index);
    const ClapPlugin* (*createPlugin)(const ClapPluginFactory* factory, const ClapHost* host,
                                      const char* pluginId);
};

struct ClapHost {
    ClapVersion clapVersion;
    void* hostData;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    // [any]
    const void* (*getExtension)(const ClapHost* host, const char* extensionId);
    // [any]
    void (*requestRestart)(const ClapHost* host);
    // [any]
    void (*requestProcess)(const ClapHost* host);
    // [any]
    void (*requestCallback)(const ClapHost* host);
};

// ---- Events ---------------------------------------------------------------------

struct ClapEventHeader {
    uint32_t size;  // of the whole event
    uint32_t time;  // frame within the block
    uint16_t spaceId;
    uint16_t type;
    uint32_t flags;
};

inline constexpr uint16_t kClapCoreEventSpace = 0;

enum ClapEventFlag : uint32_t {
    kClapEventIsLive = 1u << 0,
    kClapEventDontRecord = 1u << 1,
};

enum ClapEventType : uint16_t {
    kClapEventParamValue = 5,
    kClapEventParamMod = 6,
    kClapEventParamGestureBegin = 7,
    kClapEventParamGestureEnd = 8,
    kClapEventTransport = 9,
};

struct ClapEventParamValue {
    ClapEventHeader header;
    ClapId paramId;
    void* cookie;
    int32_t noteId;  // -1: any
    int16_t portIndex;
    int16_t channel;
    int16_t key;
    double value;  // plain value
};

struct ClapEventParamGesture {
    ClapEventHeader header;
    ClapId paramId;
};

enum ClapTransportFlag : uint32_t {
    kClapTransportHasTempo = 1u << 0,
    kClapTransportHasBeatsTimeline = 1u << 1,
    kClapTransportHasSecondsTimeline = 1u << 2,
    kClapTransportHasTimeSignature = 1u << 3,
    kClapTransportIsPlaying = 1u << 4,
    kClapTransportIsRecording = 1u << 5,
    kClapTransportIsLoopActive = 1u << 6,
    kClapTransportIsWithinPreRoll = 1u << 7,
};

// Beat and second times are fixed point with this factor.
inline constexpr int64_t kClapTimeFactor = int64_t{1} << 31;

struct ClapEventTransport {
    ClapEventHeader header;
    uint32_t flags;
    int64_t songPosBeats;
    int64_t songPosSeconds;
    double tempo;
    double tempoIncrement;
    int64_t loopStartBeats;
    int64_t loopEndBeats;
    int64_t loopStartSeconds;
    int64_t loopEndSeconds;
    int64_t barStart;
    int32_t barNumber;
    uint16_t timeSignatureNumerator;
    uint16_t timeSignatureDenominator;
};

// The host's events, sorted by time.
struct ClapInputEvents {
    void* ctx;
    uint32_t (*size)(const ClapInputEvents* list);
    const ClapEventHeader* (*get)(const ClapInputEvents* list, uint32_t index);
};

// The plug-in pushes copies, in time order.
struct ClapOutputEvents {
    void* ctx;
    bool (*tryPush)(const ClapOutputEvents* list, const ClapEventHeader* event);
};

// ---- Process ----------------------------------------------------------------------

struct ClapAudioBuffer {
    float** data32;
    double** data64;
    uint32_t channelCount;
    uint32_t latency;
    uint64_t constantMask;
};

enum ClapProcessStatus : int32_t {
    kClapProcessError = 0,
    kClapProcessContinue = 1,
    kClapProcessContinueIfNotQuiet = 2,
    kClapProcessTail = 3,
    kClapProcessSleep = 4,
};

struct ClapProcess {
    int64_t steadyTime;
    uint32_t framesCount;
    const ClapEventTransport* transport;  // null: free running
    const ClapAudioBuffer* audioInputs;
    ClapAudioBuffer* audioOutputs;
    uint32_t audioInputsCount;
    uint32_t audioOutputsCount;
    const ClapInputEvents* inEvents;
    const ClapOutputEvents* outEvents;
};

// ---- Streams ----------------------------------------------------------------------

struct ClapInputStream {
    void* ctx;
    // Bytes read; 0 at the end, -1 on an error.
    int64_t (*read)(const ClapInputStream* stream, void* buffer, uint64_t size);
};

struct ClapOutputStream {
    void* ctx;
    // Bytes written; -1 on an error.
    int64_t (*write)(const ClapOutputStream* stream, const void* buffer, uint64_t size);
};

// ---- Extensions -------------------------------------------------------------------

inline constexpr char kClapExtAudioPorts[] = "clap.audio-ports";
inline constexpr char kClapPortMono[] = "mono";
inline constexpr char kClapPortStereo[] = "stereo";

enum ClapAudioPortFlag : uint32_t {
    kClapAudioPortIsMain = 1u << 0,
    kClapAudioPortSupports64Bits = 1u << 1,
    kClapAudioPortPrefers64Bits = 1u << 2,
    kClapAudioPortRequiresCommonSampleSize = 1u << 3,
};

struct ClapAudioPortInfo {
    ClapId id;
    char name[kClapNameSize];
    uint32_t flags;
    uint32_t channelCount;
    const char* portType;
    ClapId inPlacePair;
};

struct ClapPluginAudioPorts {
    uint32_t (*count)(const ClapPlugin* plugin, bool isInput);
    bool (*get)(const ClapPlugin* plugin, uint32_t index, bool isInput, ClapAudioPortInfo* info);
};

inline constexpr char kClapExtParams[] = "clap.params";

enum ClapParamFlag : uint32_t {
    kClapParamIsStepped = 1u << 0,
    kClapParamIsPeriodic = 1u << 1,
    kClapParamIsHidden = 1u << 2,
    kClapParamIsReadOnly = 1u << 3,
    kClapParamIsBypass = 1u << 4,
    kClapParamIsAutomatable = 1u << 5,
    kClapParamIsModulatable = 1u << 10,
    kClapParamRequiresProcess = 1u << 15,
    kClapParamIsEnum = 1u << 16,
};

struct ClapParamInfo {
    ClapId id;
    uint32_t flags;
    void* cookie;
    char name[kClapNameSize];
    char module[kClapPathSize];
    double minValue;
    double maxValue;
    double defaultValue;
};

struct ClapPluginParams {
    uint32_t (*count)(const ClapPlugin* plugin);
    bool (*getInfo)(const ClapPlugin* plugin, uint32_t paramIndex, ClapParamInfo* info);
    bool (*getValue)(const ClapPlugin* plugin, ClapId paramId, double* value);
    bool (*valueToText)(const ClapPlugin* plugin, ClapId paramId, double value, char* text,
                        uint32_t capacity);
    bool (*textToValue)(const ClapPlugin* plugin, ClapId paramId, const char* text, double* value);
    // [audio] while active, [main] while not.
    void (*flush)(const ClapPlugin* plugin, const ClapInputEvents* in, const ClapOutputEvents* out);
};

enum ClapParamRescanFlag : uint32_t {
    kClapParamRescanValues = 1u << 0,
    kClapParamRescanText = 1u << 1,
    kClapParamRescanInfo = 1u << 2,
    kClapParamRescanAll = 1u << 3,
};

struct ClapHostParams {
    void (*rescan)(const ClapHost* host, uint32_t flags);
    void (*clear)(const ClapHost* host, ClapId paramId, uint32_t flags);
    // [any] but not [audio]
    void (*requestFlush)(const ClapHost* host);
};

inline constexpr char kClapExtState[] = "clap.state";

struct ClapPluginState {
    bool (*save)(const ClapPlugin* plugin, const ClapOutputStream* stream);
    bool (*load)(const ClapPlugin* plugin, const ClapInputStream* stream);
};

struct ClapHostState {
    void (*markDirty)(const ClapHost* host);
};

inline constexpr char kClapExtLatency[] = "clap.latency";

struct ClapPluginLatency {
    // While being activated or active.
    uint32_t (*get)(const ClapPlugin* plugin);
};

struct ClapHostLatency {
    // Only while the plug-in is being activated.
    void (*changed)(const ClapHost* host);
};

inline constexpr char kClapExtRender[] = "clap.render";

enum ClapRenderMode : int32_t {
    kClapRenderRealtime = 0,
    kClapRenderOffline = 1,
};

struct ClapPluginRender {
    bool (*hasHardRealtimeRequirement)(const ClapPlugin* plugin);
    bool (*set)(const ClapPlugin* plugin, int32_t mode);
};

inline constexpr char kClapExtLog[] = "clap.log";

enum ClapLogSeverity : int32_t {
    kClapLogDebug = 0,
    kClapLogInfo = 1,
    kClapLogWarning = 2,
    kClapLogError = 3,
    kClapLogFatal = 4,
    kClapLogHostMisbehaving = 5,
    kClapLogPluginMisbehaving = 6,
};

struct ClapHostLog {
    // [any]
    void (*log)(const ClapHost* host, int32_t severity, const char* message);
};

inline constexpr char kClapExtThreadCheck[] = "clap.thread-check";

struct ClapHostThreadCheck {
    // [any]
    bool (*isMainThread)(const ClapHost* host);
    // [any]
    bool (*isAudioThread)(const ClapHost* host);
};

inline constexpr char kClapExtPresetLoad[] = "clap.preset-load/2";
inline constexpr char kClapExtPresetLoadCompat[] = "clap.preset-load.draft/2";

struct ClapPluginPresetLoad {
    bool (*fromLocation)(const ClapPlugin* plugin, uint32_t locationKind, const char* location,
                         const char* loadKey);
};

struct ClapHostPresetLoad {
    void (*onError)(const ClapHost* host, uint32_t locationKind, const char* location,
                    const char* loadKey, int32_t osError, const char* message);
    void (*loaded)(const ClapHost* host, uint32_t locationKind, const char* location,
                   const char* loadKey);
};

// ---- Preset discovery factory -------------------------------------------------------

inline constexpr char kClapPresetDiscoveryFactoryId[] = "clap.preset-discovery-factory/2";
inline constexpr char kClapPresetDiscoveryFactoryIdCompat[] =
    "clap.preset-discovery-factory/draft-2";

enum ClapPresetLocationKind : uint32_t {
    kClapPresetLocationFile = 0,
    kClapPresetLocationPlugin = 1,  // presets inside the plug-in; location is null
};

enum ClapPresetFlag : uint32_t {
    kClapPresetIsFactoryContent = 1u << 0,
    kClapPresetIsUserContent = 1u << 1,
    kClapPresetIsDemoContent = 1u << 2,
    kClapPresetIsFavorite = 1u << 3,
};

struct ClapUniversalPluginId {
    const char* abi;  // "clap"
    const char* id;
};

struct ClapPresetMetadataReceiver {
    void* receiverData;
    void (*onError)(const ClapPresetMetadataReceiver* receiver, int32_t osError,
                    const char* message);
    bool (*beginPreset)(const ClapPresetMetadataReceiver* receiver, const char* name,
                        const char* loadKey);
    void (*addPluginId)(const ClapPresetMetadataReceiver* receiver,
                        const ClapUniversalPluginId* pluginId);
    void (*setSoundpackId)(const ClapPresetMetadataReceiver* receiver, const char* soundpackId);
    void (*setFlags)(const ClapPresetMetadataReceiver* receiver, uint32_t flags);
    void (*addCreator)(const ClapPresetMetadataReceiver* receiver, const char* creator);
    void (*setDescription)(const ClapPresetMetadataReceiver* receiver, const char* description);
    void (*setTimestamps)(const ClapPresetMetadataReceiver* receiver, uint64_t creationTime,
                          uint64_t modificationTime);
    void (*addFeature)(const ClapPresetMetadataReceiver* receiver, const char* feature);
    void (*addExtraInfo)(const ClapPresetMetadataReceiver* receiver, const char* key,
                         const char* value);
};

struct ClapPresetFiletype {
    const char* name;
    const char* description;
    const char* fileExtension;
};

struct ClapPresetLocation {
    uint32_t flags;
    const char* name;
    uint32_t kind;
    const char* location;
};

struct ClapPresetSoundpack;

struct ClapPresetProviderDescriptor {
    ClapVersion clapVersion;
    const char* id;
    const char* name;
    const char* vendor;
};

struct ClapPresetProvider {
    const ClapPresetProviderDescriptor* desc;
    void* providerData;
    bool (*init)(const ClapPresetProvider* provider);
    void (*destroy)(const ClapPresetProvider* provider);
    bool (*getMetadata)(const ClapPresetProvider* provider, uint32_t locationKind,
                        const char* location, const ClapPresetMetadataReceiver* receiver);
    const void* (*getExtension)(const ClapPresetProvider* provider, const char* extensionId);
};

struct ClapPresetIndexer {
    ClapVersion clapVersion;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    void* indexerData;
    bool (*declareFiletype)(const ClapPresetIndexer* indexer, const ClapPresetFiletype* filetype);
    bool (*declareLocation)(const ClapPresetIndexer* indexer, const ClapPresetLocation* location);
    bool (*declareSoundpack)(const ClapPresetIndexer* indexer,
                             const ClapPresetSoundpack* soundpack);
    const void* (*getExtension)(const ClapPresetIndexer* indexer, const char* extensionId);
};

struct ClapPresetDiscoveryFactory {
    uint32_t (*count)(const ClapPresetDiscoveryFactory* factory);
    const ClapPresetProviderDescriptor* (*getDescriptor)(const ClapPresetDiscoveryFactory* factory,
                                                         uint32_t index);
    const ClapPresetProvider* (*create)(const ClapPresetDiscoveryFactory* factory,
                                        const ClapPresetIndexer* indexer, const char* providerId);
};

// ---- Layout checks ----------------------------------------------------------------

static_assert(sizeof(void*) == 8, "these layouts are those of LP64 targets");
static_assert(sizeof(ClapVersion) == 12);
static_assert(offsetof(ClapPluginEntry, init) == 16 &&
              offsetof(ClapPluginEntry, getFactory) == 32 && sizeof(ClapPluginEntry) == 40);
static_assert(offsetof(ClapPluginDescriptor, id) == 16 &&
              offsetof(ClapPluginDescriptor, features) == 80 && sizeof(ClapPluginDescriptor) == 88);
static_assert(offsetof(ClapPlugin, init) == 16 && offsetof(ClapPlugin, process) == 72 &&
              offsetof(ClapPlugin, onMainThread) == 88 && sizeof(ClapPlugin) == 96);
static_assert(sizeof(ClapPluginFactory) == 24);
static_assert(offsetof(ClapHost, hostData) == 16 && offsetof(ClapHost, getExtension) == 56 &&
              offsetof(ClapHost, requestCallback) == 80 && sizeof(ClapHost) == 88);
static_assert(sizeof(ClapEventHeader) == 16 && offsetof(ClapEventHeader, spaceId) == 8 &&
              offsetof(ClapEventHeader, type) == 10 && offsetof(ClapEventHeader, flags) == 12);
static_assert(offsetof(ClapEventParamValue, paramId) == 16 &&
              offsetof(ClapEventParamValue, cookie) == 24 &&
              offsetof(ClapEventParamValue, noteId) == 32 &&
              offsetof(ClapEventParamValue, key) == 40 &&
              offsetof(ClapEventParamValue, value) == 48 && sizeof(ClapEventParamValue) == 56);
static_assert(offsetof(ClapEventParamGesture, paramId) == 16 &&
              sizeof(ClapEventParamGesture) == 20);
static_assert(offsetof(ClapEventTransport, flags) == 16 &&
              offsetof(ClapEventTransport, songPosBeats) == 24 &&
              offsetof(ClapEventTransport, tempo) == 40 &&
              offsetof(ClapEventTransport, barStart) == 88 &&
              offsetof(ClapEventTransport, barNumber) == 96 &&
              offsetof(ClapEventTransport, timeSignatureDenominator) == 102 &&
              sizeof(ClapEventTransport) == 104);
static_assert(sizeof(ClapInputEvents) == 24 && sizeof(ClapOutputEvents) == 16);
static_assert(offsetof(ClapAudioBuffer, channelCount) == 16 &&
              offsetof(ClapAudioBuffer, constantMask) == 24 && sizeof(ClapAudioBuffer) == 32);
static_assert(offsetof(ClapProcess, framesCount) == 8 && offsetof(ClapProcess, transport) == 16 &&
              offsetof(ClapProcess, audioInputsCount) == 40 &&
              offsetof(ClapProcess, inEvents) == 48 && offsetof(ClapProcess, outEvents) == 56 &&
              sizeof(ClapProcess) == 64);
static_assert(sizeof(ClapInputStream) == 16 && sizeof(ClapOutputStream) == 16);
static_assert(offsetof(ClapAudioPortInfo, flags) == 260 &&
              offsetof(ClapAudioPortInfo, portType) == 272 &&
              offsetof(ClapAudioPortInfo, inPlacePair) == 280 && sizeof(ClapAudioPortInfo) == 288);
static_assert(sizeof(ClapPluginAudioPorts) == 16);
static_assert(offsetof(ClapParamInfo, cookie) == 8 && offsetof(ClapParamInfo, name) == 16 &&
              offsetof(ClapParamInfo, module) == 272 && offsetof(ClapParamInfo, minValue) == 1296 &&
              sizeof(ClapParamInfo) == 1320);
static_assert(sizeof(ClapPluginParams) == 48 && sizeof(ClapHostParams) == 24);
static_assert(sizeof(ClapPluginState) == 16 && sizeof(ClapPluginLatency) == 8 &&
              sizeof(ClapPluginRender) == 16 && sizeof(ClapHostLog) == 8 &&
              sizeof(ClapHostThreadCheck) == 16 && sizeof(ClapPluginPresetLoad) == 8 &&
              sizeof(ClapHostPresetLoad) == 16);
static_assert(sizeof(ClapUniversalPluginId) == 16 && sizeof(ClapPresetMetadataReceiver) == 88);
static_assert(offsetof(ClapPresetLocation, kind) == 16 &&
              offsetof(ClapPresetLocation, location) == 24 && sizeof(ClapPresetLocation) == 32);
static_assert(offsetof(ClapPresetProviderDescriptor, id) == 16 &&
              sizeof(ClapPresetProviderDescriptor) == 40);
static_assert(sizeof(ClapPresetProvider) == 48);
static_assert(offsetof(ClapPresetIndexer, indexerData) == 48 &&
              offsetof(ClapPresetIndexer, getExtension) == 80 && sizeof(ClapPresetIndexer) == 88);
static_assert(sizeof(ClapPresetDiscoveryFactory) == 24);
