// Shared by the render command's tests: an effect instance set up in-process, frames rendered
// through the host's planning and render command into images, a scratch folder, and the golden
// frames with their comparison.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "effect/entry.h"
#include "host/image_io.h"
#include "host/render_frames.h"
#include "host/sequence.h"

// A folder of its own for one test, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    const std::filesystem::path& Path() const { return path; }
    // Number of entries anywhere below the folder.
    size_t CountFiles() const;

private:
    std::filesystem::path path;
};

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(SetUpEffect(session, EntryPointFunc, nullptr), PF_Err_NONE); }
    void TearDown() override
    {
        SetDownEffect(session, EntryPointFunc);
        EXPECT_TRUE(SessionProblems(session).empty());
        EXPECT_TRUE(session.effectMessages.empty());
    }
    // Plans and renders one frame in memory; fails the test on any error.
    RgbaImage Render(RenderOptions options, int32_t frame);

    HostSession session;
    std::string error;
};

// Options for the given size, which a layer image does not change.
RenderOptions SizedOptions(int32_t width, int32_t height);
// Small options: no files, the given size, one frame.
RenderOptions SmallOptions(int32_t width, int32_t height, int32_t frame);

// An image with every channel of every pixel at `value`.
RgbaImage UniformImage(int32_t width, int32_t height, uint16_t value);

// 64-bit FNV-1a of an image's size and 16-bit channel values.
uint64_t ImageHash(const RgbaImage& image);

// How far two images of the same size are apart, in 8-bit steps.
struct ImageDifference {
    int maxDifference = 0;        // largest channel difference
    double meanDifference = 0;    // over all channels
    double differingPixels = 0;   // fraction of pixels with any channel more than one step apart
};
ImageDifference CompareImages(const RgbaImage& a, const RgbaImage& b);
