// Scene files marked "3DDv10": one or more engine scenes (points, triangles and optionally vertex
// normals, texture coordinates, materials, texture records, lights and glass) in one file.
//
//   file header (16 bytes) | scene header (72) | points | triangles | materials | textures |
//   lights | glass | scene header | ...
//
// Every scene header records where its sections lie and where the next scene starts. All
// integers and floats are little-endian on disk whatever the build. Corner indices are stored in
// 16 bits, so a scene may reference at most 65536 points: the writers refuse a scene whose
// indices do not fit, and SplitSceneMesh / WriteSceneInParts cut a larger mesh into scenes
// that do.
//
// The readers take files from anywhere. A file is accepted only when every count and offset of
// every scene header it uses fits inside the file, each scene's sections lie in file order, one
// after another, between its header and its next scene, scenes follow one another forwards, and
// every corner index names a point of its scene. Anything else makes the read fail with nothing
// allocated, so no count from a file allocates more than the file's own size justifies.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/scene_records.h"

// Which optional parts a scene stores (writers) or a caller wants (readers: in/out, reduced to
// what was actually delivered).
struct SceneFileFlags {
    bool normals;
    bool materials;      // material index per triangle, and the materials
    bool lights;
    bool texCoords;      // u, v per point, and the texture records
    bool glass;
};

// One scene as the readers deliver it. Every array comes from the page allocator; release them
// with FreeScene / FreeScenes.
struct SceneGeometry {
    char name[16];       // zero-terminated, at most 15 characters
    __Point3ds* points;
    __Triangle3ds* triangles;
    int32_t pointCount;
    int32_t triangleCount;
};

struct SceneExtras {
    int32_t materialCount;
    int32_t lightCount;
    int32_t glassCount;
    int32_t textureCount;
    material3ds* materials;
    light3ds* lights;
    GlassProp* glass;
    __Texture* textures; // pixels is null and present 0: the file holds no map images
};

// Corner indices are 16-bit on disk.
constexpr int32_t SceneFileMaxPoints = 65536;

// Writers: false when the scene is refused (no points or triangles, a negative count, a flagged
// section with a count but no array, a corner index outside the points or above 65535, a file
// that would pass 2 GiB, whose offsets are 32-bit) or the file cannot be written. A refused scene
// leaves the file untouched.
//
// A section is stored only when its flag is set, its count is above 0 and its array is given;
// texture coordinates travel only with texture records and material indices only with materials,
// since the readers drop either without the other.
bool WriteSceneFile(const char* fileName, const char* sceneName, int32_t pointCount, int32_t triangleCount,
                    int32_t materialCount, int32_t lightCount, int32_t textureCount, int32_t glassCount,
                    SceneFileFlags flags, const __Point3ds* points, const __Triangle3ds* triangles,
                    const material3ds* materials, const light3ds* lights, const __Texture* textures,
                    const GlassProp* glass);

// Adds the scene at the end of an existing scene file, or creates the file when it is missing or
// empty. An existing file that is not a sound scene file is refused and left as it was.
bool AppendSceneToFile(const char* fileName, const char* sceneName, int32_t pointCount, int32_t triangleCount,
                       int32_t materialCount, int32_t lightCount, int32_t textureCount, int32_t glassCount,
                       SceneFileFlags flags, const __Point3ds* points, const __Triangle3ds* triangles,
                       const material3ds* materials, const light3ds* lights, const __Texture* textures,
                       const GlassProp* glass);

// Reads every scene. `wanted` is shared by all scenes in order: a part that one scene lacks is
// not read from the scenes after it either, and `wanted` comes back saying so. On failure: false,
// sceneCount 0, both arrays null, `wanted` unchanged, nothing allocated.
bool ReadAllScenes(const char* fileName, int32_t& sceneCount, SceneGeometry*& geometry, SceneExtras*& extras,
                   SceneFileFlags& wanted);

