// The writing thread and its hand-over with the renderer.
#include "host/frame_writer.h"

#include <chrono>

FrameWriter::FrameWriter(FrameOutput& out) : output(out), thread([this] { Run(); }) {}

FrameWriter::~FrameWriter()
{
    {
        std::lock_guard<std::mutex> guard(lock);
        closing = true;
        waiting.clear();
    }
    changed.notify_all();
    if (thread.joinable())
        thread.join();
}

bool FrameWriter::Push(int32_t frame, HostWorld&& world, std::string& error)
{
    std::unique_lock<std::mutex> guard(lock);
    changed.wait(guard, [this] { return failed || waiting.empty(); });
    if (failed) {
        error = failure;
        return false;
    }
    waiting.push_back(Pending{frame, std::move(world)});
    guard.unlock();
    changed.notify_all();
    return true;
}

std::vector<WrittenFrame> FrameWriter::TakeWritten()
{
    std::lock_guard<std::mutex> guard(lock);
    std::vector<WrittenFrame> done;
    done.swap(written);
    return done;
}

bool FrameWriter::Finish(std::string& error)
{
    {
        std::lock_guard<std::mutex> guard(lock);
        closing = true;
    }
    changed.notify_all();
    if (thread.joinable())
        thread.join();
    if (failed) {
        error = failure;
        return false;
    }
    return output.Finish(error);
}

void FrameWriter::Run()
{
    for (;;) {
        Pending next{0, HostWorld()};
        {
            std::unique_lock<std::mutex> guard(lock);
            changed.wait(guard, [this] { return closing || !waiting.empty(); });
            if (waiting.empty())
                return;
            next = std::move(waiting.front());
            waiting.pop_front();
        }
        changed.notify_all();   // a renderer waiting to hand over may now
        const auto start = std::chrono::steady_clock::now();
        std::string error;
        const bool ok = output.Write(next.frame, next.world, error);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        {
            std::lock_guard<std::mutex> guard(lock);
            if (ok) {
                written.push_back(WrittenFrame{next.frame, seconds});
            } else {
                failed = true;
                failure = error;
                waiting.clear();
            }
        }
        changed.notify_all();
        if (!ok)
            return;
    }
}
