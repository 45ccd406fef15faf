// The engine against a small archive and a real GL context: texts, textures, render textures,
// the timeline, the capture clock and frame writer (its files hold the pixels drawn), the picture
// and projection helpers.
#include "engine_api.h"
#include "test_support.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sys/stat.h>

using namespace BRAVIK_LUMENVAT;
using namespace testsupport;

namespace {

std::string tempDir, logPath, captureDir;
bool everyImageUploaded = true;

// Opens a 400x200 window showing a 16:9 picture, in capture mode at 10 fps from 1000 to 1500 ms.
class Engine : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        tempDir = makeTempDir("engine");
        logPath = tempDir + "/log.txt";
        captureDir = tempDir + "/frames";
        mkdir(captureDir.c_str(), 0755);
        std::string pak = testPakPath();
        RvkOptions options;
        options.dataPath = pak.c_str();
        options.logPath = logPath.c_str();
        options.boxesToLogOnly = true;
        options.captureDir = captureDir.c_str();
        options.captureFromMs = 1000;
        options.captureToMs = 1500;
        options.captureFps = 10;
        rvkSetOptions(&options);
        rvkInitEx(400, 200, 32, false, true, false, false, 8, 2, "data.pak", 60);
        rvkReadPak("data.pak");
        rvkSetTextureParameter("tiny.png", GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        everyImageUploaded = rvkUploadTextures();
        rvkInitTimer();
        rvkPlaySong(1);
    }

    std::string log()
    {
        std::string text;
        readFile(logPath, text);
        return text;
    }
};

class RecordingEffect : public Base {
public:
    void draw() override { drawnAt.push_back(time); }
    void render(float, float) override {}
    std::vector<float> drawnAt;
};

class ThrowingEffect : public Base {
public:
    bool init(unsigned long, unsigned long) override { throw "no data for this effect"; }
    void draw() override {}
    void render(float, float) override {}
};

} // namespace

TEST_F(Engine, TextsAreIndexedInNameOrder)
{
    ASSERT_EQ(rvkGetTextCount(), 4);
    EXPECT_STREQ(rvkGetTextFileNameAtIndex(0), "alpha.txt");
    EXPECT_STREQ(rvkGetTextFileNameAtIndex(1), "probe.frag.glsl");
    EXPECT_STREQ(rvkGetTextFileNameAtIndex(2), "probe.vert.glsl");
    EXPECT_STREQ(rvkGetTextFileNameAtIndex(3), "zeta.xml");
    EXPECT_STREQ(rvkGetTextAtIndex(0), "alpha text\n");
    EXPECT_EQ(rvkGetTextFileNameAtIndex(4), nullptr);
    EXPECT_EQ(rvkGetTextAtIndex(-1), nullptr);
}

TEST_F(Engine, TextsAreFoundByExactName)
{
    EXPECT_STREQ(rvkGetText("zeta.xml"), "<root><item name=\"x\"/></root>\n");
    EXPECT_EQ(rvkGetText("ZETA.xml"), nullptr);
    EXPECT_EQ(rvkGetText("tiny.png"), nullptr); // images are not texts
}

TEST_F(Engine, ImagesAreDecodedTopRowFirstAndUploaded)
{
    Texture* t = rvkGetTexture("tiny.png");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->getWidth(), 4);
    EXPECT_EQ(t->getHeight(), 2);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(t->getImgData());
    EXPECT_EQ(bytes[0], 255); // top-left red
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ(bytes[4 * 4 + 3], 128); // bottom-left alpha

    std::vector<unsigned char> uploaded(4 * 2 * 4);
    glBindTexture(GL_TEXTURE_2D, t->getID());
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, uploaded.data());
    EXPECT_EQ(0, std::memcmp(uploaded.data(), bytes, uploaded.size()));
}

TEST_F(Engine, TextureParametersSetBeforeUploadApply)
{
    GLint minFilter = 0, wrap = 0;
    glBindTexture(GL_TEXTURE_2D, rvkGetTexture("tiny.png")->getID());
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
    EXPECT_EQ(minFilter, GL_NEAREST);
    EXPECT_EQ(wrap, GL_REPEAT);
}

TEST_F(Engine, UnknownAndUndecodableTexturesAreNullAndLoggedOnce)
{
    EXPECT_EQ(rvkGetTexture("broken.png"), nullptr);
    EXPECT_EQ(rvkGetTexture("nowhere.png"), nullptr);
    EXPECT_EQ(rvkGetTexture("nowhere.png"), nullptr);
    std::string text = log();
    EXPECT_NE(text.find("cannot decode broken.png"), std::string::npos);
    EXPECT_FALSE(everyImageUploaded); // broken.png was left out
    size_t first = text.find("no texture named nowhere.png");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(text.find("no texture named nowhere.png", first + 1), std::string::npos);
}

