// render_test_support.cpp - shared helpers of the render tests.
#include "render_test_support.h"

#include "engine_api.h"
#include "render/render_target_pool.h"
#include "render/shader_manager.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

using namespace BRAVIK_LUMENVAT;

namespace rendertest {

namespace {

bool windowOpen = false;
bool rendererOpen = false;
std::string logFile;
std::string pakFile;
int childCount = 0;

std::string tempDir()
{
    static std::string dir;
    if (dir.empty()) {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/sublumen-render-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (mkdtemp(buffer.data()))
            dir = buffer.data();
    }
    return dir;
}

void applyOptions()
{
    RvkOptions options;
    options.noAudio = true;
    options.boxesToLogOnly = true;
    options.logPath = logFile.c_str();
    options.dataPath = pakFile.empty() ? nullptr : pakFile.c_str();
    rvkSetOptions(&options);
}

bool openWindowLoggingTo(const std::string& pakPath, const std::string& logPath)
{
    if (windowOpen)
        return true;
    if (!rvkHasDisplay())
        return false;
    logFile = logPath;
    pakFile = pakPath;
    applyOptions();
    rvkInitEx(kWindowWidth, kWindowHeight, 32, false, true, false, false, 8, 0, "data.pak", 60);
    if (!pakFile.empty()) {
        rvkReadPak("data.pak");
        rvkUploadTextures();
    }
    windowOpen = true;
    return true;
}

} // namespace

void useTestLog()
{
    if (logFile.empty()) {
        logFile = tempDir() + "/test.log";
        applyOptions();
    }
}

bool openWindow(const std::string& pakPath)
{
    return openWindowLoggingTo(pakPath, tempDir() + "/test.log");
}

bool openRenderer(const std::string& pakPath)
{
    if (rendererOpen)
        return true;
    if (!openWindow(pakPath))
        return false;
    renderTargetPool.init();
    ShaderManager::create();
    rendererOpen = true;
    return true;
}

std::string logText()
{
    std::ifstream in(logFile, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

LogMark::LogMark() : offset(logText().size()) {}

std::string LogMark::since() const
{
    std::string text = logText();
    return offset < text.size() ? text.substr(offset) : std::string();
}

std::string dataPakPath()
{
    return RENDER_DATA_PAK;
}

std::string shaderFilesPakPath()
{
    return SHADER_FILES_PAK;
}

GLuint makeTexture(int width, int height, const std::vector<uint32_t>& texels)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return texture;
}

GLuint makeTexture(int width, int height, uint32_t colour)
{
    return makeTexture(width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height, colour));
}

int red(uint32_t texel)
{
    return static_cast<int>(texel & 0xFF);
}

int green(uint32_t texel)
{
    return static_cast<int>((texel >> 8) & 0xFF);
}

int blue(uint32_t texel)
{
    return static_cast<int>((texel >> 16) & 0xFF);
}

int alpha(uint32_t texel)
{
    return static_cast<int>(texel >> 24);
}

Image readTexture(GLuint texture, GLenum target)
{
    GLenum binding = target == GL_TEXTURE_2D ? GL_TEXTURE_2D : GL_TEXTURE_CUBE_MAP;
    glBindTexture(binding, texture);
    Image image;
    glGetTexLevelParameteriv(target, 0, GL_TEXTURE_WIDTH, &image.width);
    glGetTexLevelParameteriv(target, 0, GL_TEXTURE_HEIGHT, &image.height);
    image.texels.resize(static_cast<size_t>(image.width) * image.height);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glGetTexImage(target, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.texels.data());
    return image;
}

Image readFramebuffer(int x, int y, int width, int height)
{
    Image image;
    image.width = width;
    image.height = height;
    image.texels.resize(static_cast<size_t>(width) * height);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, image.texels.data());
    return image;
}

void drawTargetQuad()
{
    rvkPerspective2D(1, 1);
    glLoadIdentity();
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(0, 0);
    glTexCoord2f(1, 0);
    glVertex2f(1, 0);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(0, 1);
    glVertex2f(0, 1);
    glEnd();
}

ChildResult runInChild(const std::function<int()>& body)
{
    ChildResult result;
    std::string log = tempDir() + "/child-" + std::to_string(++childCount) + ".log";
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0)
        return result;
    if (pid == 0) {
        // The log file keeps every line; the test's own output stays readable.
        int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, STDERR_FILENO);
        dup2(devNull, STDOUT_FILENO);
        if (!openWindowLoggingTo("", log))
            _exit(120);
        rvkExitProcess(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::ifstream in(log, std::ios::binary);
    result.log.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return result;
}

std::string boxLine(const std::string& caption, const std::string& text)
{
    return "[box] " + caption + ": " + text + "\n";
}

} // namespace rendertest
