// Frames are encoded and written on a second thread while the module renders the next one on the
// host's calling thread (the module itself renders one frame at a time, on that thread only).
// Encoding and writing a frame costs about as much as rendering it (the closing line gives both),
// so with a core free for the writer a render takes nearer the longer of the two than their sum.
// One frame may wait while another is written: a render holds at most three frames (rendering,
// waiting, being written), and the renderer waits rather than queue more.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/frame_output.h"
#include "host/render_worlds.h"

// A frame the writer has finished, and the seconds its conversion and writing took.
struct WrittenFrame {
    int32_t frame;
    double seconds;
};

class FrameWriter {
public:
    // Starts the thread, which writes to `output` (opened, and touched by nothing else until Finish).
    explicit FrameWriter(FrameOutput& output);
    // Without Finish: the frame being written completes, waiting ones are dropped, the thread ends.
    ~FrameWriter();
    FrameWriter(const FrameWriter&) = delete;
    FrameWriter& operator=(const FrameWriter&) = delete;

    // Hands over a rendered frame, waiting while another already waits. False with the writer's
    // error once a write has failed; nothing is written after that.
    bool Push(int32_t frame, HostWorld&& world, std::string& error);
    // The frames written since the last call, in the order they were written.
    std::vector<WrittenFrame> TakeWritten();
    // Waits until every frame is written and the thread has ended, then finishes the output.
    bool Finish(std::string& error);

private:
    struct Pending {
        int32_t frame;
        HostWorld world;
    };
    void Run();

    FrameOutput& output;
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Pending> waiting;
    std::vector<WrittenFrame> written;
    bool closing = false;      // no more frames will come
    bool failed = false;
    std::string failure;
    std::thread thread;
};
