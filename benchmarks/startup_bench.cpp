// Start-up: build/sublumen capturing one 1280x720 frame at position 0, from launch to exit (the
// window, the archive's textures, the render targets, the shaders, the scene, every effect's
// init, the first frame and shutdown), as wall time and as the CPU time of the process and its
// threads. Under Xvfb:
//
//   xvfb-run -a build/benchmarks/startup_bench
#include "test_support.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <sys/resource.h>

namespace {

double childCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
}

void launchToFirstFrame(benchmark::State& state)
{
    std::string dir = testsupport::makeTempDir("startup");
    double cpu = 0;
    for (auto _ : state) {
        double cpuBefore = childCpuSeconds();
        auto start = std::chrono::steady_clock::now();
        int status = testsupport::runProgram("--capture " + dir + " --force --from 0 --to 0 --size 1280x720 --log " +
                                             dir + "/log.txt");
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        cpu += childCpuSeconds() - cpuBefore;
        if (status != 0) {
            state.SkipWithError("the capture failed");
            break;
        }
    }
    state.counters["cpu_s"] = cpu / state.iterations();
    testsupport::runCommand("rm -rf " + dir);
}

} // namespace

BENCHMARK(launchToFirstFrame)->UseManualTime()->Iterations(5)->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
