#pragma once
// The plug-in side of HPI_IEffectParameters: the parameter manager that holds
// the host-visible parameter objects, the packet dispatcher that posts data
// packets to render-context fields, and the host objects of one instance
// (controller, automation delegate, transport). A plug-in derives from
// HPI_CEffectParameters (through HPI_CPluginParameters), creates its
// parameters in EffectInit and overrides the operations it handles itself.
//
// Every host call arrives on the host's main thread ([main]); only the render
// procedure runs on [audio] and reads values, never the manager's lists.
//
// Answers at the boundary: an identifier no parameter has gives
// HPI_ERROR_INVALID_PARAMETER_ID; a null output pointer gives
// HPI_ERROR_NULL_ARGUMENT; a non-finite number from the host gives
// HPI_ERROR_INVALID_ARGUMENT and changes nothing. Output texts follow the
// buffer rule of hpi_types.h.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hpi/sdk/hpi_host_wrappers.h"
#include "hpi/sdk/hpi_parameter.h"
#include "hpi/sdk/hpi_plugin_interfaces.h"
#include "hpi/sdk/hpi_unknown.h"

// [any] Copies text into a host buffer: at most capacity - 1 characters and a NUL;
// nothing for a null buffer or a capacity below 1.
void HPI_CopyText(const std::string& text, char* out, int32_t capacity);

// The ordered parameter list plus the identifier map. Owns the parameters.
class HPI_CParameterManager {
public:
    HPI_CParameterManager() = default;
    // [main]
    ~HPI_CParameterManager();
    HPI_CParameterManager(const HPI_CParameterManager&) = delete;
    HPI_CParameterManager& operator=(const HPI_CParameterManager&) = delete;

    // [main] Attaches the delegate to every parameter held now and added later
    // (null detaches). The delegate must outlive the link.
    void SetAutomationDelegate(const HPI_VAutomationDelegate* delegate);
    // [main] Takes the parameter and attaches the delegate (which registers its
    // identifier with the host). A null parameter, or one whose identifier is
    // already held, is dropped; answers the parameter kept, or null.
    HPI_IParameter* AddParameter(std::unique_ptr<HPI_IParameter> parameter);
    // [main] Deletes every parameter (each unregisters itself).
    void RemoveAllParameters();

    // [main]
    int32_t NumParameters() const { return static_cast<int32_t>(mParameters.size()); }
    // [main] null when unknown
    HPI_IParameter* GetParameter(const char* id) const;
    // [main] null outside the list
    HPI_IParameter* GetParameterByIndex(int32_t index) const;
    // [main] -1 when unknown
    int32_t GetParameterIndex(const char* id) const;

private:
    std::vector<std::unique_ptr<HPI_IParameter>> mParameters;
    std::map<std::string, HPI_IParameter*, std::less<>> mByIdentifier;
    const HPI_VAutomationDelegate* mAutomationDelegate = nullptr;
};

// Packets the plug-in posts to render-context fields through the controller,
// one per registered identifier, generated again whenever the identifier is
// marked dirty. The map is guarded by a mutex.
class HPI_CPacketDispatcher {
public:
    // Fills the packet bytes for a field; the size must stay the same.
    using Generator = std::function<void(std::vector<unsigned char>& bytes)>;

    // [main] null detaches
    void SetController(const HPI_VController* controller);
    // [main] One packet of packetSize bytes for fieldIndex, sent while the
    // identifier is dirty. A second registration of an identifier replaces it.
    void RegisterPacket(const char* id, uint32_t fieldIndex, uint32_t packetSize, Generator generator);
    // [main] Marks an identifier's packet for the next Dispatch; unknown
    // identifiers are ignored.
    void SetDirty(const char* id);
    // [main] Generates and posts every dirty packet; answers the first
    // non-zero post result (the packet stays dirty), else 0.
    HPI_Result Dispatch();

private:
    struct Packet {
        uint32_t fieldIndex = 0;
        std::vector<unsigned char> bytes;
        Generator generator;
        bool dirty = true;
    };
    std::mutex mLock;
    std::map<std::string, Packet, std::less<>> mPackets;
    const HPI_VController* mController = nullptr;
};

class HPI_CEffectParameters : public HPI_TUnknown<HPI_IEffectParameters> {
public:
    // [main]
    HPI_CEffectParameters();
    // [main] Deletes the parameters before the host objects go.
    ~HPI_CEffectParameters() override;

    // ---- HPI_IEffectParameters ----------------------------------------------
    // [main] Wraps controller, automation delegate and transport, runs EffectInit and
    // answers its result. When EffectInit throws, no parameter stays behind.
    HPI_Result Initialize(HPI_IUnknown* instanceObject) override;
    // [main]
    HPI_Result Uninitialize() override;

