// The later effects without their files: every image and program an effect loads, missing from
// the archive or empty or corrupt in the development overlay, is named once in the log and left
// out, and the show goes on: status 0, every frame written, no GL error, and no plain white slab
// where an image or a program's output was. (Pressure2 loads no file of its own: it draws with
// built-in programs and the render-target pool's noise.)
#include "effects/show_timeline.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <set>
#include <sstream>
#include <vector>

using namespace testsupport;

namespace {

struct EffectFiles {
    timeline::Span span;
    std::vector<std::string> images;
    std::vector<std::string> programs; // each a pair NAME.frag.glsl / NAME.vert.glsl
};

const std::vector<EffectFiles> kEffects = {
    {timeline::kBlurParticles, {"particle.jpg"}, {"parti"}},
    {timeline::kSkene1,
     {"moon.jpg", "smoke1.jpg", "smoke2.jpg", "smoke3.jpg", "smoke4.jpg", "particle1.jpg", "sphere_heightmap.png"},
     {"water"}},
    {timeline::kFlock, {"anim3.jpg"}, {"renderdepth", "ssao", "dof_flock", "radial_blur"}},
    {timeline::kPressure, {"anim4.jpg"}, {"radial_blur"}},
    {timeline::kParticleBlob,
     {"sphere_normals.png", "anim1.jpg", "envmap.png", "smoke1.jpg", "smoke2.jpg", "smoke3.jpg", "smoke4.jpg"},
     {"blurblob"}},
};

void PrintTo(const EffectFiles& effect, std::ostream* out)
{
    *out << effect.span.name;
}

enum class Damage { Missing, Empty, Corrupt };

const char* nameOf(Damage d)
{
    return d == Damage::Missing ? "missing" : d == Damage::Empty ? "empty" : "corrupt";
}

std::vector<std::string> filesOf(const EffectFiles& effect)
{
    std::vector<std::string> files = effect.images;
    for (const std::string& program : effect.programs) {
        files.push_back(program + ".frag.glsl");
        files.push_back(program + ".vert.glsl");
    }
    return files;
}

std::string baseName(const std::string& path)
{
    return path.substr(path.find_last_of('/') + 1);
}

// The arguments that take the effect's files away: an archive packed without them, or an overlay
// folder holding empty or cut-off copies (an image's first 300 bytes, a program's first half).
std::string damagedArchiveArguments(const EffectFiles& effect, Damage damage, const std::string& dir)
{
    std::vector<std::string> files = filesOf(effect);
    if (damage == Damage::Missing) {
        std::string list;
        EXPECT_TRUE(readFile(binaryDir() + "/data.pak.list", list));
        std::set<std::string> left(files.begin(), files.end());
        std::istringstream lines(list);
        std::string kept;
        for (std::string line; std::getline(lines, line);)
            if (!line.empty() && !left.count(baseName(line)))
                kept += line + "\n";
        EXPECT_TRUE(writeFile(dir + "/pak.list", kept));
        EXPECT_EQ(runCommand(binaryDir() + "/tools/pakbuild " + dir + "/damaged.pak @" + dir + "/pak.list"), 0);
        return "--data " + dir + "/damaged.pak";
    }
    std::string overlay = dir + "/overlay";
    runCommand("mkdir -p " + overlay);
    for (const std::string& file : files) {
        std::string bytes;
        if (damage == Damage::Corrupt) {
            bool program = file.size() > 5 && file.substr(file.size() - 5) == ".glsl";
            EXPECT_TRUE(readFile(program ? sourceDir() + "/data/" + file : binaryDir() + "/content/" + file, bytes))
                << file;
            bytes = bytes.substr(0, program ? bytes.size() / 2 : 300);
        }
        EXPECT_TRUE(writeFile(overlay + "/" + file, bytes));
    }
    return "--overlay " + overlay;
}

// Pixels of a frame that are plain white, as an untextured quad in white paints them.
int whitePixels(const std::string& dir, int frame)
{
    int w = 0, h = 0, n = 0;
    for (const Rgba& p : loadPng(framePath(dir, frame), w, h))
        n += p.r > 245 && p.g > 245 && p.b > 245;
    return n;
}

// Two frames (half a second apart) in the middle of the effect's span, 320x180.
std::string capture(const EffectFiles& effect, const std::string& name, const std::string& extra, int& status)
{
    std::string dir = makeTempDir(name);
    int from = (effect.span.start + effect.span.end) / 2;
    std::string output;
    status = runProgram("--capture " + dir + "/frames --from " + std::to_string(from) + " --to " +
                            std::to_string(from + 500) + " --fps 2 --size 320x180 --log " + dir + "/log.txt " + extra,
                        &output);
    return dir;
}

std::string logOf(const std::string& dir)
{
    std::string log;
    readFile(dir + "/log.txt", log);
    return log;
}

void expectEachFileNamedOnce(const EffectFiles& effect, Damage damage, const std::string& log)
{
    for (const std::string& image : effect.images) {
        if (damage != Damage::Missing) {
            EXPECT_EQ(occurrences(log, "lumenvat: cannot decode " + image + " ("), 1u) << image;
        }
        EXPECT_EQ(occurrences(log, "lumenvat: no texture named " + image + "\n"), 1u) << image;
    }
    for (const std::string& program : effect.programs) {
        if (damage == Damage::Missing && program == "ssao") {
            // The built-in program of that name stays, without the uniforms the file's one has.
            EXPECT_EQ(occurrences(log, "ERROR: can't find uniform variable 'SSAOLOW_BOUND' from 'ssao'"), 1u);
            continue;
        }
        std::string line = "Program \"" + program + "\" " +
                           (damage == Damage::Missing ? "is missing" : "did not build") +
                           "; what it draws is left out\n";
        EXPECT_EQ(occurrences(log, line), 1u) << line;
    }
}

class EffectFilesTest : public ::testing::TestWithParam<EffectFiles> {};

TEST_P(EffectFilesTest, EachMissingEmptyOrCorruptFileIsLoggedOnceAndLeftOutWhileTheShowGoesOn)
{
    const EffectFiles& effect = GetParam();
    int status = -1;
    std::string intact = capture(effect, std::string(effect.span.name) + "-intact", "", status);
    ASSERT_EQ(status, 0) << logOf(intact);
    EXPECT_EQ(logOf(intact).find("GL error"), std::string::npos) << logOf(intact);
    int intactWhite = std::max(whitePixels(intact + "/frames", 0), whitePixels(intact + "/frames", 1));

    for (Damage damage : {Damage::Missing, Damage::Empty, Damage::Corrupt}) {
        SCOPED_TRACE(nameOf(damage));
        std::string name = std::string(effect.span.name) + "-" + nameOf(damage);
        std::string files = makeTempDir(name + "-files");
        std::string dir = capture(effect, name, damagedArchiveArguments(effect, damage, files), status);
        std::string log = logOf(dir);
        EXPECT_EQ(status, 0) << log;
        int w = 0, h = 0;
        EXPECT_FALSE(loadPng(framePath(dir + "/frames", 1), w, h).empty()) << "the second frame";
        expectEachFileNamedOnce(effect, damage, log);
        EXPECT_EQ(log.find("GL error"), std::string::npos) << log;
        // 320x180 frames: one in a hundred pixels more white than the intact frame is a slab.
        for (int frame = 0; frame < 2; ++frame)
            EXPECT_LE(whitePixels(dir + "/frames", frame), intactWhite + 576) << "frame " << frame;
    }
}

INSTANTIATE_TEST_SUITE_P(LaterEffects, EffectFilesTest, ::testing::ValuesIn(kEffects),
                         [](const ::testing::TestParamInfo<EffectFiles>& info) {
                             return std::string(info.param.span.name);
                         });

} // namespace