TEST_F(Engine, RenderTexturesAreFoundByName)
{
    Texture* made = rvkAddRenderToTexture("sky00", 64, 32);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(rvkGetTexture("sky00"), made);
    EXPECT_EQ(made->getWidth(), 64);
    EXPECT_NE(made->getID(), 0u);
    EXPECT_EQ(made->getImgData(), nullptr);
}

TEST_F(Engine, ARenderTextureUnderANameInUseKeepsTheObjectCallersHoldAndItsGLName)
{
    Texture* first = rvkAddRenderToTexture("reused00", 64, 32);
    ASSERT_NE(first, nullptr);
    unsigned id = first->getID();
    Texture* second = rvkAddRenderToTexture("reused00", 16, 8);
    EXPECT_EQ(second, first);
    EXPECT_EQ(first->getID(), id);
    EXPECT_EQ(first->getWidth(), 16);
    GLint width = 0;
    glBindTexture(GL_TEXTURE_2D, id);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(width, 16);

    // An archive image replaced by a render texture: same object, no pixels any more.
    Texture* image = rvkGetTexture("tiny.png");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(rvkAddRenderToTexture("tiny.png", 4, 4), image);
    EXPECT_EQ(image->getImgData(), nullptr);
    EXPECT_NE(log().find("render texture tiny.png replaces the texture of that name"), std::string::npos);
}

TEST_F(Engine, PictureIsLetterboxedToTheChosenAspect)
{
    EXPECT_EQ(rvkGetWindowWidth(), 356); // 200 * 16 / 9, centred in 400
    EXPECT_EQ(rvkGetWindowHeight(), 200);
    glViewport(0, 0, 1, 1);
    rvkResetViewport();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 22);
    EXPECT_EQ(viewport[2], 356);
}

TEST_F(Engine, ProjectionHelpersLeaveTheModelviewMatrixCurrent)
{
    rvkPerspective2D(1, 1);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    float m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_FLOAT_EQ(m[0], 2.0f); // [0,1] maps to [-1,1]
    EXPECT_FLOAT_EQ(m[12], -1.0f);

    rvkSetPerspective(90, 1, 100);
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_NEAR(m[5], 1.0f, 1e-5f);          // cot(45 degrees)
    EXPECT_NEAR(m[0], 200.0f / 356.0f, 1e-5f); // divided by the picture's aspect
    rvkPerspective2D(10, 10);
    rvkPerspective3D();
    float again[16];
    glGetFloatv(GL_PROJECTION_MATRIX, again);
    EXPECT_EQ(0, std::memcmp(m, again, sizeof(m)));
}

TEST_F(Engine, ThreeDRestoresTheProjectionInForceWhenTwoDWasEntered)
{
    // The opening leaves a narrow projection set through the engine; the scene then sets its own
    // directly. A 2-D pass in between must bring back the scene's, not the opening's.
    rvkSetPerspective(90, 0.005f, 5);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(53, 1.333, 0.1, 32768);
    glMatrixMode(GL_MODELVIEW);
    float scene[16];
    glGetFloatv(GL_PROJECTION_MATRIX, scene);

    rvkPerspective2D(400, 200);
    rvkPerspective2D(1, 1); // a second 2-D pass keeps what the first one saved
    rvkPerspective3D();
    float restored[16];
    glGetFloatv(GL_PROJECTION_MATRIX, restored);
    EXPECT_EQ(0, std::memcmp(scene, restored, sizeof(scene)));

    rvkSetPerspective(60, 1, 10); // a later rvkSetPerspective is what 3-D restores after it
    float set[16];
    glGetFloatv(GL_PROJECTION_MATRIX, set);
    rvkPerspective3D();
    glGetFloatv(GL_PROJECTION_MATRIX, restored);
    EXPECT_EQ(0, std::memcmp(set, restored, sizeof(set)));
}

TEST_F(Engine, LookAtRemembersTheCamera)
{
    glLoadIdentity();
    rvkLookAt(1, 2, 3, 1, 2, -7, 0, 1, 0);
    Vector position, target, direction, up;
    rvkGetCameraPosition(position);
    rvkGetCameraTarget(target);
    rvkGetCameraDirection(direction);
    rvkGetCameraUp(up);
    EXPECT_EQ(position.z, 3.0f);
    EXPECT_EQ(target.z, -7.0f);
    EXPECT_FLOAT_EQ(direction.z, -1.0f);
    EXPECT_EQ(up.y, 1.0f);
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_FLOAT_EQ(m[12], -1.0f);
    EXPECT_FLOAT_EQ(m[14], -3.0f);
    glLoadIdentity();
}

