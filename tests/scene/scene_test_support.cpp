// scene_test_support.cpp - the quiet engine (installed before the first test), the log reader and
// the document helpers.
#include "scene_test_support.h"

#include "engine_api.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

extern "C" void __lsan_disable() __attribute__((weak));

namespace scenetest {

namespace {

std::string& logPath()
{
    static std::string path;
    return path;
}

// Boxes only logged, no audio, and a log file of the test's own that LogWatch reads.
class QuietEngine : public ::testing::Environment {
public:
    void SetUp() override
    {
        logPath() = testsupport::makeTempDir("scene-log") + "/scene.log";
        BRAVIK_LUMENVAT::RvkOptions options;
        options.logPath = logPath().c_str();
        options.boxesToLogOnly = true;
        options.noAudio = true;
        BRAVIK_LUMENVAT::rvkSetOptions(&options);
        BRAVIK_LUMENVAT::rvkMsg("scene tests\n");
    }
};

const ::testing::Environment* const quietEngine = ::testing::AddGlobalTestEnvironment(new QuietEngine);

std::string logContents()
{
    // Text mode: the engine writes its log as text, with "\r\n" line ends on Windows.
    std::ifstream in(logPath());
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

LogWatch::LogWatch() : mark(static_cast<long>(logContents().size()))
{
}

std::string LogWatch::text() const
{
    std::string all = logContents();
    return mark <= static_cast<long>(all.size()) ? all.substr(static_cast<size_t>(mark)) : "";
}

int LogWatch::count(const std::string& needle) const
{
    std::string all = text();
    int n = 0;
    for (size_t at = all.find(needle); at != std::string::npos; at = all.find(needle, at + needle.size()))
        ++n;
    return n;
}

ColladaDocument* readBody(const std::string& body)
{
    std::string text = "<?xml version=\"1.0\"?>\n<COLLADA version=\"1.4.1\">\n" + body + "\n</COLLADA>\n";
    return readColladaDocument("test.dae", text.c_str());
}

std::string meshBody(const std::string& positions, const std::string& content)
{
    return "<library_geometries><geometry id=\"g\"><mesh>"
           "<source id=\"pos\"><float_array>" +
           positions +
           "</float_array>"
           "<technique_common><accessor count=\"1\" stride=\"3\"/></technique_common></source>" +
           content + "</mesh></geometry></library_geometries>";
}

std::string documentText(const std::string& name)
{
    std::string text;
    testsupport::readFile(testsupport::sourceDir() + "/tests/scene/documents/" + name, text);
    return text;
}

void ignoreLeaksFromHere()
{
    if (__lsan_disable)
        __lsan_disable();
}

} // namespace scenetest
