// The capture's PNG writer against the one it replaced (stb_image_write at its default level,
// rows flipped on write) on the same frames: three 1280x720 frames of the show, captured by
// build/sublumen when the benchmark starts (an X display is needed: run it under Xvfb).
//
//   xvfb-run -a build/benchmarks/png_writer_bench
//
// Each benchmark reports the encoder's CPU time per frame; the writer's also as a ratio to the
// former encoder's on the same frame in the same run ("vs_stb_default").
#include "png_writer.h"
#include "test_support.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_image_write.h>

#include <benchmark/benchmark.h>
#include <stb_image.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace {

struct Frame {
    std::string name;
    int width = 0, height = 0;
    std::vector<unsigned char> rgbBottomUp; // as glReadPixels gives it
};

// The empty end, the opening and the scene flight.
const struct {
    const char* name;
    int positionMs;
} kFrames[] = {{"empty", 281100}, {"opening", 5000}, {"scene_flight", 100000}};

std::vector<Frame> frames;
std::map<std::string, double> formerCpuMs;

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

bool captureFrames()
{
    std::string dir = testsupport::makeTempDir("png_bench");
    for (const auto& frame : kFrames) {
        std::string at = std::to_string(frame.positionMs);
        std::string folder = dir + "/" + frame.name;
        if (testsupport::runProgram("--capture " + folder + " --from " + at + " --to " + at +
                                    " --fps 30 --size 1280x720 --log " + dir + "/log.txt") != 0)
            return false;
        Frame f;
        f.name = frame.name;
        int channels = 0;
        unsigned char* rgb = stbi_load((folder + "/000000.png").c_str(), &f.width, &f.height, &channels, 3);
        if (!rgb)
            return false;
        size_t stride = static_cast<size_t>(f.width) * 3;
        f.rgbBottomUp.resize(stride * f.height);
        for (int y = 0; y < f.height; ++y)
            std::copy_n(rgb + (f.height - 1 - y) * stride, stride, &f.rgbBottomUp[y * stride]);
        stbi_image_free(rgb);
        frames.push_back(std::move(f));
    }
    testsupport::runCommand("rm -rf " + dir);
    return true;
}

void formerWriter(benchmark::State& state)
{
    const Frame& f = frames[state.range(0)];
    stbi_flip_vertically_on_write(1);
    double cpu = 0;
    int length = 0;
    for (auto _ : state) {
        double start = threadCpuMs();
        unsigned char* png = stbi_write_png_to_mem(f.rgbBottomUp.data(), f.width * 3, f.width, f.height, 3, &length);
        cpu += threadCpuMs() - start;
        benchmark::DoNotOptimize(png);
        std::free(png);
    }
    formerCpuMs[f.name] = cpu / state.iterations();
    state.SetLabel(f.name);
    state.counters["cpu_ms_per_frame"] = formerCpuMs[f.name];
    state.counters["bytes"] = length;
}

void pngWriter(benchmark::State& state)
{
    const Frame& f = frames[state.range(0)];
    lumenvat::PngWriter writer;
    double cpu = 0;
    for (auto _ : state) {
        double start = threadCpuMs();
        bool ok = writer.encode(f.rgbBottomUp.data(), f.width, f.height);
        cpu += threadCpuMs() - start;
        if (!ok) {
            state.SkipWithError("encode failed");
            return;
        }
    }
    double perFrame = cpu / state.iterations();
    state.SetLabel(f.name);
    state.counters["cpu_ms_per_frame"] = perFrame;
    state.counters["bytes"] = static_cast<double>(writer.png().size());
    if (formerCpuMs.count(f.name))
        state.counters["vs_stb_default"] = perFrame / formerCpuMs[f.name];
}

} // namespace

// The former writer runs first on every frame: the new writer's ratios are taken against it.
BENCHMARK(formerWriter)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(pngWriter)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->MinTime(1.0);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (!captureFrames()) {
        std::fprintf(stderr, "png_writer_bench: the frames could not be captured (is there an X display?)\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
