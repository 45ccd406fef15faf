// bench_support.h - the set-up every GL benchmark shares: the engine's window at 1280x720 with an
// archive read and its images uploaded (testsupport::openGLWindow), then the render-target pool
// and the shader manager, built as the program builds them at start-up.
#pragma once

#include <string>

constexpr int kBenchmarkWidth = 1280;
constexpr int kBenchmarkHeight = 720;

// Opens it all once per process; later calls return what the first found. False without a
// display (the benchmark then skips with an error).
bool openBenchmarkRenderer(const std::string& pakPath);
