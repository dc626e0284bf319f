// Feeds arbitrary bytes as a scene file to the readers, the inspection and the appender.
// Beyond "no crash, no read outside a buffer, no leak", it checks that they agree: the inspection
// calls a file valid exactly when ReadAllScenes accepts it, every scene read back has its corners
// inside its points, appending to an accepted file gives one more readable scene, and appending
// to any other non-empty file leaves it byte for byte as it was.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include <unistd.h>

#include "fuzz/fuzz_checks.h"
#include "scenefile/scene_file.h"
#include "tests/support/whole_file.h"

namespace {

const std::string& InputPath()
{
    // One file per fuzzing process, on a memory file system when there is one, removed at exit.
    static const std::string path = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp")
        + "/velmora_fuzz_scene_" + std::to_string(getpid()) + ".3dd";
    static const bool removedAtExit = std::atexit([] { std::remove(InputPath().c_str()); }) == 0;
    (void)removedAtExit;
    return path;
}

void Check(bool condition, const char* what) { FuzzCheck(condition, "scene file", what); }

bool WriteFile(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

void CheckScenes(int32_t count, const SceneGeometry* g, const SceneExtras* e)
{
    for (int32_t i = 0; i < count; ++i) {
        for (int32_t t = 0; t < g[i].triangleCount; ++t) {
            const __Triangle3ds& tri = g[i].triangles[t];
            Check(tri.a < g[i].pointCount && tri.b < g[i].pointCount && tri.c < g[i].pointCount,
                  "corner outside the points");
        }
        for (int32_t k = 0; k < e[i].textureCount; ++k)
            Check(e[i].textures[k].pixels == nullptr && e[i].textures[k].present == 0, "texture pointer from file");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& path = InputPath();
    if (!WriteFile(path, data, size))
        return 0;
    // The last byte picks the wanted parts, so the shared-flag paths are exercised too.
    const uint8_t pick = size ? data[size - 1] : 0x1F;
    SceneFileFlags wanted = {(pick & 1) != 0, (pick & 2) != 0, (pick & 4) != 0, (pick & 8) != 0, (pick & 16) != 0};

    int32_t count = -1;
    SceneGeometry* geometry = nullptr;
    SceneExtras* extras = nullptr;
    SceneFileFlags all = wanted;
    const bool accepted = ReadAllScenes(path.c_str(), count, geometry, extras, all);
    if (accepted) {
        Check(count > 0 && geometry && extras, "accepted without scenes");
        CheckScenes(count, geometry, extras);
        FreeScenes(count, geometry, extras);
    } else {
        Check(count == 0 && !geometry && !extras, "refused file left something allocated");
    }

    SceneGeometry first;
    SceneExtras firstExtras;
    SceneFileFlags one = wanted;
    if (ReadFirstScene(path.c_str(), first, firstExtras, one)) {
        CheckScenes(1, &first, &firstExtras);
        FreeScene(first, &firstExtras);
    } else {
        Check(!accepted, "first scene refused from an accepted file");
    }

    SceneFileInfo info;
    Check(InspectSceneFile(path.c_str(), info), "inspection could not open the file");
    Check(info.valid == accepted, "inspection and reader disagree");
    (void)DescribeSceneFile(info);

    // A one-triangle scene to append.
    __Point3ds points[3] = {};
    points[1].x = 1.0f;
    points[2].y = 1.0f;
    __Triangle3ds triangle = {0, 1, 2, 0, 0};
    const SceneFileFlags none = {false, false, false, false, false};
    const bool appended = AppendSceneToFile(path.c_str(), "fuzz", 3, 1, 0, 0, 0, 0, none, points, &triangle,
                                            nullptr, nullptr, nullptr, nullptr);
    if (accepted) {
        // Only a file near the 2 GiB offset limit could refuse, and fuzz inputs are far smaller.
        Check(appended, "append refused an accepted file");
        int32_t after = 0;
        SceneFileFlags nothing = none;
        Check(ReadAllScenes(path.c_str(), after, geometry, extras, nothing), "appended file unreadable");
        Check(after == count + 1, "append did not add one scene");
        FreeScenes(after, geometry, extras);
    } else if (size > 0) {
        Check(!appended, "append accepted a refused file");
        std::vector<uint8_t> now = ReadFileBytes(path);
        Check(now.size() == size && std::memcmp(now.data(), data, size) == 0, "append changed a refused file");
    }
    return 0;
}
