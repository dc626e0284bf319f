// `velmora render --jobs N`: frames written by worker processes are the bytes one process writes,
// a worker's failure stops the run with the worker's message, and an interrupted run leaves no
// partial file. The workers are the velmora program beside the tests.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "host/commands.h"
#include "host/effect_module.h"
#include "host/render_workers.h"
#include "platform/module_loader.h"
#include "platform/processes.h"
#include "tests/host/render_fixture.h"
#include "tests/support/whole_file.h"

namespace {

namespace fs = std::filesystem;

class RenderWorkersTest : public RenderTest {
protected:
    void SetUp() override
    {
        if (!WorkerProcessesAvailable())
            GTEST_SKIP() << "this build starts no worker processes";
        program = ExecutableDir() + "velmora";
        if (!fs::exists(program))
            GTEST_SKIP() << "needs velmora beside the tests";
        RenderTest::SetUp();
    }
    int Run(const RenderOptions& o)
    {
        out.str("");
        err.str("");
        return o.jobs > 1 ? RenderWithWorkers(session, o, program, DefaultModulePath(), out, err)
                          : RenderFrames(session, EntryPointFunc, o, out, err);
    }
    RenderOptions Options(const std::string& folder) const
    {
        RenderOptions o = SmallOptions(96, 54, 0);
        o.lastFrame = 13;
        o.draft = true;
        o.writeFiles = true;
        o.progress = ProgressStyle::Lines;
        o.settings = {"Rotation Y=0@0,90@13"};
        o.outPattern = (scratch.Path() / folder / "f_####.png").string();
        return o;
    }

    std::string program;
    ScratchFolder scratch;
    std::ostringstream out, err;
};

TEST_F(RenderWorkersTest, WorkersWriteTheBytesOfOneProcess)
{
    RenderOptions one = Options("one");
    ASSERT_EQ(Run(one), EXIT_OK) << err.str();
    for (int32_t jobs : {2, 3}) {
        RenderOptions many = Options("jobs" + std::to_string(jobs));
        many.jobs = jobs;
        ASSERT_EQ(Run(many), EXIT_OK) << err.str();
        EXPECT_NE(err.str().find("(14 of 14)"), std::string::npos) << err.str();
        EXPECT_NE(out.str().find("f_0000.png to "), std::string::npos) << out.str();
        for (int32_t frame = 0; frame <= 13; ++frame) {
            const std::string name = FramePath("f_####.png", frame);
            EXPECT_EQ(ReadFileText(scratch.Path() / "one" / name), ReadFileText(scratch.Path() / ("jobs" + std::to_string(jobs)) / name))
                << name << " with " << jobs << " workers";
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(scratch.Path() / ("jobs" + std::to_string(jobs))),
                                fs::directory_iterator()),
                  14);
    }
    // The arguments carry everything that decides a frame.
    const std::vector<std::string> args = WorkerArguments("m.so", one, 3, 5);
    const std::string joined = [&] {
        std::string s;
        for (const std::string& a : args)
            s += a + " ";
        return s;
    }();
    for (const char* part : {"--module m.so render ", "--frames 3-5 ", "--quality draft ", "--size 96x54 ",
                             "--set Rotation Y=0@0,90@13 ", "--sequence-end 13 ", "--jobs 1 --report-frames"})
        EXPECT_NE(joined.find(part), std::string::npos) << part << " in " << joined;
}

TEST_F(RenderWorkersTest, AWorkersFailureStopsTheRunWithItsMessage)
{
    RenderOptions o = Options("fail");
    o.jobs = 2;
    fs::create_directories(scratch.Path() / "fail" / "f_0006.png");   // a folder where a frame belongs
    EXPECT_EQ(Run(o), EXIT_FAILED);
    EXPECT_NE(err.str().find("cannot write " + (scratch.Path() / "fail" / "f_0006.png").string() + ": Is a directory"),
              std::string::npos)
        << err.str();
    EXPECT_NE(err.str().find("the other workers were stopped"), std::string::npos) << err.str();
    EXPECT_TRUE(out.str().empty()) << out.str();
    for (const auto& entry : fs::directory_iterator(scratch.Path() / "fail"))
        EXPECT_EQ(entry.path().filename().string().find(".partial"), std::string::npos) << entry.path();
}

// A termination request to the render (as a scheduler sends, or Ctrl-C to all) stops every
// worker; whatever files exist afterwards are complete frames.
TEST_F(RenderWorkersTest, AnInterruptedRunLeavesOnlyCompleteFrames)
{
    const fs::path folder = scratch.Path() / "stopped";
    WorkerProcess render;
    std::string error;
    ASSERT_TRUE(StartWorker(program,
                            {"render", "--size", "640x360", "--frames", "0-400", "--jobs", "2", "--quiet", "--out",
                             (folder / "f_####.png").string()},
                            render, error))
        << error;
    // Wait for the first finished frame, so the workers are busy writing.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
    while (!fs::exists(folder / "f_0000.png") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    StopWorker(render);
    std::string messages;
    while (ReadWorkerMessages(render, messages))
        WaitForWorkers({render}, 100);
    EXPECT_NE(WaitForWorkerExit(render), 0);
    size_t frames = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        EXPECT_TRUE(FrameFileIsComplete(entry.path().string())) << entry.path();
        ++frames;
    }
    EXPECT_GE(frames, 1u);
    EXPECT_LT(frames, 401u);
}

} // namespace
