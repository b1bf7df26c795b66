#pragma once
// The chunk record in which the host stores a plug-in's state: a 56-byte
// header followed by the data. The host owns the record and its header
// fields; the plug-in writes the data size and the data (get) and reads them
// (set, compare), and reads the chunk identifier (compare).
#include <cstddef>
#include <cstdint>

struct HPI_SChunkHeader {
    int32_t mSize;            // 0: bytes of data that follow the header
    uint32_t mVersion;        // 4: host's record format
    uint32_t mManufacturerID; // 8: host's copy of the manufacturer code
    uint32_t mProductID;      // 12: host's copy of the product code
    uint32_t mPluginTypeID;   // 16: component that saved it
    uint32_t mChunkID;        // 20: four-character code of the chunk
    char mName[32];           // 24: host's display name of the chunk
};
static_assert(sizeof(HPI_SChunkHeader) == 56);
static_assert(offsetof(HPI_SChunkHeader, mChunkID) == 20);
static_assert(offsetof(HPI_SChunkHeader, mName) == 24);

constexpr std::size_t kHPI_ChunkDataOffset = sizeof(HPI_SChunkHeader);

// [any] Bytes a record needs for `dataSize` bytes of data (negative sizes count as 0).
constexpr std::size_t HPI_ChunkRecordSize(int32_t dataSize) {
    return kHPI_ChunkDataOffset + (dataSize > 0 ? static_cast<std::size_t>(dataSize) : 0u);
}

// [any] The data area right behind the header.
inline unsigned char* HPI_ChunkData(HPI_SChunkHeader* chunk) {
    return reinterpret_cast<unsigned char*>(chunk) + kHPI_ChunkDataOffset;
}
// [any]
inline const unsigned char* HPI_ChunkData(const HPI_SChunkHeader* chunk) {
    return reinterpret_cast<const unsigned char*>(chunk) + kHPI_ChunkDataOffset;
}
