// Encoding of the file and scene headers, and the check that a scene header fits its file.
#include "scenefile/scene_file_format.h"

void EncodeFileHeader(unsigned char bytes[16], int32_t sceneCount, int32_t firstScene)
{
    std::memset(bytes, 0, 16);
    std::memcpy(bytes, SceneFileMagic, sizeof SceneFileMagic);
    PutI32(bytes + 8, sceneCount);
    PutI32(bytes + 12, firstScene);
}

FileHeader DecodeFileHeader(const unsigned char bytes[16])
{
    FileHeader header;
    header.magicOk = std::memcmp(bytes, SceneFileMagic, sizeof SceneFileMagic) == 0;
    header.sceneCount = GetI32(bytes + 8);
    header.firstScene = GetI32(bytes + 12);
    return header;
}

void EncodeSceneHeader(unsigned char bytes[72], const SceneHeader& header)
{
    std::memset(bytes, 0, 72);
    std::memcpy(bytes, header.name, 16);
    const int32_t fields[13] = {header.pointCount, header.triangleCount, header.lightCount, header.materialCount,
                                header.textureCount, header.glassCount, header.next, header.pointsAt,
                                header.trianglesAt, header.lightsAt, header.materialsAt, header.texturesAt,
                                header.glassAt};
    for (int i = 0; i < 13; ++i)
        PutI32(bytes + 16 + 4 * i, fields[i]);
    bytes[68] = header.normals;
    bytes[69] = header.texCoords;
    bytes[70] = header.materials;
    bytes[71] = 0;
}

SceneHeader DecodeSceneHeader(const unsigned char bytes[72])
{
    SceneHeader header;
    std::memcpy(header.name, bytes, 16);
    header.name[15] = '\0';
    int32_t* fields[13] = {&header.pointCount, &header.triangleCount, &header.lightCount, &header.materialCount,
                           &header.textureCount, &header.glassCount, &header.next, &header.pointsAt,
                           &header.trianglesAt, &header.lightsAt, &header.materialsAt, &header.texturesAt,
                           &header.glassAt};
    for (int i = 0; i < 13; ++i)
        *fields[i] = GetI32(bytes + 16 + 4 * i);
    header.normals = bytes[68];
    header.texCoords = bytes[69];
    header.materials = bytes[70];
    header.reserved = bytes[71];
    return header;
}

const char* CheckSceneHeader(const SceneHeader& header, int64_t offset, int64_t fileSize)
{
    if (offset < FileHeaderBytes || offset + SceneHeaderBytes > fileSize)
        return "scene header outside the file";
    if (header.pointCount < 0 || header.triangleCount < 0 || header.lightCount < 0 || header.materialCount < 0
        || header.textureCount < 0 || header.glassCount < 0)
        return "negative count";
    const int64_t dataStart = offset + SceneHeaderBytes;
    // next is where this scene ends and the next one starts; requiring it to lie past the
    // header makes the chain move forwards only, so it cannot loop, and no two scenes share bytes.
    const bool chainEnd = header.next == ChainEndMark;
    if (!chainEnd && (header.next < dataStart || header.next > fileSize))
        return "next scene offset not after this header or past the end of the file";
    const int64_t sceneEnd = chainEnd ? fileSize : header.next;
    struct Section {
        int32_t count;
        int32_t at;
        int64_t entryBytes;
        const char* problem;
    };
    // In file order: a sound scene lays its sections one after another, so each must start
    // where the ones before it have ended. That also bounds what a scene's counts may claim by
    // the bytes it occupies.
    const Section sections[6] = {
        {header.pointCount, header.pointsAt, PointEntryBytes(header.normals != 0, header.texCoords != 0),
         "points section outside the scene or out of order"},
        {header.triangleCount, header.trianglesAt, TriangleEntryBytes(header.materials != 0),
         "triangles section outside the scene or out of order"},
        {header.materialCount, header.materialsAt, MaterialBytes, "materials section outside the scene or out of order"},
        {header.textureCount, header.texturesAt, TextureBytes, "textures section outside the scene or out of order"},
        {header.lightCount, header.lightsAt, LightBytes, "lights section outside the scene or out of order"},
        {header.glassCount, header.glassAt, GlassBytes, "glass section outside the scene or out of order"},
    };
    // Each product is below 2^31 x 2292 < 2^43, far inside 64 bits.
    int64_t nextFree = dataStart;
    for (const Section& s : sections) {
        if (s.count == 0)
            continue;
        const int64_t end = s.at + s.count * s.entryBytes;
        if (s.at < nextFree || end > sceneEnd)
            return s.problem;
        nextFree = end;
    }
    return nullptr;
}

bool ReadFileHeader(FileHandle file, FileHeader& header)
{
    unsigned char bytes[16];
    if (!FileSeek(file, 0) || !FileRead(file, bytes, sizeof bytes))
        return false;
    header = DecodeFileHeader(bytes);
    return true;
}

bool ReadSceneHeaderAt(FileHandle file, int64_t offset, int64_t fileSize, SceneHeader& header, const char*& problem)
{
    std::memset(&header, 0, sizeof header);
    unsigned char bytes[72];
    if (offset < FileHeaderBytes || offset + SceneHeaderBytes > fileSize) {
        problem = "scene header outside the file";
        return false;
    }
    if (!FileSeek(file, offset) || !FileRead(file, bytes, sizeof bytes)) {
        problem = "scene header cannot be read";
        return false;
    }
    header = DecodeSceneHeader(bytes);
    problem = CheckSceneHeader(header, offset, fileSize);
    if (problem)
        return false;
    problem = "";
    return true;
}

// Read in pieces, like the reader does, so a large scene needs no buffer of its size.
const char* CheckCorners(FileHandle file, const SceneHeader& h)
{
    const int64_t entryBytes = TriangleEntryBytes(h.materials != 0);
    bool inside = true;
    bool read = ReadEntries(file, h.trianglesAt, h.triangleCount, entryBytes,
                            [&](const unsigned char* bytes, int32_t, int32_t entries) {
                                for (int32_t i = 0; i < entries && inside; ++i, bytes += entryBytes)
                                    inside = GetU16(bytes) < h.pointCount && GetU16(bytes + 2) < h.pointCount
                                        && GetU16(bytes + 4) < h.pointCount;
                                return inside;
                            });
    if (!inside)
        return "corner index past the points";
    return read ? "" : "triangles cannot be read";
}
