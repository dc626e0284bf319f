// Reading scenes back: every scene of a file, or the first one, into page-allocated arrays.
#include "platform/pages.h"
#include "scenefile/scene_file_format.h"

namespace {

// Page-allocated room for `count` records (nothing for none); false when it could not be had.
template <typename Record>
bool AllocateRecords(Record*& records, int32_t count)
{
    if (count > 0)
        records = static_cast<Record*>(PageAllocate(static_cast<size_t>(count) * sizeof(Record)));
    return count == 0 || records;
}

// Reads `count` records stored as memory images straight into `records`.
bool ReadRecords(FileHandle file, int32_t at, int32_t count, int64_t recordBytes, void* records)
{
    return count <= 0
        || (FileSeek(file, at) && FileRead(file, records, static_cast<size_t>(count * recordBytes)));
}

// One scene at `offset`. The header check has already bounded every count by the bytes of this
// scene, so each allocation is at most a small multiple of what the file holds (a 12-byte point
// becomes a 40-byte record, a 6-byte triangle a 16-byte one).
bool ReadSceneAt(FileHandle file, int64_t fileSize, int64_t offset, SceneFileFlags& wanted, SceneGeometry& g,
                 SceneExtras& e, int32_t& next)
{
    std::memset(&g, 0, sizeof g);
    std::memset(&e, 0, sizeof e);
    SceneHeader h;
    const char* problem = nullptr;
    if (!ReadSceneHeaderAt(file, offset, fileSize, h, problem))
        return false;
    std::memcpy(g.name, h.name, sizeof g.name);

    wanted.normals = wanted.normals && h.normals;
    wanted.texCoords = wanted.texCoords && h.texCoords;
    wanted.materials = wanted.materials && h.materials;
    // A part this scene does not store is dropped from `wanted` for good, so the scenes after
    // it are read without it too: one set of flags describes every scene delivered after it.
    auto keep = [](bool& flag, int32_t count) {
        flag = flag && count > 0;
        return flag ? count : 0;
    };
    e.materialCount = keep(wanted.materials, h.materialCount);
    e.textureCount = keep(wanted.texCoords, h.textureCount);
    e.lightCount = keep(wanted.lights, h.lightCount);
    e.glassCount = keep(wanted.glass, h.glassCount);

    g.pointCount = h.pointCount;
    g.triangleCount = h.triangleCount;
    bool ok = AllocateRecords(g.points, g.pointCount) && AllocateRecords(g.triangles, g.triangleCount)
        && AllocateRecords(e.materials, e.materialCount) && AllocateRecords(e.textures, e.textureCount)
        && AllocateRecords(e.lights, e.lightCount) && AllocateRecords(e.glass, e.glassCount);

    // Fresh pages are zero, so whatever is not read (normals or u, v not wanted, reserved bytes)
    // stays zero.
    const bool fileNormals = h.normals != 0;
    const bool fileTexCoords = h.texCoords != 0;
    const bool keepNormals = wanted.normals;
    const bool keepTexCoords = wanted.texCoords;
    ok = ok && ReadEntries(file, h.pointsAt, g.pointCount, PointEntryBytes(fileNormals, fileTexCoords),
                           [&](const unsigned char* bytes, int32_t first, int32_t entries) {
                               for (int32_t i = 0; i < entries; ++i) {
                                   __Point3ds& p = g.points[first + i];
                                   p.x = GetF32(bytes);
                                   p.y = GetF32(bytes + 4);
                                   p.z = GetF32(bytes + 8);
                                   bytes += 12;
                                   if (fileNormals) {
                                       if (keepNormals) {
                                           p.nx = GetF32(bytes);
                                           p.ny = GetF32(bytes + 4);
                                           p.nz = GetF32(bytes + 8);
                                           p.hasNormal = 1;
                                       }
                                       bytes += 12;
                                   }
                                   if (fileTexCoords) {
                                       if (keepTexCoords) {
                                           p.u = GetF32(bytes);
                                           p.v = GetF32(bytes + 4);
                                           p.mapped = 1;
                                       }
                                       bytes += 8;
                                   }
                               }
                               return true;
                           });

    const bool fileMaterials = h.materials != 0;
    const bool keepMaterials = wanted.materials;
    const int32_t pointCount = g.pointCount;
    ok = ok && ReadEntries(file, h.trianglesAt, g.triangleCount, TriangleEntryBytes(fileMaterials),
                           [&](const unsigned char* bytes, int32_t first, int32_t entries) {
                               const int64_t entryBytes = TriangleEntryBytes(fileMaterials);
                               for (int32_t i = 0; i < entries; ++i, bytes += entryBytes) {
                                   __Triangle3ds& t = g.triangles[first + i];
                                   t.a = GetU16(bytes);
                                   t.b = GetU16(bytes + 2);
                                   t.c = GetU16(bytes + 4);
                                   // A corner past the points would send every rasteriser
                                   // reading outside the point array.
                                   if (t.a >= pointCount || t.b >= pointCount || t.c >= pointCount)
                                       return false;
                                   if (fileMaterials && keepMaterials)
                                       t.material = GetU16(bytes + 6);
                               }
                               return true;
                           });

    ok = ok && ReadRecords(file, h.materialsAt, e.materialCount, MaterialBytes, e.materials)
        && ReadRecords(file, h.texturesAt, e.textureCount, TextureBytes, e.textures)
        && ReadRecords(file, h.lightsAt, e.lightCount, LightBytes, e.lights)
        && ReadRecords(file, h.glassAt, e.glassCount, GlassBytes, e.glass);
    // The file holds no map images, and the pointer stored with a record was another process's
    // address: a record that claimed a map would send the samplers through it.
    for (int32_t i = 0; ok && i < e.textureCount; ++i) {
        e.textures[i].pixels = nullptr;
        e.textures[i].present = 0;
    }
    if (!ok) {
        FreeScene(g, &e);
        return false;
    }
    next = h.next;
    return true;
}

// Opens the file and checks its header; InvalidFile when either fails.
FileHandle OpenSceneFile(const char* fileName, int64_t& fileSize, FileHeader& header)
{
    FileHandle file = fileName ? FileOpen(fileName, FileOpenRead) : InvalidFile;
    if (file == InvalidFile)
        return InvalidFile;
    fileSize = FileSize(file);
    // Every scene needs a header of its own, so a count the file cannot hold is refused before
    // anything is allocated for it.
    if (fileSize < FileHeaderBytes || !ReadFileHeader(file, header) || !header.magicOk || header.sceneCount <= 0
        || header.firstScene <= 0 || header.sceneCount > MaxScenesInFile(fileSize)) {
        FileClose(file);
        return InvalidFile;
    }
    return file;
}

} // namespace