TEST_F(Engine, TimelineDrawsTheEffectsWhoseSpanHoldsThePosition)
{
    // The timeline keeps what it was given for the rest of the process.
    static RecordingEffect before, spanning, after;
    rvkAddEffect(0, 1000, 0, "before", &before);
    rvkAddEffect(1000, 2000, 0, "spanning", &spanning);
    rvkAddEffect(2000, 3000, 0, "after", &after);
    EXPECT_TRUE(rvkInitEffects());
    EXPECT_EQ(spanning.start, 1000u);
    EXPECT_EQ(spanning.end, 2000u);

    rvkUpdateTimer(); // capture clock at --from: 1000 ms
    rvkRun();
    EXPECT_TRUE(before.drawnAt.empty());
    ASSERT_EQ(spanning.drawnAt.size(), 1u);
    EXPECT_EQ(spanning.drawnAt[0], 1000.0f);
    EXPECT_TRUE(after.drawnAt.empty());

    rvkAdjustTime(1000);
    rvkUpdateTimer();
    rvkRun();
    EXPECT_EQ(after.drawnAt.size(), 1u);
    EXPECT_EQ(spanning.drawnAt.size(), 1u);
    rvkAdjustTime(-1000);
}

TEST_F(Engine, AnEffectsTextExceptionPassesThroughInit)
{
    static ThrowingEffect effect;
    rvkAddEffect(0, 10, 0, "thrower", &effect);
    try {
        rvkInitEffects();
        FAIL() << "no exception";
    } catch (const char* text) {
        EXPECT_STREQ(text, "no data for this effect");
    }
}

TEST_F(Engine, CaptureClockStepsOneFrameAtATimeAndStopsAfterTo)
{
    rvkUpdateTimer();
    EXPECT_EQ(rvkGetModulePosition(), 1000);
    EXPECT_FLOAT_EQ(rvkGetDeltaTime(), 0.1f);
    int frames = 0;
    // The picture (356x200 at x = 22) of each frame as GL holds it before the swap, bottom row first.
    std::vector<std::vector<Rgba>> drawn;
    while (!rvkCaptureFinished() && frames < 20) {
        rvkUpdateTimer();
        EXPECT_EQ(rvkGetModulePosition(), 1000 + 100 * frames);
        glClearColor(1, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        // A grid of cells whose colours change from frame to frame.
        glEnable(GL_SCISSOR_TEST);
        for (int cell = 0; cell < 48; ++cell) {
            int c = cell * 37 + frames * 11;
            glScissor(22 + (cell % 8) * 45, (cell / 8) * 33, 45, 33);
            glClearColor((c % 256) / 255.0f, ((c * 7) % 256) / 255.0f, ((c * 13) % 256) / 255.0f, 1);
            glClear(GL_COLOR_BUFFER_BIT);
        }
        glDisable(GL_SCISSOR_TEST);
        drawn.push_back(readPixels(22, 0, 356, 200));
        rvkSwapBuffers(rvkGetHDC());
        ++frames;
    }
    EXPECT_EQ(frames, 6); // 1000, 1100, ..., 1500
    std::string png;
    EXPECT_FALSE(readFile(captureDir + "/000006.png", png));

    // Every frame's file decodes to the picture drawn, top row first.
    for (int frame = 0; frame < frames; ++frame) {
        int width = 0, height = 0;
        std::vector<Rgba> decoded = loadPng(framePath(captureDir, frame), width, height);
        ASSERT_EQ(width, 356);
        ASSERT_EQ(height, 200);
        int mismatches = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const Rgba& a = decoded[y * width + x];
                const Rgba& b = drawn[frame][(height - 1 - y) * width + x];
                mismatches += a.r != b.r || a.g != b.g || a.b != b.b;
            }
        EXPECT_EQ(mismatches, 0) << "frame " << frame;
    }
}

TEST_F(Engine, ACaptureWithoutAMusicModuleSaysSo)
{
    EXPECT_NE(log().find("lumenvat: no music in the archive; the capture's spectrum is silent\n"), std::string::npos);
}

TEST_F(Engine, SpectrumIsSilentWithoutAModule)
{
    float bins[512];
    std::fill(bins, bins + 512, 7.0f);
    rvkGetSpectrum(bins, 512);
    for (float b : bins)
        ASSERT_EQ(b, 0.0f);
}
