// effect_toolkit.cpp - the shared drawing pieces of the effects.
#include "render/effect_toolkit.h"

#include "render/gl_extensions.h"
#include "render/helpers.h"
#include "render/post_process.h"
#include "render/render_target_pool.h"
#include "render/shader_manager.h"

#include <algorithm>
#include <set>
#include <string>

using namespace BRAVIK_LUMENVAT;

void storeSpan(Base& effect, unsigned long start, unsigned long end)
{
    effect.start = static_cast<unsigned>(start);
    effect.end = static_cast<unsigned>(end);
}

float effectPosition(const Base& effect)
{
    return (effect.time - static_cast<float>(effect.start)) /
           (static_cast<float>(effect.end) - static_cast<float>(effect.start));
}

float fadeInOut(float p, float inLength, float outStart, float outLength)
{
    float fade = 1.0f;
    if (p >= 0 && p <= inLength)
        fade = p / inLength;
    if (p >= outStart && p <= 1.0f)
        fade *= 1 - (p - outStart) / outLength;
    return fade;
}

float sceneEffectFade(float p)
{
    return fadeInOut(p, 0.1f, 0.9f, 0.1f);
}

float particleBlobFade(float p)
{
    return fadeInOut(p, 0.3f, 0.9f, 0.1f);
}

float blurBlobFade(float p)
{
    if (p > 0.98f)
        return 0;
    if (p >= 0.94f)
        return 1 - (p - 0.94f) / 0.04f;
    return 1;
}

void drawWithSceneFade(Base& effect)
{
    float p = effectPosition(effect);
    effect.render(p, sceneEffectFade(p));
}

Shader* findProgram(const char* name)
{
    Shader* shader = shaderManager ? shaderManager->getShader(name) : nullptr;
    // A program that did not build is left out like a missing one: drawn without it, its quads
    // would show their textures or their colour untouched.
    if (!shader || !shader->built) {
        static std::set<std::string> reported;
        if (reported.insert(name).second)
            rvkMsg(shader ? "Program \"%s\" did not build; what it draws is left out\n"
                          : "Program \"%s\" is missing; what it draws is left out\n",
                   name);
        return nullptr;
    }
    return shader;
}

Shader* bindProgram(const char* name)
{
    Shader* shader = findProgram(name);
    if (shader)
        shader->bind();
    else
        unbindProgram();
    return shader;
}

void unbindProgram()
{
    glUseProgramObjectARB(0);
}

void emitRect(float x0, float y0, float x1, float y1, const QuadTexCoords& tex)
{
    const float corners[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    for (int i = 0; i < 4; ++i) {
        glTexCoord2f(tex.st[i][0], tex.st[i][1]);
        glVertex2f(corners[i][0], corners[i][1]);
    }
}

void drawRect(float x0, float y0, float x1, float y1, const QuadTexCoords& tex)
{
    glBegin(GL_QUADS);
    emitRect(x0, y0, x1, y1, tex);
    glEnd();
}

void drawWindowCopy()
{
    drawRect(0, 0, static_cast<float>(rvkGetWindowWidth()), static_cast<float>(rvkGetWindowHeight()),
             kQuadTexUpright);
}

void emitBillboard(const Vector3& c, const Vector3& r, const Vector3& u, const QuadTexCoords& tex)
{
    const Vector3 corners[4] = {c - r - u, c + r - u, c + r + u, c - r + u};
    for (int i = 0; i < 4; ++i) {
        glTexCoord2f(tex.st[i][0], tex.st[i][1]);
        glVertex3f(corners[i].x, corners[i].y, corners[i].z);
    }
}

void bindTarget(int size, GLuint target)
{
    RenderTargetPool& pool = renderTargetPool;
    switch (size) {
    case 1024: pool.bindTextureFBO1024(target, false); break;
    case 512: pool.bindTextureFBO512(target); break;
    case 256: pool.bindTextureFBO256(target); break;
    default: pool.bindTextureFBO128(target); break;
    }
}

namespace {

void windowPixels2D()
{
    rvkPerspective2D(static_cast<float>(rvkGetWindowWidth()), static_cast<float>(rvkGetWindowHeight()));
    glLoadIdentity();
}

} // namespace

void copyToTarget(int size, GLuint target, GLuint source)
{
    bindTarget(size, target);
    glBindTexture(GL_TEXTURE_2D, source);
    windowPixels2D();
    drawWindowCopy();
    renderTargetPool.unbindFBO();
}

void blurToTarget(int size, GLuint target, GLuint source, const char* program, const char* offsetName, float offset,
                  float alpha)
{
    Shader* blur = bindProgram(program);
    if (blur) {
        blur->setUniform1i("tex", 0);
        blur->setUniform1f(offsetName, offset);
        blur->setUniform1f("alpha", alpha);
    }
    bindTarget(size, target);
    glBindTexture(GL_TEXTURE_2D, source);
    if (blur) {
        windowPixels2D();
        drawWindowCopy();
    }
    renderTargetPool.unbindFBO();
    unbindProgram();
}

void bindTwoTextures(GLuint unit0, GLuint unit1)
{
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, unit0);
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, unit1);
}

