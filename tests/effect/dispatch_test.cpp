// What each command answers, and that commands the effect does not serve touch nothing.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "effect/entry.h"
#include "effect/params.h"

namespace {

// Records filled with a pattern, so that any write shows up as a difference.
class DispatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::memset(&in, 0x5A, sizeof in);
        std::memset(&out, 0xA5, sizeof out);
        std::memset(&output, 0x3C, sizeof output);
        std::memcpy(&outBefore, &out, sizeof out);
        std::memcpy(&outputBefore, &output, sizeof output);
    }
    bool OutUnchanged() const { return std::memcmp(&out, &outBefore, sizeof out) == 0; }
    bool OutputUnchanged() const { return std::memcmp(&output, &outputBefore, sizeof output) == 0; }

    PF_InData in;
    PF_OutData out, outBefore;
    PF_LayerDef output, outputBefore;
};

TEST_F(DispatchTest, CommandsNotServedAnswerNoErrorAndTouchNothing)
{
    std::vector<PF_Cmd> commands = {2, 9, 10, 12, 13, 14};
    for (PF_Cmd c = 16; c <= 40; ++c)
        commands.push_back(c);
    for (PF_Cmd c : {-1, 100, 0x7FFF, INT_MAX, INT_MIN})
        commands.push_back(c);
    for (PF_Cmd cmd : commands) {
        EXPECT_EQ(EntryPointFunc(cmd, &in, &out, nullptr, &output, nullptr), PF_Err_NONE) << cmd;
        EXPECT_TRUE(OutUnchanged()) << cmd;
        EXPECT_TRUE(OutputUnchanged()) << cmd;
    }
}

TEST_F(DispatchTest, SetdownsAndFlattenHaveNothingToDo)
{
    for (PF_Cmd cmd : {PF_Cmd_GLOBAL_SETDOWN, PF_Cmd_SEQUENCE_FLATTEN, PF_Cmd_SEQUENCE_SETDOWN}) {
        EXPECT_EQ(EntryPointFunc(cmd, &in, &out, nullptr, &output, nullptr), PF_Err_NONE) << cmd;
        EXPECT_TRUE(OutUnchanged()) << cmd;
        EXPECT_TRUE(OutputUnchanged()) << cmd;
    }
}

TEST_F(DispatchTest, GlobalSetupAnswersVersionAndFlags)
{
    EXPECT_EQ(EntryPointFunc(PF_Cmd_GLOBAL_SETUP, &in, &out, nullptr, &output, nullptr), PF_Err_NONE);
    EXPECT_EQ(out.my_version, 0x00100001u);
    EXPECT_EQ(out.out_flags, 0x06008454);
    // Only those two fields.
    out.my_version = outBefore.my_version;
    out.out_flags = outBefore.out_flags;
    EXPECT_TRUE(OutUnchanged());
}

TEST_F(DispatchTest, SequenceSetupAsksForNoSequenceData)
{
    EXPECT_EQ(EntryPointFunc(PF_Cmd_SEQUENCE_SETUP, &in, &out, nullptr, &output, nullptr), PF_Err_NONE);
    EXPECT_EQ(out.sequence_data, nullptr);
    EXPECT_EQ(out.flat_sdata_size, 0);
}

TEST_F(DispatchTest, SequenceResetupKeepsExistingSequenceData)
{
    void* data = &output;
    in.sequence_data = &data;
    EXPECT_EQ(EntryPointFunc(PF_Cmd_SEQUENCE_RESETUP, &in, &out, nullptr, &output, nullptr), PF_Err_NONE);
    EXPECT_TRUE(OutUnchanged());
}

TEST_F(DispatchTest, SequenceResetupWithoutSequenceDataSetsUpAfresh)
{
    in.sequence_data = nullptr;
    EXPECT_EQ(EntryPointFunc(PF_Cmd_SEQUENCE_RESETUP, &in, &out, nullptr, &output, nullptr), PF_Err_NONE);
    EXPECT_EQ(out.sequence_data, nullptr);
    EXPECT_EQ(out.flat_sdata_size, 0);
    out.sequence_data = outBefore.sequence_data;
    out.flat_sdata_size = outBefore.flat_sdata_size;
    EXPECT_TRUE(OutUnchanged());
}