// Reads the first scene only (the file header and that scene must be sound). On failure: false,
// both descriptors zeroed, `wanted` unchanged.
bool ReadFirstScene(const char* fileName, SceneGeometry& geometry, SceneExtras& extras, SceneFileFlags& wanted);

// Releases one scene's arrays (extras may be null) and zeroes the descriptors.
void FreeScene(SceneGeometry& geometry, SceneExtras* extras);

// Releases what ReadAllScenes returned, descriptor arrays included; extras may be null.
void FreeScenes(int32_t sceneCount, SceneGeometry* geometry, SceneExtras* extras);

// ---- Splitting a mesh whose points do not fit 16-bit indices ----

struct SceneMeshPart {
    std::vector<__Point3ds> points;
    std::vector<__Triangle3ds> triangles;  // indices into this part's points
};

// Cuts the mesh, in triangle order, into parts of at most maxPoints points each, taking over the
// points each triangle uses (a point shared by triangles of one part is copied once). A mesh that
// fits gives one part. False, with no parts, when a corner index lies outside the points, the
// mesh is empty, or maxPoints is below 3.
bool SplitSceneMesh(const __Point3ds* points, int32_t pointCount, const __Triangle3ds* triangles,
                    int32_t triangleCount, std::vector<SceneMeshPart>& parts,
                    int32_t maxPoints = SceneFileMaxPoints);

enum SceneWriteMode { SceneWriteCreate, SceneWriteAppend };

// Writes (SceneWriteCreate: a new file; SceneWriteAppend: at the end of the file) the mesh as
// as many scenes as its points need, each with the same materials, lights, texture records and
// glass. One part keeps sceneName; several are named "<name>.1", "<name>.2", ... (the name cut to
// fit 15 characters). partsWritten (may be null) receives the number of scenes written, also
// when a later part fails.
bool WriteSceneInParts(SceneWriteMode mode, const char* fileName, const char* sceneName, int32_t pointCount,
                       int32_t triangleCount, int32_t materialCount, int32_t lightCount, int32_t textureCount,
                       int32_t glassCount, SceneFileFlags flags, const __Point3ds* points,
                       const __Triangle3ds* triangles, const material3ds* materials, const light3ds* lights,
                       const __Texture* textures, const GlassProp* glass, int32_t* partsWritten);

// ---- Inspection: what a file holds and whether the readers would accept it ----

// A scene header as it lies on disk, decoded.
struct SceneHeader {
    char name[16];       // forced to end in a zero byte
    int32_t pointCount;
    int32_t triangleCount;
    int32_t lightCount;
    int32_t materialCount;
    int32_t textureCount;
    int32_t glassCount;
    int32_t next;
    int32_t pointsAt;
    int32_t trianglesAt;
    int32_t lightsAt;
    int32_t materialsAt;
    int32_t texturesAt;
    int32_t glassAt;
    uint8_t normals;
    uint8_t texCoords;
    uint8_t materials;
    uint8_t reserved;
};

struct SceneFileSceneInfo {
    int64_t offset;      // where its header starts
    SceneHeader header;  // zero when headerRead is false
    bool headerRead;     // the 72 header bytes lie inside the file
    bool fits;           // every count and offset fits, and every corner index names a point
    const char* problem; // the first thing found wrong, or ""
};

struct SceneFileInfo {
    int64_t fileSize;
    bool headerRead;     // the file holds the 16 header bytes
    bool magicOk;        // "3DDv10" and its zero byte
    int32_t sceneCount;
    int32_t firstScene;
    std::vector<SceneFileSceneInfo> scenes;  // as far as the chain could be followed
    bool valid;          // ReadAllScenes accepts the file
    const char* problem; // the first thing found wrong, or ""
};

// Walks the file's header and scene chain without trusting any of it. False only when the file
// cannot be opened; everything else is reported in `info`.
bool InspectSceneFile(const char* fileName, SceneFileInfo& info);

// The inspection as "key=value" lines, one fact a line, for the command line.
std::string DescribeSceneFile(const SceneFileInfo& info);
