#pragma once
// Basic vocabulary of the host plug-in interface (HPI), shared by host and
// plug-in: result type, interface identifiers, four-character codes, stem
// formats and the reference-counted root interface every object handed across
// the library boundary implements.
//
// Interface headers of this folder (hpi_types.h, hpi_result.h,
// hpi_host_interfaces.h, hpi_plugin_interfaces.h, hpi_render.h, hpi_chunk.h,
// hpi_entry_points.h) use only the C++ standard library and are header-only,
// so a host needs nothing else to load and drive a plug-in.
//
// Thread tags on every operation: [main] the host's main thread, [audio] the
// host's render thread (no allocation, no lock, no system call), [any] any
// thread.
//
// Texts crossing the boundary are NUL-terminated UTF-8. An output text is a
// caller's buffer and its capacity in bytes; the callee writes at most
// capacity - 1 characters and always a terminating NUL (nothing when the
// capacity is 0 or the buffer is null).
#include <cstdint>

// 0 is success; the named failures are listed in hpi_result.h.
using HPI_Result = int32_t;

// Identifies an interface for QueryInterface. Values are ours; they only have
// to be distinct.
struct HPI_IID {
    uint64_t mHigh;
    uint64_t mLow;
};
constexpr bool operator==(const HPI_IID& a, const HPI_IID& b) {
    return a.mHigh == b.mHigh && a.mLow == b.mLow;
}
constexpr bool operator!=(const HPI_IID& a, const HPI_IID& b) { return !(a == b); }

// [any] Four-character code: the first letter is the most significant byte
// ('Twh1' == 0x54776831).
constexpr uint32_t HPI_FourCharCode(const char (&text)[5]) {
    return (static_cast<uint32_t>(static_cast<unsigned char>(text[0])) << 24) |
           (static_cast<uint32_t>(static_cast<unsigned char>(text[1])) << 16) |
           (static_cast<uint32_t>(static_cast<unsigned char>(text[2])) << 8) |
           static_cast<uint32_t>(static_cast<unsigned char>(text[3]));
}

// [any] The four letters of a code and a NUL, for traces and tools.
struct HPI_FourCharText {
    char mText[5];
};
// [any]
constexpr HPI_FourCharText HPI_FourCharCodeText(uint32_t code) {
    return HPI_FourCharText{{static_cast<char>((code >> 24) & 0xFF), static_cast<char>((code >> 16) & 0xFF),
                             static_cast<char>((code >> 8) & 0xFF), static_cast<char>(code & 0xFF), '\0'}};
}

// The code a descriptor field holds when nothing was chosen.
constexpr uint32_t kHPI_NoCode = HPI_FourCharCode("none");

// Stem format: the channel layout of one bus. The low 16 bits are the channel
// count; the high bits tell layouts of equal count apart.
enum HPI_EStemFormat : int32_t {
    HPI_eStemFormat_Mono = 0x00000001,
    HPI_eStemFormat_Stereo = 0x00010002,
    HPI_eStemFormat_LCR = 0x00020003,
    HPI_eStemFormat_Quad = 0x000E0004,
    HPI_eStemFormat_5_0 = 0x00050005,
    HPI_eStemFormat_5_1 = 0x00060006,
    HPI_eStemFormat_6_1 = 0x000B0007,
    HPI_eStemFormat_7_1 = 0x000C0008,
    HPI_eStemFormat_7_2 = 0x00120009,
    HPI_eStemFormat_7_1_2 = 0x000D000A,
    HPI_eStemFormat_9_1_6 = 0x00130010,
    HPI_eStemFormat_None = static_cast<int32_t>(0xFF9C0000u),
};