TEST_F(DispatchTest, MissingRecordsAreRefusedWithoutACrash)
{
    EXPECT_EQ(EntryPointFunc(PF_Cmd_GLOBAL_SETUP, &in, nullptr, nullptr, nullptr, nullptr), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(EntryPointFunc(PF_Cmd_SEQUENCE_SETUP, &in, nullptr, nullptr, nullptr, nullptr), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(EntryPointFunc(PF_Cmd_SEQUENCE_RESETUP, nullptr, &out, nullptr, nullptr, nullptr), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(EntryPointFunc(PF_Cmd_PARAMS_SETUP, nullptr, &out, nullptr, nullptr, nullptr), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(EntryPointFunc(PF_Cmd_RENDER, &in, &out, nullptr, nullptr, nullptr), PF_Err_BAD_CALLBACK_PARAM);
}

// Until the tree is drawn, a render hands the layer through unchanged.
class PassThroughRender : public ::testing::Test {
protected:
    PF_LayerDef World(std::vector<uint8_t>& pixels, A_long width, A_long height, A_long rowbytes, bool deep)
    {
        pixels.assign(size_t(rowbytes) * size_t(height), 0);
        PF_LayerDef w;
        std::memset(&w, 0, sizeof w);
        w.data = reinterpret_cast<PF_Pixel*>(pixels.data());
        w.width = width;
        w.height = height;
        w.rowbytes = rowbytes;
        w.world_flags = deep ? PF_WorldFlag_DEEP : 0;
        return w;
    }
    PF_Err RenderWith(PF_LayerDef& input, PF_LayerDef& output)
    {
        PF_ParamDef layer;
        std::memset(&layer, 0, sizeof layer);
        layer.param_type = PF_Param_LAYER;
        layer.u.ld = input;
        PF_ParamDef* params[PARAM_COUNT] = {&layer};
        PF_InData in{};
        PF_OutData out{};
        return EntryPointFunc(PF_Cmd_RENDER, &in, &out, params, &output, nullptr);
    }
    std::vector<uint8_t> src, dst;
};

TEST_F(PassThroughRender, CopiesEveryRowAcrossDifferentRowLengths)
{
    for (bool deep : {false, true}) {
        const A_long bpp = deep ? 8 : 4;
        PF_LayerDef input = World(src, 5, 3, 5 * bpp + 12, deep);
        PF_LayerDef output = World(dst, 5, 3, 5 * bpp + 4, deep);
        for (size_t i = 0; i < src.size(); ++i)
            src[i] = uint8_t(i * 7 + 1);
        std::vector<uint8_t> padding(dst.size(), 0xEE);
        std::memset(dst.data(), 0xEE, dst.size());
        ASSERT_EQ(RenderWith(input, output), PF_Err_NONE);
        for (A_long y = 0; y < 3; ++y) {
            EXPECT_EQ(std::memcmp(&dst[size_t(y * output.rowbytes)], &src[size_t(y * input.rowbytes)], size_t(5 * bpp)), 0);
            // The row's tail past the pixels is not the effect's to write.
            EXPECT_EQ(std::memcmp(&dst[size_t(y * output.rowbytes + 5 * bpp)], padding.data(), 4), 0);
        }
    }
}

TEST_F(PassThroughRender, ReadsASmallerLayerOnlyWithinItsBounds)
{
    PF_LayerDef input = World(src, 2, 2, 8, false);
    PF_LayerDef output = World(dst, 4, 4, 16, false);
    std::memset(src.data(), 0x11, src.size());
    ASSERT_EQ(RenderWith(input, output), PF_Err_NONE);
    size_t copied = 0;
    for (uint8_t b : dst)
        copied += b == 0x11;
    EXPECT_EQ(copied, 2u * 2u * 4u);
}

TEST_F(PassThroughRender, LeavesTheFrameWhenTheLayerCannotBeCopied)
{
    PF_LayerDef input = World(src, 4, 4, 16, false);
    PF_LayerDef output = World(dst, 4, 4, 32, true);   // deep output, 8-bit layer
    std::memset(src.data(), 0x11, src.size());
    EXPECT_EQ(RenderWith(input, output), PF_Err_NONE);
    for (uint8_t b : dst)
        ASSERT_EQ(b, 0);
    input.data = nullptr;   // no layer at all
    output.world_flags = 0;
    EXPECT_EQ(RenderWith(input, output), PF_Err_NONE);
    for (uint8_t b : dst)
        ASSERT_EQ(b, 0);
}

TEST_F(PassThroughRender, RefusesAnOutputWorldTooNarrowForItsRows)
{
    PF_LayerDef input = World(src, 4, 4, 16, false);
    PF_LayerDef output = World(dst, 4, 4, 16, false);
    output.rowbytes = 8;   // less than four pixels
    EXPECT_EQ(RenderWith(input, output), PF_Err_BAD_CALLBACK_PARAM);
    output.rowbytes = 16;
    output.data = nullptr;
    EXPECT_EQ(RenderWith(input, output), PF_Err_BAD_CALLBACK_PARAM);
}

} // namespace
