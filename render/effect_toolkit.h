// effect_toolkit.h - what every effect's frame is drawn with: its span and position, the fade
// curves, programs looked up by name, textured rectangles and window copies, billboards, the
// render-target copy and blur steps, the film-grain layer, smoke batches and a vertex batch for
// large counts.
//
// None of these keeps state between frames (the programs' "missing" log aside). The GL state each
// leaves behind is written at each function; effects set everything else they need themselves.
#pragma once

#include "engine_api.h"
#include "render/gl_extensions.h"

#include <vector>

class Shader;

// ---- span, position and fades ----

// What an overriding init stores: the effect's span, as the engine passed it.
void storeSpan(BRAVIK_LUMENVAT::Base& effect, unsigned long start, unsigned long end);
// (time - start) / (end - start), start and end converted as unsigned values.
float effectPosition(const BRAVIK_LUMENVAT::Base& effect);

// p / inLength while 0 <= p <= inLength, else 1; multiplied by 1 - (p - outStart) / outLength
// while outStart <= p <= 1.
float fadeInOut(float p, float inLength, float outStart, float outLength);
// The 10 % fade in and out most effects share.
float sceneEffectFade(float p);
// The opening's: in over the first 30 %, out over the last 10 %.
float particleBlobFade(float p);
// The finale's: full from the start, down over p 0.94..0.98, black after.
float blurBlobFade(float p);
// render(effectPosition, sceneEffectFade(effectPosition)): the shared draw() of the scene effects.
void drawWithSceneFade(BRAVIK_LUMENVAT::Base& effect);

// ---- programs ----

// The registered program `name`, or null after logging once per name that it is missing (no
// ShaderManager counts as missing). Callers skip the draw that needed it.
Shader* findProgram(const char* name);
// findProgram, and binds it when found. A missing program leaves no program bound.
Shader* bindProgram(const char* name);
// No program (the fixed-function pipeline).
void unbindProgram();

// ---- quads ----

// Texture coordinates of the four corners of a quad, in corner order.
struct QuadTexCoords {
    float st[4][2];
};
// (0,0), (1,0), (1,1), (0,1): the image upright in a y-up projection.
constexpr QuadTexCoords kQuadTexUpright = {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}};
// (0,1), (1,1), (1,0), (0,0): the image flipped top to bottom.
constexpr QuadTexCoords kQuadTexFlipped = {{{0, 1}, {1, 1}, {1, 0}, {0, 0}}};

// The rectangle (x0,y0), (x1,y0), (x1,y1), (x0,y1) with the given corner coordinates, between
// glBegin(GL_QUADS) and glEnd.
void emitRect(float x0, float y0, float x1, float y1, const QuadTexCoords& tex);
// emitRect as one GL_QUADS batch.
void drawRect(float x0, float y0, float x1, float y1, const QuadTexCoords& tex);
// The bound texture over the whole window in window pixels, upright; the caller has set
// rvkPerspective2D(window width, window height). Since every target binder sets the viewport to its
// target, this fills whatever target is bound.
void drawWindowCopy();

// ---- billboards ----

// A camera-facing square between glBegin(GL_QUADS) and glEnd: corners center - right - up,
// center + right - up, center + right + up, center - right + up (right and up already scaled to
// the half size), with the corner texture coordinates given.
void emitBillboard(const BRAVIK_LUMENVAT::Vector3& center, const BRAVIK_LUMENVAT::Vector3& right,
                   const BRAVIK_LUMENVAT::Vector3& up, const QuadTexCoords& tex);

// ---- render-target steps ----

// Binds the pool target of `size` (1024, 512, 256 or 128) with `target` as its colour; a 1024 bind
// is multisampled where available.
void bindTarget(int size, GLuint target);
// `source` copied into `target` through the pool target of `size`, in window-pixel 2-D
// (rvkPerspective2D(window size), identity modelview), then back to the window framebuffer.
// Texturing must be on; blending and colour as the caller left them.
void copyToTarget(int size, GLuint target, GLuint source);
// The same with `program` bound and "tex" = 0, `offsetName` = offset, "alpha" = alpha; leaves no
// program bound. A missing program skips the draw (the target keeps what it had).
void blurToTarget(int size, GLuint target, GLuint source, const char* program, const char* offsetName, float offset,
                  float alpha);

// ---- two-texture programs ----

// Unit 0 and unit 1 texturing on with these textures bound; unit 1 is left active.
void bindTwoTextures(GLuint unit0, GLuint unit1);
// Unit 1 texturing off and unit 0 active again: what every two-texture pass ends with.
void releaseSecondTexture();

// ---- layers ----

// Film grain over the whole window: colour (g, g, g), additive, one of the pool's noise images
// chosen by the module position (a new one every 30 ms of music). Leaves blending off, texturing
// on, the 3D projection with an identity modelview. Reseeds the C library generator.
void drawGrainLayer(float g);

// A still image over the whole window behind what follows, in colour (c, c, c): drawn without
// depth test or depth writes, which are on again afterwards; texturing is left on.
void drawStillBackground(const char* image, float c);

// ---- smoke ----

// The four smoke images, in the order the effects deal their puffs out over them.
extern const char* const kSmokeImages[4];

// GL_QUADS batches that restart whenever the texture changes (smoke puffs of several images).
class TexturedQuadBatch {
public:
    // Binds `texture`, ending the running batch and beginning a new one when it differs (or when
    // no batch runs yet).
    void useTexture(GLuint texture);
    // Ends the running batch, if any.
    void finish();

private:
    bool running = false;
    GLuint bound = 0;
};

// Ends one piece of a large draw: hands the driver what is queued (glFlush) and, where the driver
// has fences, waits until the piece before this one is drawn. A software rasteriser keeps every
// flushed piece's binned triangles until it has drawn them, so pieces flushed faster than it draws
// pile up; paced this way at most two are held, while the next one is still set up as the last one
// is drawn. Call it between glEnd and the next glBegin (never inside a batch).
void endDrawPiece();

// Vertices collected the way immediate mode takes them (the current colour and texture coordinate
// go with each vertex), drawn with one glDrawArrays from client arrays: the same pixels as the
// glBegin/glEnd batch, without a call per vertex. Colours and coordinates are sent only when the
// batch was given any. Keeps its memory between frames.
class VertexBatch {
public:
    void clear();
    // Room for `vertices` vertices, so that a batch which grows over a span takes its memory once.
    void reserve(int vertices);
    void color(float r, float g, float b, float a = 1.0f);
    void colorBytes(unsigned char r, unsigned char g, unsigned char b);
    void texCoord(float s, float t);
    void vertex(float x, float y, float z);
    int vertexCount() const { return static_cast<int>(positions.size() / 3); }
    // Draws every vertex as `mode` (GL_QUADS, GL_LINES, ...); leaves the client arrays disabled.
    void draw(GLenum mode) const;

private:
    std::vector<float> positions, colors, texCoords;
    float currentColor[4] = {1, 1, 1, 1};
    float currentTex[2] = {0, 0};
    bool hasColor = false, hasTex = false;
};
