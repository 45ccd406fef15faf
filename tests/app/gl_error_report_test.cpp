// The frame loop's GL error report in a real GL context: each error code once per effect span,
// however many frames repeat it, with the position and the effect that drew it.
#include "app/main_loop.h"
#include "test_support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

// What the log gained while `frames` ran.
template <typename Frames>
std::string logDuring(Frames frames)
{
    size_t before = engineLog().size();
    frames();
    return engineLog().substr(before);
}

} // namespace

TEST(GlErrorReport, LogsEachCodeOncePerSpanAndNothingForACleanFrame)
{
    ASSERT_TRUE(openGLWindow(64, 64));
    while (glGetError() != GL_NO_ERROR) {
    }
    MainLoop loop;
    std::string log = logDuring([&] {
        reportGlErrors(loop, timeline::kFlock.start);
        for (int frame = 0; frame < 5; ++frame) {
            glEnable(0x7fff); // GL_INVALID_ENUM
            reportGlErrors(loop, timeline::kFlock.start + 100 * frame);
        }
        glBindTexture(GL_TEXTURE_2D, 0);
        glGenTextures(-1, nullptr); // GL_INVALID_VALUE
        reportGlErrors(loop, timeline::kFlock.start + 600);
        glEnable(0x7fff);
        reportGlErrors(loop, timeline::kPressure.start);
        glEnable(0x7fff);
        reportGlErrors(loop, timeline::kShowEndMs);
    });
    std::string flockStart = std::to_string(timeline::kFlock.start);
    EXPECT_EQ(occurrences(log, "GL error 0x0500"), 3u) << log;
    EXPECT_EQ(occurrences(log, "GL error 0x0500 in the frame at " + flockStart + " ms (crap); not logged again there\n"), 1u)
        << log;
    EXPECT_EQ(occurrences(log, "GL error 0x0501 in the frame at " + std::to_string(timeline::kFlock.start + 600) +
                                   " ms (crap)"),
              1u)
        << log;
    EXPECT_EQ(occurrences(log, "GL error 0x0500 in the frame at " + std::to_string(timeline::kPressure.start) +
                                   " ms (pressure)"),
              1u)
        << log;
    EXPECT_EQ(occurrences(log, "(no effect)"), 1u) << log;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "the report reads the errors away";
}
