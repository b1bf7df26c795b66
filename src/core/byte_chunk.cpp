#include "core/byte_chunk.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

// State chunks grow in whole pages, so a typical state is one allocation.
constexpr std::size_t kGranularity = 4096;

}  // namespace

int ByteChunk::PutBytes(const void* data, int size) {
    if (size <= 0 || data == nullptr) {
        return Size();
    }
    const int64_t newSize = static_cast<int64_t>(mBytes.size()) + size;
    if (newSize > INT_MAX) {
        return Size();
    }
    if (static_cast<std::size_t>(newSize) > mBytes.capacity()) {
        const std::size_t pages = (static_cast<std::size_t>(newSize) + kGranularity - 1) / kGranularity;
        mBytes.reserve(std::max(pages * kGranularity, mBytes.capacity() * 2));
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    mBytes.insert(mBytes.end(), bytes, bytes + size);
    return Size();
}

int ByteChunk::GetBytes(void* dest, int size, int startPos) const {
    if (startPos < 0 || size < 0) {
        return -1;
    }
    const int64_t end = static_cast<int64_t>(startPos) + size;
    if (end > static_cast<int64_t>(mBytes.size())) {
        return -1;
    }
    if (size > 0) {
        std::memcpy(dest, mBytes.data() + startPos, static_cast<std::size_t>(size));
    }
    return static_cast<int>(end);
}

int ByteChunk::PutString(const char* text) {
    const std::size_t length = text != nullptr ? std::strlen(text) : 0;
    if (length > static_cast<std::size_t>(INT_MAX) - sizeof(int32_t) ||
        static_cast<int64_t>(mBytes.size()) + sizeof(int32_t) + length > INT_MAX) {
        return Size();
    }
    const int32_t n = static_cast<int32_t>(length);
    Put(&n);
    return PutBytes(text, n);
}

int ByteChunk::GetString(std::string& text, int startPos) const {
    int32_t n = 0;
    const int pos = Get(&n, startPos);
    if (pos < 0 || n < 0) {
        return -1;
    }
    const int64_t end = static_cast<int64_t>(pos) + n;
    if (end > INT_MAX) {
        return -1;
    }
    if (end <= static_cast<int64_t>(mBytes.size())) {
        text.assign(reinterpret_cast<const char*>(mBytes.data()) + pos, static_cast<std::size_t>(n));
    }
    return static_cast<int>(end);
}

int ByteChunk::PutChunk(const ByteChunk& other) {
    if (&other == this) {
        const std::vector<uint8_t> copy = mBytes;
        return PutBytes(copy.data(), static_cast<int>(copy.size()));
    }
    return PutBytes(other.mBytes.data(), other.Size());
}

int ByteChunk::Resize(int newSize) {
    mBytes.resize(newSize > 0 ? static_cast<std::size_t>(newSize) : 0u);
    return Size();
}
