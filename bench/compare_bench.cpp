// Every case the engine's speed is judged by, in one program, printed side by side with the figures
// of the engine before the speed work (bench/compare_before.txt, recorded by this same program
// built on that engine): ms per frame, on a full-HD frame of the default tree as the render
// driver builds it (default parameters, materials and lights, placed and depth-sorted), 8 bits
// and full quality unless a case says otherwise.
//
//   velmora_compare_bench [--before FILE] [--record FILE] [benchmark flags]
//
// --record writes this run's figures in the before file's format. The usual benchmark flags
// apply, e.g. --benchmark_filter=phong or --benchmark_repetitions=5 (the table then shows the
// medians). Each case gives its wall-clock time and its CPU time: on a machine that runs other
// work too, the CPU time is the closer to what the frame takes on a quiet one.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/default_host_frame.h"
#include "bench/default_scene.h"
#include "effect/frame_convert.h"
#include "engine/engine_exports.h"
#include "platform/pages.h"

namespace {

constexpr int32_t Width = BenchWidth;
constexpr int32_t Height = BenchHeight;

// `count` right triangles of `area` pixels each, scattered over the frame at random depths
// (a fixed sequence), facing the viewer with slightly tilted normals, depth-sorted.
std::unique_ptr<GrownMesh> SmallTriangles(int count, float area)
{
    std::unique_ptr<GrownMesh> mesh(new GrownMesh);
    mesh->points = static_cast<__Point3ds*>(PageAllocate(sizeof(__Point3ds) * 3 * count));
    mesh->triangles = static_cast<__Triangle3ds*>(PageAllocate(sizeof(__Triangle3ds) * count));
    if (!mesh->points || !mesh->triangles)
        return mesh;
    mesh->pointCount = 3 * count;
    mesh->triangleCount = count;
    const float leg = std::sqrt(2.0f * area);
    uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return float(state >> 8) / float(1u << 24);
    };
    for (int k = 0; k < count; ++k) {
        const float x = (next() - 0.5f) * (Width - 2 * leg);
        const float y = (next() - 0.5f) * (Height - 2 * leg);
        const float z = next() * 100.0f;
        const float corners[3][2] = {{x, y}, {x + leg, y}, {x, y + leg}};
        for (int c = 0; c < 3; ++c) {
            __Point3ds& p = mesh->points[3 * k + c];
            p.x = corners[c][0];
            p.y = corners[c][1];
            p.z = z;
            p.hasNormal = 1;
            const float tilt = next() - 0.5f;
            const float length = std::sqrt(1.0f + tilt * tilt);
            p.nx = tilt / length;
            p.ny = 0.0f;
            p.nz = 1.0f / length;
        }
        __Triangle3ds& t = mesh->triangles[k];
        t.a = 3 * k;
        t.b = 3 * k + 1;
        t.c = 3 * k + 2;
        t.material = uint16_t(k & 1);
    }
    __Sort(mesh->triangleCount, mesh->triangles, mesh->points);
    return mesh;
}

enum class Surface { Plain, Glass, GlassMultipleRefraction, Reflection, BackFaces };

// One __RasterScene case: mode, quality and depth, the default tree or small triangles, and the
// surface the materials get.
struct RasterCase {
    DrawMode mode;
    bool quality;
    bool deep;
    int levels;            // of the default tree; 0 for small triangles
    float triangleArea;    // small triangles: pixels each
    Surface surface;
};

void RunRaster(benchmark::State& state, RasterCase c)
{
    DefaultHostFrame host(c.deep);
    if (!host.ready) {
        state.SkipWithError("the effect could not be set up");
        return;
    }
    FrameParameters p = host.Params();
    std::unique_ptr<GrownMesh> mesh(new GrownMesh);
    if (c.levels > 0)
        PlacedTreeMesh(p, c.levels, c.mode != DrawMode::Rough, *mesh);
    else
        mesh = SmallTriangles(20000, c.triangleArea);
    if (c.surface == Surface::Glass || c.surface == Surface::GlassMultipleRefraction ||
        c.surface == Surface::BackFaces)
        p.tree.glass = p.needles.glass = true;
    __SetDrawMode(uint8_t(c.mode));
    __SetQuality(c.quality ? 1 : 0);
    __SetDeep(c.deep ? 1 : 0);
    __SetDubleSide(0);
    __SetUseMultyRefract(c.surface == Surface::GlassMultipleRefraction ? 1 : 0);
    __SetDrawBackFaces(c.surface == Surface::BackFaces ? 1 : 0);
    EngineScene scene(p);
    EngineFrame frame(c.deep);
    // Over the host's sky, as the render command draws.
    const PF_LayerDef& in = host.layer.world;
    if (frame.Ready())
        WorldToEngineImage(frame.source, in.data, Width, Height, in.rowbytes / (c.deep ? 2 : 1));
    unsigned char* environment = nullptr;
    if (c.surface == Surface::Reflection) {
        environment = PatternImage(c.deep);
        scene.Reflect(environment, c.deep);
    }
    if (c.surface == Surface::Reflection && !environment)
        state.SkipWithError("no memory for the reflection layer");
    else
        TimeFrames(state, frame, *mesh, scene);
    __SetDrawBackFaces(0);
    PageRelease(environment);
}

