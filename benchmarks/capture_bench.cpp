// Capture throughput: runs build/sublumen --capture at 1280x720 over spans of the show and
// reports frames per second and the median drawing time per frame, also as a ratio to an empty
// frame (281000..281200 ms, where no effect is scheduled) measured in the same run.
//
//   build/benchmarks/capture_bench [--benchmark_filter=...]
//
// The spans are positions in ms at 30 frames per second.
#include "test_support.h"
#include "effects/show_timeline.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <regex>

namespace {

double emptyDrawMs = 0;

struct Timing {
    int frames = 0;
    double drawMs = 0;
    double frameMs = 0;
};

Timing parseTiming(const std::string& output)
{
    Timing t;
    std::smatch m;
    static const std::regex line(R"(capture: (\d+) frames; per frame median ([0-9.]+) ms drawing, ([0-9.]+) ms)");
    if (std::regex_search(output, m, line)) {
        t.frames = std::stoi(m[1]);
        t.drawMs = std::stod(m[2]);
        t.frameMs = std::stod(m[3]);
    }
    return t;
}

void captureSpan(benchmark::State& state)
{
    int from = static_cast<int>(state.range(0)), to = static_cast<int>(state.range(1));
    std::string dir = testsupport::makeTempDir("bench");
    for (auto _ : state) {
        std::string output;
        auto start = std::chrono::steady_clock::now();
        int status = testsupport::runProgram("--capture " + dir + " --from " + std::to_string(from) + " --to " +
                                                 std::to_string(to) + " --fps 30 --size 1280x720 --log " + dir +
                                                 "/log.txt",
                                             &output);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        if (status != 0) {
            state.SkipWithError("capture failed");
            break;
        }
        Timing t = parseTiming(output);
        if (from == timeline::kMusicEndMs)
            emptyDrawMs = t.drawMs;
        state.counters["frames"] = t.frames;
        state.counters["fps_with_writing"] = t.frames / seconds;
        state.counters["draw_ms_median"] = t.drawMs;
        state.counters["frame_ms_median"] = t.frameMs;
        if (emptyDrawMs > 0)
            state.counters["draw_vs_empty"] = t.drawMs / emptyDrawMs;
    }
    testsupport::runCommand("rm -rf " + dir);
}

} // namespace

// The empty span runs first: the other spans' ratios are taken against it.
// The first three seconds of each span.
void spanArguments(benchmark::internal::Benchmark* b)
{
    b->Args({timeline::kMusicEndMs, timeline::kShowEndMs});
    for (const timeline::Span& span : timeline::kSpans)
        b->Args({span.start, span.start + 3000});
}

BENCHMARK(captureSpan)
    ->Apply(spanArguments)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