// [any] The stem format of a bus with that many channels; HPI_eStemFormat_None for
// counts without a layout (0, 11..15, above 16, negative).
constexpr int32_t HPI_StemFormatOfChannelCount(int32_t channels) {
    switch (channels) {
        case 1: return HPI_eStemFormat_Mono;
        case 2: return HPI_eStemFormat_Stereo;
        case 3: return HPI_eStemFormat_LCR;
        case 4: return HPI_eStemFormat_Quad;
        case 5: return HPI_eStemFormat_5_0;
        case 6: return HPI_eStemFormat_5_1;
        case 7: return HPI_eStemFormat_6_1;
        case 8: return HPI_eStemFormat_7_1;
        case 9: return HPI_eStemFormat_7_2;
        case 10: return HPI_eStemFormat_7_1_2;
        case 16: return HPI_eStemFormat_9_1_6;
        default: return HPI_eStemFormat_None;
    }
}

// [any] Channel count of a stem format: its low 16 bits (0 for None).
constexpr int32_t HPI_ChannelCountOfStemFormat(int32_t stemFormat) {
    return static_cast<int32_t>(static_cast<uint32_t>(stemFormat) & 0xFFFFu);
}

// Root of every reference-counted object passed between host and plug-in.
// An object is created with one reference, owned by whoever created it or
// received it from a factory; AddRef and Release change the count and the
// object destroys itself when it reaches 0. Objects are never deleted
// through this interface.
class HPI_IUnknown {
public:
    static constexpr HPI_IID kInterfaceID{0x48504955'6E6B6E77ull, 0x00000000'00000001ull};

    // [any] On success writes the interface pointer for `iid` to *out with one new
    // reference and answers 0; the pointer written is the object's I*
    // converted to void*, so the caller may static_cast it back to I*. Otherwise writes null and
    // answers HPI_ERROR_UNKNOWN_ID (-20041); a null `out` answers
    // HPI_ERROR_NULL_ARGUMENT (-20044).
    virtual HPI_Result QueryInterface(const HPI_IID& iid, void** out) = 0;
    // [any] Both answer the new count (for diagnostics only).
    virtual uint32_t AddRef() = 0;
    // [any]
    virtual uint32_t Release() = 0;

protected:
    ~HPI_IUnknown() = default;
};

// [any] Asks `object` for interface I and answers it with one reference (null when
// the object is null or does not offer I).
template <typename I>
I* HPI_QueryInterface(HPI_IUnknown* object) {
    if (object == nullptr) {
        return nullptr;
    }
    void* found = nullptr;
    if (object->QueryInterface(I::kInterfaceID, &found) != 0) {
        return nullptr;
    }
    return static_cast<I*>(found);
}

// [any] Owns one reference to an interface and releases it at the end.
template <typename I>
class HPI_Ref {
public:
    HPI_Ref() = default;
    // [any] Takes over a reference the caller already owns (from a factory, a
    // New... call or HPI_QueryInterface).
    static HPI_Ref Adopt(I* owned) {
        HPI_Ref ref;
        ref.mObject = owned;
        return ref;
    }
    // [any] Asks `object` for I; empty when it does not offer it.
    static HPI_Ref Query(HPI_IUnknown* object) { return Adopt(HPI_QueryInterface<I>(object)); }

    // [any]
    HPI_Ref(const HPI_Ref& other) : mObject(other.mObject) {
        if (mObject != nullptr) {
            mObject->AddRef();
        }
    }
    // [any]
    HPI_Ref(HPI_Ref&& other) noexcept : mObject(other.mObject) { other.mObject = nullptr; }
    HPI_Ref& operator=(HPI_Ref other) noexcept {
        I* previous = mObject;
        mObject = other.mObject;
        other.mObject = previous;
        return *this;
    }
    // [any]
    ~HPI_Ref() { Reset(); }

    // [any]
    void Reset() {
        if (mObject != nullptr) {
            I* object = mObject;
            mObject = nullptr;
            object->Release();
        }
    }
    // [any]
    I* Get() const { return mObject; }
    I* operator->() const { return mObject; }
    // [any]
    explicit operator bool() const { return mObject != nullptr; }

private:
    I* mObject = nullptr;
};
