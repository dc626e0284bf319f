// The progress line of a render.
#include "host/progress.h"

#include <cmath>
#include <cstdio>

ProgressLine::ProgressLine(std::ostream& errStream, ProgressStyle s, int64_t count)
    : err(errStream), style(s), frameCount(count), start(std::chrono::steady_clock::now()), lastLine(start)
{
}

void ProgressLine::FrameDone(int32_t frame, bool wasSkipped)
{
    (wasSkipped ? skipped : rendered) += 1;
    if (style == ProgressStyle::Report) {
        err << "@velmora frame " << frame << (wasSkipped ? " kept" : " rendered") << "\n" << std::flush;
        return;
    }
    const bool last = rendered + skipped >= frameCount;
    if (style == ProgressStyle::Quiet || frameCount < 2)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (style == ProgressStyle::Lines && !last && now - lastLine < std::chrono::seconds(1))
        return;
    lastLine = now;
    Show(frame, last);
}

void ProgressLine::Show(int32_t frame, bool last)
{
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int64_t done = rendered + skipped;
    char head[96];
    std::snprintf(head, sizeof head, "velmora: frame %d (%lld of %lld)", int(frame), static_cast<long long>(done),
                  static_cast<long long>(frameCount));
    std::string line = head;
    if (skipped > 0)
        line += ", " + std::to_string(skipped) + " kept";
    if (rendered > 0) {
        // Skipped frames cost next to nothing, so the rate and the estimate count rendered ones.
        const double perFrame = elapsed / double(rendered);
        line += ", " + DurationText(perFrame) + " a frame";
        if (!last)
            line += ", about " + DurationText(perFrame * double(frameCount - done)) + " left";
        else
            line += ", " + DurationText(elapsed) + " in all";
    }
    if (style == ProgressStyle::Terminal) {
        const size_t width = line.size();
        if (width < shownWidth)
            line.append(shownWidth - width, ' ');
        shownWidth = width;
        err << '\r' << line << std::flush;
        open = true;
        if (last)
            Close();
    } else {
        err << line << '\n' << std::flush;
    }
}

void ProgressLine::Close()
{
    if (open)
        err << '\n' << std::flush;
    open = false;
    shownWidth = 0;
}

std::string DurationText(double seconds)
{
    char text[64];
    if (!(seconds >= 0) || !std::isfinite(seconds))
        seconds = 0;
    if (seconds < 10)
        std::snprintf(text, sizeof text, "%.2f s", seconds);
    else if (seconds < 60)
        std::snprintf(text, sizeof text, "%.0f s", seconds);
    else if (seconds < 3600)
        std::snprintf(text, sizeof text, "%d min %d s", int(seconds / 60), int(std::fmod(seconds, 60.0)));
    else
        std::snprintf(text, sizeof text, "%lld h %d min", static_cast<long long>(seconds / 3600),
                      int(std::fmod(seconds, 3600.0) / 60));
    return text;
}
