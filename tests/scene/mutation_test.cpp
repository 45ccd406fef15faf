// Malformed documents never crash or hang the loader: a few hundred deterministic mutations of a
// document that uses every feature are each loaded, built, posed and freed in a child process.
#include "scene_test_support.h"

#include "scene/scene.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <map>

namespace {

const int DOCUMENTS = 300;

// Child exit codes besides 0 (the loader's own exit for unsupported content).
enum { BUILT = 10, NO_SCENE = 11, NO_DOCUMENT = 12 };

// xorshift64*: the same seed gives the same mutations on every machine.
class Mutator {
public:
    explicit Mutator(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) { }

    std::string mutate(std::string text)
    {
        int count = 1 + static_cast<int>(below(4));
        for (int i = 0; i < count && !text.empty(); ++i) {
            uint32_t kind = below(100);
            if (kind < 35)
                replaceNumber(text);
            else if (kind < 50)
                removeAttribute(text);
            else if (kind < 70)
                insertElement(text);
            else if (kind < 80)
                text.erase(below(text.size()), 1 + below(64));
            else if (kind < 90)
                duplicateSpan(text);
            else if (kind < 95)
                text[below(text.size())] = "<>&\"/# 0\x01\xff"[below(10)];
            else
                text.resize(below(text.size()));
        }
        return text;
    }

private:
    uint32_t next()
    {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return static_cast<uint32_t>((state * 0x2545F4914F6CDD1Dull) >> 32);
    }
    size_t below(size_t n) { return n == 0 ? 0 : next() % n; }

    // A position where `what` occurs, chosen at random among all; npos when none.
    size_t randomFind(const std::string& text, const std::string& what)
    {
        size_t start = below(text.size());
        size_t at = text.find(what, start);
        return at != std::string::npos ? at : text.find(what);
    }

    void replaceNumber(std::string& text)
    {
        static const char* const numbers[] = {"-1", "0",   "2147483647", "-2147483648", "99999999999", "1e39", "nan",
                                              "-0", "3.5", "",           "7 8 9 10 11", "0x7fffffff"};
        size_t at = text.find_first_of("0123456789", below(text.size()));
        if (at == std::string::npos)
            return;
        size_t end = text.find_first_not_of("0123456789.-e", at);
        text.replace(at, (end == std::string::npos ? text.size() : end) - at, numbers[below(12)]);
    }

    void removeAttribute(std::string& text)
    {
        size_t equals = randomFind(text, "=\"");
        if (equals == std::string::npos)
            return;
        size_t space = text.rfind(' ', equals);
        size_t close = text.find('"', equals + 2);
        if (space == std::string::npos || close == std::string::npos)
            return;
        text.erase(space, close + 1 - space);
    }

    void insertElement(std::string& text)
    {
        static const std::string elements[] = {
            "<p>0 1 2 3 4 5 6 7 8 9 10</p>",
            "<input semantic=\"COLOR\" source=\"#box-uv\" offset=\"7\"/>",
            "<input semantic=\"TEXCOORD2\" source=\"#box-positions\" offset=\"1\"/>",
            "<input semantic=\"VERTEX\" source=\"#tri-vertices\"/>",
            "<node id=\"box-node\"><instance_geometry url=\"#box\"/></node>",
            "<extra/>",
            "<float_array>1 2</float_array>",
            "<technique_common><accessor stride=\"0\" count=\"1\"/></technique_common>",
            "<triangles count=\"5\"><input semantic=\"VERTEX\" source=\"#box-vertices\"/><p>0 1</p></triangles>",
            "<vcount>9 3</vcount>",
            "<translate>1</translate>",
            "<matrix/>",
            "<rotate>1 0 0</rotate>",
            "<animation/>",
            "<channel target=\"box-node/RotZ.ANGLE\"/>",
            "<input semantic=\"INPUT\" source=\"#anim-spin-output\"/>",
            "<input semantic=\"OUT_TANGENT\" source=\"#tri-positions\"/>",
            "<float_array>" + std::string(3000, '7') + "</float_array>",
            "<instance_camera url=\"#\"/>",
            "<source id=\"box-vertices\"/>",
        };
        size_t at = randomFind(text, ">");
        if (at != std::string::npos)
            text.insert(at + 1, elements[below(sizeof(elements) / sizeof(elements[0]))]);
    }

    void duplicateSpan(std::string& text)
    {
        size_t at = below(text.size());
        std::string span = text.substr(at, 1 + below(200));
        text.insert(at, span);
    }

    uint64_t state;
};

// Loads, builds, poses and frees the document in this (child) process; the exit code says how far it got.
[[noreturn]] void loadInChild(const std::string& text)
{
    scenetest::ignoreLeaksFromHere();
    alarm(20);
    ColladaDocument* document = readColladaDocument("mutated.dae", text.c_str());
    if (!document)
        _exit(NO_DOCUMENT);
    Scene* scene = buildScenes(document);
    int code = scene ? BUILT : NO_SCENE;
    if (scene)
        for (float t : {-1.0f, 0.0f, 0.25f, 1.0f, 1.7f, 2.0f, 100.0f})
            scene->update(t);
    delete scene;
    delete document;
    _exit(code);
}

} // namespace

TEST(ColladaMutations, NoMutatedDocumentCrashesHangsOrReadsOutOfBounds)
{
    const std::string seed = scenetest::documentText("every_feature.dae");
    ASSERT_FALSE(seed.empty());
    const std::string childLog = testsupport::makeTempDir("mutations") + "/child.log";
    std::map<int, int> outcomes;
    for (int i = 0; i < DOCUMENTS; ++i) {
        std::string text = Mutator(static_cast<uint64_t>(i)).mutate(seed);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int log = open(childLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(log, 2);
            loadInChild(text);
        }
        int status = 0;
        waitpid(child, &status, 0);
        bool clean = WIFEXITED(status) &&
                     (WEXITSTATUS(status) == 1 || (WEXITSTATUS(status) >= BUILT && WEXITSTATUS(status) <= NO_DOCUMENT));
        if (!clean) {
            std::string output;
            testsupport::readFile(childLog, output);
            ADD_FAILURE() << "mutation " << i << " ended with status " << status << "\n"
                          << output.substr(output.size() > 4000 ? output.size() - 4000 : 0);
            continue;
        }
        ++outcomes[WEXITSTATUS(status)];
    }
    // Most mutations must leave a document that still builds, or the loader is barely exercised.
    EXPECT_GE(outcomes[BUILT], DOCUMENTS / 3)
        << "built " << outcomes[BUILT] << ", no scene " << outcomes[NO_SCENE] << ", no document "
        << outcomes[NO_DOCUMENT] << ", exited " << outcomes[1];
}
