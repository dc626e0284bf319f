// Rendering a frame range in worker processes.
#include "host/render_workers.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <thread>

#include "host/commands.h"
#include "host/progress.h"
#include "platform/processes.h"

namespace {

// The signal that asked the whole run to stop, 0 while none has.
volatile std::sig_atomic_t StopSignal = 0;
extern "C" void NoteStopSignal(int sig) { StopSignal = sig; }

struct Part {
    WorkerProcess process;
    int32_t first = 0;
    int32_t last = 0;
    std::string pending;   // messages not yet ended by a newline
    bool ended = false;    // its messages have ended
};

std::string Number(double v)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

// Reads the part's new messages: frame reports move the progress line, anything else is the
// worker's own message and is shown as it comes.
void TakeMessages(Part& part, ProgressLine& progress, std::ostream& err)
{
    part.ended = !ReadWorkerMessages(part.process, part.pending);
    for (size_t end; (end = part.pending.find('\n')) != std::string::npos || (part.ended && !part.pending.empty());) {
        if (end == std::string::npos)
            end = part.pending.size();
        const std::string line = part.pending.substr(0, end);
        part.pending.erase(0, std::min(end + 1, part.pending.size()));
        int frame = 0;
        char kind[16] = {0};
        if (std::sscanf(line.c_str(), FrameReportFormat, &frame, kind) == 2) {
            progress.FrameDone(frame, std::string(kind) == "kept");
        } else if (!line.empty()) {
            progress.Close();
            err << line << "\n" << std::flush;
        }
    }
}

} // namespace

int32_t DefaultJobs()
{
    if (!WorkerProcessesAvailable())
        return 1;
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? int32_t(std::min(cores, 256u)) : 1;
}

std::vector<std::string> WorkerArguments(const std::string& modulePath, const RenderOptions& o, int32_t first,
                                         int32_t last)
{
    std::vector<std::string> a = {"--module", modulePath, "render"};
    if (o.sizeGiven)
        a.insert(a.end(), {"--size", std::to_string(o.width) + "x" + std::to_string(o.height)});
    a.insert(a.end(), {"--frames", std::to_string(first) + "-" + std::to_string(last)});
    a.insert(a.end(), {"--fps", Number(o.fps)});
    if (o.deep)
        a.push_back("--deep");
    a.insert(a.end(), {"--quality", o.draft ? "draft" : "hi"});
    a.insert(a.end(), {"--resolution", o.resolution == 4 ? "quarter" : o.resolution == 2 ? "half" : "full"});
    const std::pair<const char*, const std::string*> files[] = {{"--layer", &o.layerPath},
                                                                {"--tree-reflection", &o.treeReflectionPath},
                                                                {"--needle-reflection", &o.needleReflectionPath},
                                                                {"--params", &o.paramsFile}};
    for (const auto& f : files)
        if (!f.second->empty())
            a.insert(a.end(), {f.first, *f.second});
    for (const std::string& s : o.settings)
        a.insert(a.end(), {"--set", s});
    a.insert(a.end(), {"--out", o.outPattern});
    if (o.noOverwrite)
        a.push_back("--no-overwrite");
    // The whole run's end, so that every worker hands the effect the same in-data.
    a.insert(a.end(), {"--sequence-end", std::to_string(o.sequenceEnd >= 0 ? o.sequenceEnd : o.lastFrame)});
    a.insert(a.end(), {"--jobs", "1", "--report-frames"});
    return a;
}

int RenderWithWorkers(HostSession& session, const RenderOptions& options, const std::string& program,
                      const std::string& modulePath, std::ostream& out, std::ostream& err)
{
    RenderPlan plan;
    if (!PlanRender(session, options, plan, err))
        return EXIT_FAILED;
    const RenderOptions& o = plan.options;
    WarnOfLargeTree(session, plan, err);
    const int32_t jobs = std::max<int32_t>(1, std::min<int32_t>(o.jobs, o.lastFrame - o.firstFrame + 1));
    ProgressLine progress(err, o.progress, int64_t(o.lastFrame) - o.firstFrame + 1);
    StopSignal = 0;
    const auto previousInt = std::signal(SIGINT, NoteStopSignal);
    const auto previousTerm = std::signal(SIGTERM, NoteStopSignal);

    std::vector<Part> parts;
    int32_t next = o.firstFrame;
    bool stopping = false;
    std::string failure;
    while ((next <= o.lastFrame && !stopping) || !parts.empty()) {
        if (StopSignal && !stopping) {
            stopping = true;
            for (const Part& p : parts)
                StopWorker(p.process);
        }
        while (!stopping && next <= o.lastFrame && int32_t(parts.size()) < jobs) {
            const int32_t left = o.lastFrame - next + 1;
            const int32_t size = std::max<int32_t>(1, std::min<int32_t>(64, left / (2 * jobs)));
            Part part;
            part.first = next;
            part.last = next + size - 1;
            std::string error;
            if (!StartWorker(program, WorkerArguments(modulePath, o, part.first, part.last), part.process, error)) {
                failure = "velmora: " + error;
                stopping = true;
                for (const Part& p : parts)
                    StopWorker(p.process);
                break;
            }
            next = part.last + 1;
            parts.push_back(std::move(part));
        }
        std::vector<WorkerProcess> waiting;
        for (const Part& p : parts)
            waiting.push_back(p.process);
        WaitForWorkers(waiting, 250);
        for (size_t i = 0; i < parts.size();) {
            Part& part = parts[i];
            TakeMessages(part, progress, err);
            if (!part.ended) {
                ++i;
                continue;
            }
            const int code = WaitForWorkerExit(part.process);
            if (code != 0 && !stopping) {
                failure = "velmora: the worker rendering frames " + std::to_string(part.first) + "-" +
                          std::to_string(part.last) + " failed (exit code " + std::to_string(code) +
                          "); the other workers were stopped";
                stopping = true;
                for (const Part& p : parts)
                    if (&p != &part)
                        StopWorker(p.process);
            }
            parts.erase(parts.begin() + std::ptrdiff_t(i));
        }
    }
    std::signal(SIGINT, previousInt);
    std::signal(SIGTERM, previousTerm);
    progress.Close();
    if (StopSignal) {
        // Every worker has ended and removed its partial file; end as the signal asked.
        std::raise(int(StopSignal));
        return 128 + int(StopSignal);
    }
    if (stopping) {
        err << failure << "\n";
        return EXIT_FAILED;
    }
    if (o.writeFiles)
        out << ClosingLine(plan, progress.Rendered(), progress.Skipped()) << "\n";
    return EXIT_OK;
}
