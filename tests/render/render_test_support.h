// render_test_support.h - what the render tests share: the engine's window with a log the test
// can read, the pool and the shader programs built once per process, small textures of known
// content, texture read-back, and running a start-up in a child process (for the paths that end
// the process).
#pragma once

#include "render/gl_extensions.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace rendertest {

// The window's size: a 4:3 picture that fills it, so viewport and window agree.
constexpr int kWindowWidth = 320;
constexpr int kWindowHeight = 240;

// Sends the engine's log (and boxes) to this process's own file, without a window.
void useTestLog();
// Opens the engine's window once per process (boxes logged only, no audio, a log of our own),
// mounting `pakPath` when given. False when there is no display.
bool openWindow(const std::string& pakPath = "");
// openWindow, then the render-target pool and the ShaderManager, once per process.
bool openRenderer(const std::string& pakPath = "");

// Everything the engine logged in this process so far.
std::string logText();
// Log text written after the mark was taken.
class LogMark {
public:
    LogMark();
    std::string since() const;

private:
    size_t offset;
};

std::string dataPakPath();        // the data/ shader pairs
std::string shaderFilesPakPath(); // the shader-file fixtures

// A linear, clamped RGBA texture of the given texels (bottom row first), or of one colour.
GLuint makeTexture(int width, int height, const std::vector<uint32_t>& texels);
GLuint makeTexture(int width, int height, uint32_t rgba);
constexpr uint32_t rgba(int r, int g, int b, int a)
{
    return static_cast<uint32_t>(r) | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b) << 16 |
           static_cast<uint32_t>(a) << 24;
}
int red(uint32_t texel);
int green(uint32_t texel);
int blue(uint32_t texel);
int alpha(uint32_t texel);

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> texels; // bottom row first
    uint32_t at(int x, int y) const { return texels[static_cast<size_t>(y) * width + x]; }
};
// Level 0 of a 2D texture, or of the cube face `target` of a cube-map texture.
Image readTexture(GLuint texture, GLenum target = GL_TEXTURE_2D);
// A rectangle of the bound read framebuffer.
Image readFramebuffer(int x, int y, int width, int height);

// Draws a quad over the bound target with texture coordinates 0..1 on unit 0, through the
// engine's 2D projection.
void drawTargetQuad();

// Runs `body` in a child process that opens its own window first; the child ends through the
// engine with the body's result unless the body ends it first. The parent gets the exit status
// and the child's log.
struct ChildResult {
    int exitStatus = -1;
    std::string log;
};
ChildResult runInChild(const std::function<int()>& body);

// The box line the engine logs for a message box.
std::string boxLine(const std::string& caption, const std::string& text);

} // namespace rendertest
