// bench_support.cpp - the GL benchmarks' shared set-up.
#include "bench_support.h"

#include "render/render_target_pool.h"
#include "render/shader_manager.h"
#include "test_support.h"

bool openBenchmarkRenderer(const std::string& pakPath)
{
    static bool open = false;
    if (open)
        return true;
    if (!testsupport::openGLWindow(kBenchmarkWidth, kBenchmarkHeight, pakPath))
        return false;
    renderTargetPool.init();
    ShaderManager::create();
    open = true;
    return true;
}
