// Scenes to write and compare in the scene-file tests, and a fixture for files in a temp folder.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scenefile/scene_file.h"
#include "tests/support/scene_arrays.h"

struct SampleScene : SceneArrays {
    std::string name;
    SceneFileFlags flags;

    bool WriteTo(const std::string& path) const;
    bool AppendTo(const std::string& path) const;
};

// `triangles` faces with three points of their own each, values that differ per seed and per
// field; with flags.materials two materials (and eight texture records with flags.texCoords),
// two lights and two glass records as flagged. Points carry hasNormal/mapped as the flags say.
SampleScene MakeSampleScene(int seed, int triangles, SceneFileFlags flags);

SceneFileFlags AllParts();
SceneFileFlags NoParts();

// The fuzz seeds: scene files the writer makes, by file name.
struct SeedFile {
    const char* name;
    std::vector<SampleScene> scenes;   // the first written, the others appended
};
std::vector<SeedFile> SeedFiles();

// Checks a scene read back against the written one, given the parts the reader delivered.
void ExpectSceneRead(const SampleScene& written, const SceneGeometry& g, const SceneExtras& e,
                     SceneFileFlags delivered);

std::vector<unsigned char> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);
int32_t GetI32At(const std::vector<unsigned char>& bytes, size_t at);
void PutI32At(std::vector<unsigned char>& bytes, size_t at, int32_t value);

// Gives each test its own file names in the temp folder and removes them afterwards.
class SceneFileTest : public ::testing::Test {
protected:
    std::string TempPath(const std::string& leaf);
    void TearDown() override;
    std::vector<std::string> paths;
};
