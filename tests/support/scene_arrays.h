// A scene as the record arrays the engine and the scene file take: the tests' scene builder
// makes one, and the scene-file tests write and read one back.
#pragma once

#include <vector>

#include "engine/scene_records.h"

struct SceneArrays {
    std::vector<__Point3ds> points;
    std::vector<__Triangle3ds> triangles;
    std::vector<material3ds> materials;
    std::vector<__Texture> textures;
    std::vector<light3ds> lights;
    std::vector<GlassProp> glass;
};