void RegisterCases()
{
    auto raster = [](const std::string& name, RasterCase c) {
        benchmark::RegisterBenchmark(("raster/" + name).c_str(), RunRaster, c)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    };
    const RasterCase phong{DrawMode::Phong, true, false, 4, 0.0f, Surface::Plain};
    raster("phong/quality", phong);
    RasterCase c = phong;
    c.quality = false;
    raster("phong/draft", c);
    c = phong;
    c.deep = true;
    raster("phong/quality/16bit", c);

    const std::pair<const char*, DrawMode> modes[] = {
        {"rough", DrawMode::Rough},     {"line", DrawMode::Line},
        {"wire", DrawMode::Wire},       {"flat", DrawMode::Flat},
        {"patches", DrawMode::Patches}, {"bezier", DrawMode::Bezier},
        {"bezier_outline", DrawMode::BezierOutline}};
    for (const auto& m : modes) {
        c = phong;
        c.mode = m.second;
        raster(std::string(m.first) + "/quality", c);
    }
    c = phong;
    c.mode = DrawMode::Flat;
    c.quality = false;
    raster("flat/draft", c);

    const std::pair<const char*, Surface> surfaces[] = {
        {"glass", Surface::Glass},
        {"glass_multiple_refraction", Surface::GlassMultipleRefraction},
        {"glass_two_pass", Surface::BackFaces},
        {"reflection", Surface::Reflection}};
    for (const auto& s : surfaces) {
        c = phong;
        c.surface = s.second;
        raster("phong/quality/" + std::string(s.first), c);
    }

    for (int levels : {6, 7}) {
        c = phong;
        c.levels = levels;
        raster("phong/quality/levels" + std::to_string(levels), c);
    }
    for (int area : {1, 10, 100}) {
        c = phong;
        c.levels = 0;
        c.triangleArea = float(area);
        raster("phong/quality/20000_triangles_of_" + std::to_string(area) + "px", c);
    }

    for (bool deep : {false, true})
        benchmark::RegisterBenchmark(deep ? "render_command/16bit" : "render_command/8bit",
                                     TimeRenderCommands, deep)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
}

// Keeps every case's ms per frame (the median when there are repetitions) besides printing.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    struct Result {
        double ms = 0.0;    // wall clock
        double cpuMs = 0.0;
        double triangles = 0.0;
        bool median = false;
    };
    std::vector<std::string> order;
    std::map<std::string, Result> results;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const bool isMedian =
                run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !isMedian)
                continue;
            // The cases measure wall-clock time, which adds "/real_time" to every name.
            std::string name = run.run_name.str();
            const std::string suffix = "/real_time";
            if (name.size() > suffix.size() &&
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                name.resize(name.size() - suffix.size());
            Result& r = results[name];
            if (r.ms == 0.0 && !r.median)
                order.push_back(name);
            if (r.median && !isMedian)
                continue;
            // Every case is registered in milliseconds.
            r.ms = run.GetAdjustedRealTime();
            r.cpuMs = run.GetAdjustedCPUTime();
            r.median = isMedian;
            const auto t = run.counters.find("triangles");
            r.triangles = t != run.counters.end() ? double(t->second) : 0.0;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

struct Before {
    double ms;
    double cpuMs;
};

std::map<std::string, Before> ReadBefore(const std::string& path)
{
    std::map<std::string, Before> before;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string name;
        Before b{};
        if (fields >> name >> b.ms >> b.cpuMs)
            before[name] = b;
    }
    return before;
}

std::string Figure(double value, const char* format)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    std::string beforePath = std::string(VELMORA_SOURCE_DIR) + "/bench/compare_before.txt";
    std::string recordPath;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--before" || arg == "--record") && i + 1 < argc)
            (arg == "--before" ? beforePath : recordPath) = argv[++i];
        else
            rest.push_back(argv[i]);
    }
    int restCount = int(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data()))
        return 1;
    RegisterCases();
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const std::map<std::string, Before> before = ReadBefore(beforePath);
    std::printf("\n%-48s %21s %21s %9s  %s\n", "", "wall clock, ms/frame", "CPU time, ms/frame",
                "speed-up", "per triangle");
    std::printf("%-48s %10s %10s %10s %10s %9s  %s\n", "case", "before", "now", "before", "now",
                "(CPU)", "(now, CPU)");
    for (const std::string& name : reporter.order) {
        const CollectingReporter::Result& r = reporter.results.at(name);
        const auto b = before.find(name);
        const bool known = b != before.end();
        std::printf("%-48s %10s %10.1f %10s %10.1f %9s  %s\n", name.c_str(),
                    known ? Figure(b->second.ms, "%.1f").c_str() : "-", r.ms,
                    known ? Figure(b->second.cpuMs, "%.1f").c_str() : "-", r.cpuMs,
                    known ? Figure(b->second.cpuMs / r.cpuMs, "%.2fx").c_str() : "-",
                    r.triangles > 0 ? Figure(r.cpuMs * 1e3 / r.triangles, "%.2f us").c_str()
                                    : "");
    }
    if (!recordPath.empty()) {
        std::ofstream out(recordPath);
        out << "# ms per frame of each case of velmora_compare_bench: case, wall clock, CPU time\n";
        for (const std::string& name : reporter.order)
            out << name << " " << reporter.results.at(name).ms << " "
                << reporter.results.at(name).cpuMs << "\n";
    }
    benchmark::Shutdown();
    return 0;
}
