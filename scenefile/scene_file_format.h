// The on-disk layout of scene files, shared by the writers, the readers and the inspection:
// byte encoding, header sizes, entry sizes and the soundness check of a scene header.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/file_access.h"
#include "scenefile/scene_file.h"

// Materials, texture records, lights and glass go to disk as they lie in memory. Their layouts
// are little-endian by contract with the engine's callers; a big-endian build would need them
// swapped field by field, which nothing here does.
#if defined(__BYTE_ORDER__) && defined(__ORDER_LITTLE_ENDIAN__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "scene file records are stored as little-endian memory images"
#endif

constexpr int64_t FileHeaderBytes = 16;
constexpr int64_t SceneHeaderBytes = 72;
constexpr int64_t MaterialBytes = sizeof(material3ds);
constexpr int64_t TextureBytes = sizeof(__Texture);
constexpr int64_t LightBytes = sizeof(light3ds);
constexpr int64_t GlassBytes = sizeof(GlassProp);
// Offsets are signed 32-bit fields, so no scene may end past this.
constexpr int64_t MaxFileOffset = INT32_MAX;

// A next field of -1 marks the end of the chain, as some writers mark their last scene. Such a
// scene has no stated end: its sections may reach up to the end of the file.
constexpr int32_t ChainEndMark = -1;
// Where the next field sits in a scene header.
constexpr int64_t NextFieldOffset = 40;

// Six bytes of text and a zero; the reserved byte after it is not part of the check.
constexpr char SceneFileMagic[7] = {'3', 'D', 'D', 'v', '1', '0', '\0'};

inline int64_t PointEntryBytes(bool normals, bool texCoords) { return (3 + 3 * normals + 2 * texCoords) * 4; }
inline int64_t TriangleEntryBytes(bool materials) { return (3 + materials) * 2; }

inline void PutU16(unsigned char* at, uint32_t value)
{
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
}

inline void PutI32(unsigned char* at, int32_t value)
{
    uint32_t bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(bits >> (8 * i));
}

inline void PutF32(unsigned char* at, float value)
{
    int32_t bits;
    std::memcpy(&bits, &value, 4);
    PutI32(at, bits);
}

inline uint16_t GetU16(const unsigned char* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

inline int32_t GetI32(const unsigned char* at)
{
    uint32_t bits = uint32_t(at[0]) | (uint32_t(at[1]) << 8) | (uint32_t(at[2]) << 16) | (uint32_t(at[3]) << 24);
    int32_t value;
    std::memcpy(&value, &bits, 4);
    return value;
}

inline float GetF32(const unsigned char* at)
{
    int32_t bits = GetI32(at);
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

struct FileHeader {
    bool magicOk;
    int32_t sceneCount;
    int32_t firstScene;
};

void EncodeFileHeader(unsigned char bytes[16], int32_t sceneCount, int32_t firstScene);
FileHeader DecodeFileHeader(const unsigned char bytes[16]);

void EncodeSceneHeader(unsigned char bytes[72], const SceneHeader& header);
SceneHeader DecodeSceneHeader(const unsigned char bytes[72]);

// Null when the header, found at `offset` in a file of `fileSize` bytes, is sound: counts are
// not negative, the header lies in the file, next lies after the header and inside the file (or
// is the chain's end mark), and the sections with a count above 0 follow one another, in file
// order, between the end of the header and next (the end of the file for the end mark). Else a
// short text saying what is wrong. Whether an end mark may stand where it does is the chain
// walker's question: only the last scene of the count may carry it.
const char* CheckSceneHeader(const SceneHeader& header, int64_t offset, int64_t fileSize);

// Reads the triangles of a sound scene header and checks that every corner names one of its
// points; "" when all do, else what is wrong.
const char* CheckCorners(FileHandle file, const SceneHeader& header);

// Reads the file header at offset 0; false when the file is shorter than it.
bool ReadFileHeader(FileHandle file, FileHeader& header);

// The longest chain of scene headers a file of `fileSize` bytes can hold: each takes its own
// 72 bytes after the file header.
inline int64_t MaxScenesInFile(int64_t fileSize)
{
    return fileSize < FileHeaderBytes ? 0 : (fileSize - FileHeaderBytes) / SceneHeaderBytes;
}

// Reads and checks the scene header at `offset`. False when it lies outside the file, cannot be
// read or is not sound; `header` is then zero unless it was read, and `problem` says why.
bool ReadSceneHeaderAt(FileHandle file, int64_t offset, int64_t fileSize, SceneHeader& header, const char*& problem);

// Reads `count` entries of `entryBytes` each from `offset`, in pieces, handing each piece to
// `use(bytes, firstIndex, entries)`; stops with false on a failed read or when `use` says false.
template <typename Use>
bool ReadEntries(FileHandle file, int64_t offset, int32_t count, int64_t entryBytes, Use use)
{
    if (count <= 0)
        return true;
    if (!FileSeek(file, offset))
        return false;
    // 64 KiB at a time keeps the buffer small whatever the count says.
    constexpr int64_t PieceBytes = 65536;
    int32_t perPiece = static_cast<int32_t>(PieceBytes / entryBytes);
    if (perPiece < 1)
        perPiece = 1;
    unsigned char buffer[PieceBytes];
    for (int32_t first = 0; first < count; first += perPiece) {
        int32_t entries = count - first < perPiece ? count - first : perPiece;
        if (!FileRead(file, buffer, static_cast<size_t>(entries * entryBytes)) || !use(buffer, first, entries))
            return false;
    }
    return true;
}