bool ReadAllScenes(const char* fileName, int32_t& sceneCount, SceneGeometry*& geometry, SceneExtras*& extras,
                   SceneFileFlags& wanted)
{
    sceneCount = 0;
    geometry = nullptr;
    extras = nullptr;
    int64_t fileSize = 0;
    FileHeader header;
    FileHandle file = OpenSceneFile(fileName, fileSize, header);
    if (file == InvalidFile)
        return false;
    SceneGeometry* g = nullptr;
    SceneExtras* e = nullptr;
    SceneFileFlags flags = wanted;
    int32_t done = 0;
    bool ok = AllocateRecords(g, header.sceneCount) && AllocateRecords(e, header.sceneCount);
    int32_t next = header.firstScene;
    while (ok && done < header.sceneCount) {
        // An end mark before the count is reached leaves the remaining scenes out of reach.
        ok = next != ChainEndMark && ReadSceneAt(file, fileSize, next, flags, g[done], e[done], next);
        done += ok;
    }
    FileClose(file);
    if (!ok) {
        for (int32_t i = 0; g && e && i < done; ++i)
            FreeScene(g[i], &e[i]);
        PageRelease(g);
        PageRelease(e);
        return false;
    }
    sceneCount = header.sceneCount;
    geometry = g;
    extras = e;
    wanted = flags;
    return true;
}

bool ReadFirstScene(const char* fileName, SceneGeometry& geometry, SceneExtras& extras, SceneFileFlags& wanted)
{
    std::memset(&geometry, 0, sizeof geometry);
    std::memset(&extras, 0, sizeof extras);
    int64_t fileSize = 0;
    FileHeader header;
    FileHandle file = OpenSceneFile(fileName, fileSize, header);
    if (file == InvalidFile)
        return false;
    SceneFileFlags flags = wanted;
    int32_t next = 0;
    bool ok = ReadSceneAt(file, fileSize, header.firstScene, flags, geometry, extras, next);
    FileClose(file);
    if (ok)
        wanted = flags;
    return ok;
}

void FreeScene(SceneGeometry& geometry, SceneExtras* extras)
{
    PageRelease(geometry.points);
    PageRelease(geometry.triangles);
    std::memset(&geometry, 0, sizeof geometry);
    if (extras) {
        PageRelease(extras->materials);
        PageRelease(extras->glass);
        PageRelease(extras->lights);
        PageRelease(extras->textures);
        std::memset(extras, 0, sizeof *extras);
    }
}

void FreeScenes(int32_t sceneCount, SceneGeometry* geometry, SceneExtras* extras)
{
    for (int32_t i = 0; geometry && i < sceneCount; ++i)
        FreeScene(geometry[i], extras ? &extras[i] : nullptr);
    if (sceneCount > 0) {
        PageRelease(geometry);
        PageRelease(extras);
    }
}