void releaseSecondTexture()
{
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    glActiveTextureARB(GL_TEXTURE0_ARB);
}

const char* const kSmokeImages[4] = {"smoke1.jpg", "smoke2.jpg", "smoke3.jpg", "smoke4.jpg"};

void drawGrainLayer(float g)
{
    glColor3f(g, g, g);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_TEXTURE_2D);
    crt::srand(static_cast<unsigned>(rvkGetModulePosition() / 30));
    glBindTexture(GL_TEXTURE_2D, renderTargetPool.noiseTextures ? renderTargetPool.noiseTextures[crt::rand() % 50] : 0);
    postProcess.drawWindowQuad();
    glDisable(GL_BLEND);
}

void drawStillBackground(const char* image, float c)
{
    glColor3f(c, c, c);
    glDepthMask(GL_FALSE);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, textureIdOf(image));
    glPushMatrix();
    drawScreenQuad(false, false);
    glPopMatrix();
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
}

void TexturedQuadBatch::useTexture(GLuint texture)
{
    if (running && texture == bound)
        return;
    if (running)
        glEnd();
    glBindTexture(GL_TEXTURE_2D, texture);
    bound = texture;
    glBegin(GL_QUADS);
    running = true;
}

void TexturedQuadBatch::finish()
{
    if (running)
        glEnd();
    running = false;
}

namespace {

// The fence of the last piece ended, not yet waited on.
GLsync lastPiece = nullptr;

// A multiple of 4 and of 2 (quads and lines never straddle two pieces), and of 3 for triangles.
constexpr int kDrawPieceVertices = 12288;

} // namespace

void endDrawPiece()
{
    if (!glFenceSync) {
        glFlush();
        return;
    }
    GLsync piece = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    glFlush();
    if (lastPiece) {
        // A second at most: a driver that never signals costs a stall, not a hang.
        glClientWaitSync(lastPiece, 0, 1000000000ull);
        glDeleteSync(lastPiece);
    }
    lastPiece = piece;
}

void VertexBatch::clear()
{
    positions.clear();
    colors.clear();
    texCoords.clear();
    hasColor = hasTex = false;
}

namespace {

// Room for `floats` floats, written once so that the pages are resident now: a reserved vector's
// untouched pages would otherwise be faulted in one by one as the batch grows over its span.
void takeRoom(std::vector<float>& v, size_t floats)
{
    size_t kept = v.size();
    if (floats > kept)
        v.resize(floats);
    v.resize(kept);
}

} // namespace

void VertexBatch::reserve(int vertices)
{
    size_t n = vertices > 0 ? static_cast<size_t>(vertices) : 0;
    takeRoom(positions, 3 * n);
    takeRoom(colors, 4 * n);
    takeRoom(texCoords, 2 * n);
}

void VertexBatch::color(float r, float g, float b, float a)
{
    currentColor[0] = r;
    currentColor[1] = g;
    currentColor[2] = b;
    currentColor[3] = a;
    hasColor = true;
}

void VertexBatch::colorBytes(unsigned char r, unsigned char g, unsigned char b)
{
    // What glColor3ub hands the pipeline: each byte over 255.
    color(r / 255.0f, g / 255.0f, b / 255.0f, 1.0f);
}

void VertexBatch::texCoord(float s, float t)
{
    currentTex[0] = s;
    currentTex[1] = t;
    hasTex = true;
}

void VertexBatch::vertex(float x, float y, float z)
{
    positions.insert(positions.end(), {x, y, z});
    colors.insert(colors.end(), currentColor, currentColor + 4);
    texCoords.insert(texCoords.end(), currentTex, currentTex + 2);
}

void VertexBatch::draw(GLenum mode) const
{
    if (positions.empty())
        return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, positions.data());
    if (hasColor) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_FLOAT, 0, colors.data());
    }
    if (hasTex) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, texCoords.data());
    }
    // Separate primitives are drawn in pieces of a fixed size, each ended with endDrawPiece: the
    // driver's copy of the arrays and a software rasteriser's binned triangles are then as large as
    // two pieces, not as the largest batch it was ever given (llvmpipe held 20 MB more at the
    // swarm's 10 000 boxes, and several MB more where flushed pieces queued up unpaced).
    bool separate = mode == GL_QUADS || mode == GL_LINES || mode == GL_TRIANGLES || mode == GL_POINTS;
    int piece = separate ? kDrawPieceVertices : vertexCount();
    for (int first = 0; first < vertexCount(); first += piece) {
        glDrawArrays(mode, first, std::min(piece, vertexCount() - first));
        if (separate)
            endDrawPiece();
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    // Immediate mode leaves the last colour current; so does the batch.
    if (hasColor)
        glColor4fv(currentColor);
    if (hasTex)
        glTexCoord2fv(currentTex);
}
