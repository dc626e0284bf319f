// Writing scenes: a new file, or one more scene at the end of an existing file's chain.
#include <vector>

#include "scenefile/scene_file_format.h"

namespace {

// The writer's arguments in one place, so the two writers share one path.
struct SceneSource {
    const char* name;
    int32_t pointCount;
    int32_t triangleCount;
    int32_t materialCount;
    int32_t lightCount;
    int32_t textureCount;
    int32_t glassCount;
    SceneFileFlags flags;
    const __Point3ds* points;
    const __Triangle3ds* triangles;
    const material3ds* materials;
    const light3ds* lights;
    const __Texture* textures;
    const GlassProp* glass;
};

// Which sections a scene stores. Texture coordinates go only with texture records and material
// indices only with materials: the readers drop either one without the other, so storing it
// alone would be bytes nobody can get back.
struct StoredParts {
    bool normals;
    bool texCoords;
    bool materials;
    bool lights;
    bool glass;
};

bool WantSection(bool flag, int32_t count, const void* array, bool& stored)
{
    stored = flag && count > 0;
    // A flagged section with a count but no array has nothing to write from.
    return !(stored && !array);
}

// False when the scene cannot be stored faithfully.
bool CheckScene(const SceneSource& s, StoredParts& parts)
{
    if (!s.points || !s.triangles || s.pointCount <= 0 || s.triangleCount <= 0)
        return false;
    if (s.materialCount < 0 || s.lightCount < 0 || s.textureCount < 0 || s.glassCount < 0)
        return false;
    parts.normals = s.flags.normals;
    if (!WantSection(s.flags.texCoords, s.textureCount, s.textures, parts.texCoords)
        || !WantSection(s.flags.materials, s.materialCount, s.materials, parts.materials)
        || !WantSection(s.flags.lights, s.lightCount, s.lights, parts.lights)
        || !WantSection(s.flags.glass, s.glassCount, s.glass, parts.glass))
        return false;
    // Corner indices are stored in 16 bits: a larger index would come back naming another point.
    const int64_t limit = s.pointCount < SceneFileMaxPoints ? s.pointCount : SceneFileMaxPoints;
    for (int32_t i = 0; i < s.triangleCount; ++i) {
        const __Triangle3ds& t = s.triangles[i];
        if (t.a < 0 || t.a >= limit || t.b < 0 || t.b >= limit || t.c < 0 || t.c >= limit)
            return false;
    }
    return true;
}

// The header of the scene placed at `offset`, sections in file order; false when the scene would
// end past what 32-bit offsets reach.
bool LayOutScene(const SceneSource& s, const StoredParts& parts, int64_t offset, SceneHeader& header)
{
    std::memset(&header, 0, sizeof header);
    if (s.name)
        for (int i = 0; i < 15 && s.name[i]; ++i)
            header.name[i] = s.name[i];
    header.pointCount = s.pointCount;
    header.triangleCount = s.triangleCount;
    header.normals = parts.normals;
    header.texCoords = parts.texCoords;
    header.materials = parts.materials;

    int64_t at = offset + SceneHeaderBytes;
    auto place = [&at](bool stored, int32_t count, int64_t entryBytes, int32_t& countField) -> int32_t {
        countField = stored ? count : 0;
        if (!stored)
            return -1;
        int64_t here = at;
        at += count * entryBytes;
        return here > MaxFileOffset ? -1 : static_cast<int32_t>(here);
    };
    int32_t pointCount = 0;
    int32_t triangleCount = 0;
    header.pointsAt = place(true, s.pointCount, PointEntryBytes(parts.normals, parts.texCoords), pointCount);
    header.trianglesAt = place(true, s.triangleCount, TriangleEntryBytes(parts.materials), triangleCount);
    header.materialsAt = place(parts.materials, s.materialCount, MaterialBytes, header.materialCount);
    header.texturesAt = place(parts.texCoords, s.textureCount, TextureBytes, header.textureCount);
    header.lightsAt = place(parts.lights, s.lightCount, LightBytes, header.lightCount);
    header.glassAt = place(parts.glass, s.glassCount, GlassBytes, header.glassCount);
    if (at > MaxFileOffset)
        return false;
    header.next = static_cast<int32_t>(at);
    return true;
}

// Collects small writes into pieces of 64 KiB.
struct OutputBuffer {
    explicit OutputBuffer(FileHandle f) : file(f) { bytes.reserve(Capacity); }
    void Put(const void* data, size_t size)
    {
        const unsigned char* from = static_cast<const unsigned char*>(data);
        if (bytes.size() + size > Capacity)
            Flush();
        if (size > Capacity) {
            ok = ok && FileWrite(file, from, size);
            return;
        }
        bytes.insert(bytes.end(), from, from + size);
    }
    bool Flush()
    {
        ok = ok && FileWrite(file, bytes.data(), bytes.size());
        bytes.clear();
        return ok;
    }
    static constexpr size_t Capacity = 65536;
    FileHandle file;
    std::vector<unsigned char> bytes;
    bool ok = true;
};

bool WriteSceneAt(FileHandle file, const SceneSource& s, const StoredParts& parts, const SceneHeader& header,
                  int64_t offset)
{
    if (!FileSeek(file, offset))
        return false;
    OutputBuffer out(file);
    unsigned char bytes[72];
    EncodeSceneHeader(bytes, header);
    out.Put(bytes, 72);

    for (int32_t i = 0; i < s.pointCount; ++i) {
        const __Point3ds& p = s.points[i];
        const float values[8] = {p.x, p.y, p.z, p.nx, p.ny, p.nz, p.u, p.v};
        unsigned char entry[32];
        int n = 0;
        for (int k = 0; k < 8; ++k) {
            if ((k >= 3 && k < 6 && !parts.normals) || (k >= 6 && !parts.texCoords))
                continue;
            PutF32(entry + 4 * n++, values[k]);
        }
        out.Put(entry, 4 * n);
    }
    for (int32_t i = 0; i < s.triangleCount; ++i) {
        const __Triangle3ds& t = s.triangles[i];
        unsigned char entry[8];
        // CheckScene made sure every index is below 65536.
        PutU16(entry, static_cast<uint32_t>(t.a));
        PutU16(entry + 2, static_cast<uint32_t>(t.b));
        PutU16(entry + 4, static_cast<uint32_t>(t.c));
        PutU16(entry + 6, t.material);
        out.Put(entry, parts.materials ? 8 : 6);
    }
    if (parts.materials)
        out.Put(s.materials, static_cast<size_t>(s.materialCount * MaterialBytes));
    if (parts.texCoords) {
        for (int32_t i = 0; i < s.textureCount; ++i) {
            unsigned char record[TextureBytes];
            std::memcpy(record, &s.textures[i], sizeof record);
            // A pointer means nothing in another process; zero keeps files free of addresses and
            // the same from run to run. The pointer takes 8 bytes (offset 12 to 19).
            std::memset(record + offsetof(__Texture, pixels), 0, 8);
            out.Put(record, sizeof record);
        }
    }
    if (parts.lights)
        out.Put(s.lights, static_cast<size_t>(s.lightCount * LightBytes));
    if (parts.glass)
        out.Put(s.glass, static_cast<size_t>(s.glassCount * GlassBytes));
    return out.Flush();
}

bool WriteNewFile(FileHandle file, const SceneSource& s, const StoredParts& parts)
{
    SceneHeader header;
    if (!LayOutScene(s, parts, FileHeaderBytes, header))
        return false;
    unsigned char bytes[16];
    EncodeFileHeader(bytes, 1, static_cast<int32_t>(FileHeaderBytes));
    return FileSeek(file, 0) && FileWrite(file, bytes, sizeof bytes)
        && WriteSceneAt(file, s, parts, header, FileHeaderBytes);
}

// The offset just past the last scene of a file the readers accept, or -1 for any other file.
// When the last scene ends the chain with the end mark, its data may run to the end of the
// file, so the new scene goes after that, and `endMarkAt` is that scene's header offset, whose
// next field must then lead on to the new scene; else it is -1.
int64_t FindChainEnd(FileHandle file, int64_t fileSize, int32_t& sceneCount, int64_t& endMarkAt)
{
    endMarkAt = -1;
    FileHeader fileHeader;
    if (!ReadFileHeader(file, fileHeader) || !fileHeader.magicOk || fileHeader.sceneCount <= 0
        || fileHeader.sceneCount > MaxScenesInFile(fileSize))
        return -1;
    int64_t offset = fileHeader.firstScene;
    for (int32_t i = 0; i < fileHeader.sceneCount; ++i) {
        SceneHeader header;
        const char* problem = nullptr;
        if (!ReadSceneHeaderAt(file, offset, fileSize, header, problem) || *CheckCorners(file, header))
            return -1;
        if (header.next == ChainEndMark) {
            if (i + 1 < fileHeader.sceneCount)
                return -1;
            endMarkAt = offset;
            offset = fileSize;
        } else {
            offset = header.next;
        }
    }
    sceneCount = fileHeader.sceneCount;
    return offset;
}

// Whether the scene can be written at all, decided before any file is opened, so that a refused
// scene leaves an existing file alone.
bool AcceptScene(const char* fileName, const SceneSource& s, StoredParts& parts)
{
    SceneHeader header;
    return fileName && CheckScene(s, parts) && LayOutScene(s, parts, FileHeaderBytes, header);
}

// A file holding just this scene, at a name opened in the given mode.
bool WriteNewFileAt(const char* fileName, FileOpenMode mode, const SceneSource& s,
                    const StoredParts& parts)
{
    FileHandle file = FileOpen(fileName, mode);
    if (file == InvalidFile)
        return false;
    bool ok = WriteNewFile(file, s, parts);
    FileClose(file);
    return ok;
}

bool WriteScene(const char* fileName, const SceneSource& s)
{
    StoredParts parts;
    return AcceptScene(fileName, s, parts) && WriteNewFileAt(fileName, FileCreate, s, parts);
}

bool AppendScene(const char* fileName, const SceneSource& s)
{
    StoredParts parts;
    if (!AcceptScene(fileName, s, parts))
        return false;
    FileHandle file = FileOpen(fileName, FileOpenReadWrite);
    // Only a missing file is created: an existing one is never replaced from here.
    if (file == InvalidFile)
        return WriteNewFileAt(fileName, FileCreateNew, s, parts);
    bool ok = false;
    int64_t fileSize = FileSize(file);
    int32_t sceneCount = 0;
    if (fileSize == 0) {
        ok = WriteNewFile(file, s, parts);
    } else if (fileSize > 0) {
        // The whole chain is checked before anything is written: appending after a broken
        // chain would land inside other scenes' data.
        int64_t endMarkAt = -1;
        int64_t end = FindChainEnd(file, fileSize, sceneCount, endMarkAt);
        SceneHeader header;
        if (end >= 0 && LayOutScene(s, parts, end, header)) {
            // The scene goes first, then the link to it from an end-marked scene, and the count
            // last, so a failed write leaves the old scenes readable under the old count.
            unsigned char count[4];
            PutI32(count, sceneCount + 1);
            unsigned char link[4];
            PutI32(link, static_cast<int32_t>(end));
            ok = WriteSceneAt(file, s, parts, header, end)
                && (endMarkAt < 0 || (FileSeek(file, endMarkAt + NextFieldOffset) && FileWrite(file, link, 4)))
                && FileSeek(file, 8) && FileWrite(file, count, 4);
        }
    }
    FileClose(file);
    return ok;
}

} // namespace

bool WriteSceneFile(const char* fileName, const char* sceneName, int32_t pointCount, int32_t triangleCount,
                    int32_t materialCount, int32_t lightCount, int32_t textureCount, int32_t glassCount,
                    SceneFileFlags flags, const __Point3ds* points, const __Triangle3ds* triangles,
                    const material3ds* materials, const light3ds* lights, const __Texture* textures,
                    const GlassProp* glass)
{
    return WriteScene(fileName, {sceneName, pointCount, triangleCount, materialCount, lightCount, textureCount,
                                 glassCount, flags, points, triangles, materials, lights, textures, glass});
}

bool AppendSceneToFile(const char* fileName, const char* sceneName, int32_t pointCount, int32_t triangleCount,
                       int32_t materialCount, int32_t lightCount, int32_t textureCount, int32_t glassCount,
                       SceneFileFlags flags, const __Point3ds* points, const __Triangle3ds* triangles,
                       const material3ds* materials, const light3ds* lights, const __Texture* textures,
                       const GlassProp* glass)
{
    return AppendScene(fileName, {sceneName, pointCount, triangleCount, materialCount, lightCount, textureCount,
                                  glassCount, flags, points, triangles, materials, lights, textures, glass});
}
