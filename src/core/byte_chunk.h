#pragma once
// Growable byte buffer in which plug-in state is written and read back.
// Values are stored in the machine's byte order (little-endian on every
// supported platform). Reads never go past the end: a read that does not fit
// returns -1 and leaves its destination untouched, so a caller that zeroes its
// destination first gets 0 from a failed read, and a -1 position makes every
// following read fail as well.
//
// Not thread-safe: one chunk belongs to one thread at a time. Writing may
// allocate, so chunks are built and read on [main] or [ui], never on [audio].
#include <bit>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

static_assert(std::endian::native == std::endian::little,
              "state bytes are little-endian; a big-endian build needs byte swapping");

class ByteChunk {
public:
    ByteChunk() = default;

    // [main, ui] Appends size raw bytes and returns the new size. A write that
    // would grow the chunk past the int range writes nothing.
    int PutBytes(const void* data, int size);

    // [main, ui] Appends the bytes of a plain value (4 for int32 and float,
    // 8 for double, 1 for bool) and returns the new size.
    template <typename T>
    int Put(const T* value) {
        static_assert(std::is_trivially_copyable_v<T>, "only plain values are stored");
        return PutBytes(value, static_cast<int>(sizeof(T)));
    }

    // [main, ui] Copies size bytes found at startPos into dest and returns
    // startPos + size; -1 (dest untouched) when startPos is negative or fewer
    // bytes remain.
    int GetBytes(void* dest, int size, int startPos) const;

    // [main, ui] Reads one plain value at startPos; see GetBytes.
    template <typename T>
    int Get(T* dest, int startPos) const {
        static_assert(std::is_trivially_copyable_v<T>, "only plain values are stored");
        return GetBytes(dest, static_cast<int>(sizeof(T)), startPos);
    }

    // [main, ui] Appends the text length as int32, then the text bytes
    // without terminator. A null text is stored as the empty text.
    int PutString(const char* text);

    // [main, ui] Reads an int32 length n at startPos (-1 when that fails).
    // A negative n, or one whose end does not fit the int range, gives -1.
    // Otherwise returns startPos + 4 + n and sets text only when all n bytes are
    // present; a string running past the end leaves text as it was and returns
    // a position past the end, so the next read fails.
    int GetString(std::string& text, int startPos) const;

    // [main, ui] Appends another chunk's bytes; returns the new size.
    int PutChunk(const ByteChunk& other);

    // [main, ui]
    int Size() const { return static_cast<int>(mBytes.size()); }
    // [main, ui] Sets the size; new bytes are zero, existing ones are kept. Negative sizes
    // count as 0. Returns the new size.
    int Resize(int newSize);
    // [main, ui]
    void Clear() { mBytes.clear(); }

    // [main, ui]
    uint8_t* Data() { return mBytes.data(); }
    // [main, ui]
    const uint8_t* Data() const { return mBytes.data(); }

    bool operator==(const ByteChunk& other) const = default;

private:
    std::vector<uint8_t> mBytes;
};
