// The progress line of a render of several frames: which frame, how many of how many, the real
// time a frame takes (rendering and writing, measured on the wall clock from the start of the
// run, so with several worker processes it is the time per finished frame) and an estimate of
// the time left. On a terminal it rewrites one line; into a file or a pipe it writes plain lines,
// at most about one a second, so a log stays readable.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

enum class ProgressStyle {
    Quiet,      // nothing (--quiet)
    Lines,      // plain lines
    Terminal,   // one line, rewritten
    Report      // a worker's: one FrameReportFormat line per finished frame, for the parent
};

// A worker's report of a finished frame: its number and "rendered" or "kept".
constexpr const char* FrameReportFormat = "@velmora frame %d %15s";

class ProgressLine {
public:
    ProgressLine(std::ostream& err, ProgressStyle style, int64_t frameCount);

    // A frame is finished: rendered and written, or skipped because its file was complete.
    void FrameDone(int32_t frame, bool skipped);
    // Ends the line so that a message or the closing line starts on a line of its own.
    void Close();

    int64_t Rendered() const { return rendered; }
    int64_t Skipped() const { return skipped; }

private:
    void Show(int32_t frame, bool last);

    std::ostream& err;
    ProgressStyle style;
    int64_t frameCount;
    int64_t rendered = 0;
    int64_t skipped = 0;
    size_t shownWidth = 0;   // of the terminal line now shown, to blank a longer one
    bool open = false;       // a terminal line waits for its end
    std::chrono::steady_clock::time_point start;
    std::chrono::steady_clock::time_point lastLine;
};

// "1.25 s", "3 min 20 s", "2 h 5 min": a duration for people.
std::string DurationText(double seconds);
