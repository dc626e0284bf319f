// Cutting a mesh into scenes whose corner indices fit the file's 16 bits, and writing them.
#include <cstdio>
#include <cstring>

#include "scenefile/scene_file.h"

bool SplitSceneMesh(const __Point3ds* points, int32_t pointCount, const __Triangle3ds* triangles,
                    int32_t triangleCount, std::vector<SceneMeshPart>& parts, int32_t maxPoints)
{
    parts.clear();
    if (!points || !triangles || pointCount <= 0 || triangleCount <= 0 || maxPoints < 3)
        return false;
    // remap[i] is point i's index in the part being filled, or -1; `taken` lists the entries to
    // reset when a part is closed, so each part costs its own size and not the whole mesh's.
    std::vector<int32_t> remap(static_cast<size_t>(pointCount), -1);
    std::vector<int32_t> taken;
    parts.emplace_back();
    for (int32_t i = 0; i < triangleCount; ++i) {
        const __Triangle3ds& t = triangles[i];
        const int32_t corners[3] = {t.a, t.b, t.c};
        int32_t fresh = 0;
        for (int k = 0; k < 3; ++k) {
            if (corners[k] < 0 || corners[k] >= pointCount) {
                parts.clear();
                return false;
            }
            bool repeated = (k > 0 && corners[k] == corners[0]) || (k > 1 && corners[k] == corners[1]);
            fresh += remap[corners[k]] < 0 && !repeated;
        }
        if (static_cast<int64_t>(parts.back().points.size()) + fresh > maxPoints) {
            for (int32_t p : taken)
                remap[p] = -1;
            taken.clear();
            parts.emplace_back();
        }
        SceneMeshPart& part = parts.back();
        int32_t mapped[3];
        for (int k = 0; k < 3; ++k) {
            int32_t& slot = remap[corners[k]];
            if (slot < 0) {
                slot = static_cast<int32_t>(part.points.size());
                part.points.push_back(points[corners[k]]);
                taken.push_back(corners[k]);
            }
            mapped[k] = slot;
        }
        __Triangle3ds copy = t;
        copy.a = mapped[0];
        copy.b = mapped[1];
        copy.c = mapped[2];
        part.triangles.push_back(copy);
    }
    return true;
}

namespace {

// "<name>.<n>" within 15 characters: the name gives way to the number.
void PartName(const char* sceneName, int32_t number, char name[16])
{
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%d", static_cast<int>(number));
    size_t keep = 15 - std::strlen(suffix);
    size_t length = sceneName ? std::strlen(sceneName) : 0;
    if (length > keep)
        length = keep;
    std::memcpy(name, sceneName ? sceneName : "", length);
    std::memcpy(name + length, suffix, std::strlen(suffix) + 1);
}

bool FitsAsOneScene(int32_t pointCount, const __Triangle3ds* triangles, int32_t triangleCount)
{
    const int32_t limit = pointCount < SceneFileMaxPoints ? pointCount : SceneFileMaxPoints;
    for (int32_t i = 0; i < triangleCount; ++i) {
        const __Triangle3ds& t = triangles[i];
        if (t.a < 0 || t.a >= limit || t.b < 0 || t.b >= limit || t.c < 0 || t.c >= limit)
            return false;
    }
    return true;
}

} // namespace

bool WriteSceneInParts(SceneWriteMode mode, const char* fileName, const char* sceneName, int32_t pointCount,
                       int32_t triangleCount, int32_t materialCount, int32_t lightCount, int32_t textureCount,
                       int32_t glassCount, SceneFileFlags flags, const __Point3ds* points,
                       const __Triangle3ds* triangles, const material3ds* materials, const light3ds* lights,
                       const __Texture* textures, const GlassProp* glass, int32_t* partsWritten)
{
    if (partsWritten)
        *partsWritten = 0;
    auto write = [&](bool first, const char* name, int32_t partPoints, int32_t partTriangles,
                     const __Point3ds* partPointArray, const __Triangle3ds* partTriangleArray) {
        auto writer = (first && mode == SceneWriteCreate) ? WriteSceneFile : AppendSceneToFile;
        bool ok = writer(fileName, name, partPoints, partTriangles, materialCount, lightCount, textureCount,
                         glassCount, flags, partPointArray, partTriangleArray, materials, lights, textures, glass);
        if (ok && partsWritten)
            ++*partsWritten;
        return ok;
    };
    if (triangles && triangleCount > 0 && FitsAsOneScene(pointCount, triangles, triangleCount))
        return write(true, sceneName, pointCount, triangleCount, points, triangles);

    std::vector<SceneMeshPart> parts;
    if (!SplitSceneMesh(points, pointCount, triangles, triangleCount, parts))
        return false;
    for (size_t i = 0; i < parts.size(); ++i) {
        char name[16];
        if (parts.size() == 1)
            std::snprintf(name, sizeof name, "%s", sceneName ? sceneName : "");
        else
            PartName(sceneName, static_cast<int32_t>(i + 1), name);
        const SceneMeshPart& part = parts[i];
        if (!write(i == 0, name, static_cast<int32_t>(part.points.size()),
                   static_cast<int32_t>(part.triangles.size()), part.points.data(), part.triangles.data()))
            return false;
    }
    return true;
}