    // [main]
    HPI_Result GetNumberOfParameters(int32_t* outCount) override;
    // [main] "MasterBypassID" when such a parameter is registered, otherwise "".
    HPI_Result GetMasterBypassParameter(char* outID, int32_t capacity) override;
    // [main]
    HPI_Result GetParameterIsAutomatable(const char* id, bool* outIsAutomatable) override;
    // [main]
    HPI_Result GetParameterNumberOfSteps(const char* id, int32_t* outSteps) override;
    // [main]
    HPI_Result GetParameterType(const char* id, int32_t* outType) override;
    // [main]
    HPI_Result GetParameterSecondCode(const char* id, int32_t* outCode) override;
    // [main]
    HPI_Result GetParameterNormalizedValue(const char* id, double* outValue) override;
    // [main]
    HPI_Result GetParameterDefaultNormalizedValue(const char* id, double* outValue) override;
    // [main]
    HPI_Result SetParameterDefaultNormalizedValue(const char* id, double value) override;
    // [main]
    HPI_Result TouchParameter(const char* id) override;
    // [main]
    HPI_Result ReleaseParameter(const char* id) override;
    // [main]
    HPI_Result GetParameterName(const char* id, char* outName, int32_t capacity) override;
    // [main] The longest "\n"-separated variant of the shortened name that fits
    // numChars (the first of equal length); with none fitting, "" for
    // numChars <= 0, else the shortened name cut to numChars.
    HPI_Result GetParameterNameOfLength(const char* id, int32_t numChars, char* outName, int32_t capacity) override;
    // [main]
    HPI_Result GetParameter(const char* id, HPI_IParameter** outParameter) override;
    // [main]
    HPI_Result GetParameterIndex(const char* id, int32_t* outIndex) override;
    // [main]
    HPI_Result GetParameterIDFromIndex(int32_t index, char* outID, int32_t capacity) override;
    // [main]
    HPI_Result GetParameterValueFromString(const char* id, const char* text, double* outValue) override;
    // [main]
    HPI_Result GetParameterStringFromValue(const char* id, double value, int32_t maxChars, char* outText,
                                           int32_t capacity) override;
    // [main]
    HPI_Result GetParameterValueString(const char* id, int32_t maxChars, char* outText, int32_t capacity) override;
    // [main] Answers HPI_ERROR_UNIMPLEMENTED.
    HPI_Result GetParameterValueInfo(const char* id, int32_t selector, int32_t* outValue) override;
    // [main] A set-value request through the parameter (touch, request, release).
    HPI_Result SetParameterNormalizedValue(const char* id, double value) override;
    // [main] Set with clamp(current + delta, 0, 1).
    HPI_Result SetParameterNormalizedRelative(const char* id, double delta) override;
    // [main] Stores the value in the parameter, marks its packet dirty and counts a
    // change (also when the value did not change).
    HPI_Result UpdateParameterNormalizedValue(const char* id, double value) override;
    // [main] Update with clamp(current + delta, 0, 1).
    HPI_Result UpdateParameterNormalizedRelative(const char* id, double delta) override;
    // [main] The change counter; nothing is written while it is negative (wrapped).
    HPI_Result GetNumberOfChanges(int32_t* outChanges) override;

    // [main] 'HPpv' sets the bool parameter "PreviewID", when there is one, to the
    // data's first int32 being non-zero. Other codes are ignored. Answers 0.
    HPI_Result Notification(int32_t code, const void* data, uint32_t dataSize) override;
    // [main] HPI_ERROR_UNIMPLEMENTED when the host gives a page table, else 0.
    HPI_Result UpdatePageTable(uint32_t tableType, int32_t pageSize, HPI_IUnknown* pageTable) override;
    // [main]
    HPI_Result TimerWakeup() override;   // 0
    // [main]
    HPI_Result UpdatePackets() override; // the dispatcher's result
    // [main] Zero-fills the block; answers 0.
    HPI_Result ResetFieldData(int32_t fieldIndex, void* data, uint32_t dataSize) override;

    // [main] No chunks by default: count 0, every index HPI_ERROR_INVALID_CHUNK_INDEX,
    // every identifier HPI_ERROR_INVALID_CHUNK_ID, compare answers equal.
    HPI_Result GetNumberOfChunks(int32_t* outCount) override;
    // [main]
    HPI_Result GetChunkIDFromIndex(int32_t index, uint32_t* outChunkID) override;
    // [main]
    HPI_Result GetChunkSize(uint32_t chunkID, int32_t* outSize) override;
    // [main]
    HPI_Result GetChunk(uint32_t chunkID, HPI_SChunkHeader* chunk) override;
    // [main]
    HPI_Result SetChunk(uint32_t chunkID, const HPI_SChunkHeader* chunk) override;
    // [main]
    HPI_Result CompareActiveChunk(const HPI_SChunkHeader* chunk, bool* outIsEqual) override;

protected:
    // [main] Creates the parameters (AddParameter); a non-zero answer ends
    // Initialize with it. Default: nothing, 0.
    virtual HPI_Result EffectInit();

    // [main] Counts one change for the host.
    void CountChange() { mNumberOfChanges = static_cast<int32_t>(static_cast<uint32_t>(mNumberOfChanges) + 1u); }
    int32_t NumberOfChanges() const { return mNumberOfChanges; }

    HPI_CParameterManager& ParameterManager() { return mParameterManager; }
    HPI_CPacketDispatcher& PacketDispatcher() { return mPacketDispatcher; }
    // Null before Initialize and after Uninitialize.
    const HPI_VController* Controller() const { return mController.get(); }
    const HPI_VAutomationDelegate* AutomationDelegate() const { return mAutomationDelegate.get(); }
    const HPI_VTransport* Transport() const { return mTransport.get(); }

private:
    void ReleaseHostObjects();

    int32_t mNumberOfChanges = 0;
    HPI_CParameterManager mParameterManager;
    HPI_CPacketDispatcher mPacketDispatcher;
    std::unique_ptr<HPI_VController> mController;
    std::unique_ptr<HPI_VAutomationDelegate> mAutomationDelegate;
    std::unique_ptr<HPI_VTransport> mTransport;
};
