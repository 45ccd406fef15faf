// cubemap.cpp - the cube-map texture and its face-by-face rendering.
#include "render/cubemap.h"

#include "render/gl_extensions.h"

#include <GL/glu.h>

#include <vector>

using namespace BRAVIK_LUMENVAT;

namespace {

const float kFaceRotations[6][4] = {
    {-90, 0, 1, 0}, {90, 0, 1, 0}, {-90, 1, 0, 0}, {90, 1, 0, 0}, {180, 1, 0, 0}, {180, 0, 0, 1},
};

bool isFace(int face)
{
    return face >= 0 && face < 6;
}

GLenum faceTarget(int face)
{
    return static_cast<GLenum>(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face);
}

// Faces are size x size RGBA: a texture with fewer rows than its width would be read past its
// end, so such a face is only given storage.
const void* facePixels(const Texture* texture, int size)
{
    if (texture->getHeight() < size || texture->getWidth() < size) {
        rvkMsg("Cubemap: texture '%s' is %dx%d, not square; its face is left empty\n",
               texture->getName() ? texture->getName() : "", texture->getWidth(), texture->getHeight());
        return nullptr;
    }
    return texture->getImgData();
}

void uploadFace(int face, int size, const void* pixels)
{
    glTexImage2D(faceTarget(face), 0, 3, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
}

} // namespace

Cubemap::Cubemap() = default;
Cubemap::Cubemap(const Cubemap& other) = default;
Cubemap& Cubemap::operator=(const Cubemap& other) = default;
// The GL textures stay: copies may share them and the context owns them.
Cubemap::~Cubemap() = default;

void Cubemap::createCubeTexture()
{
    glEnable(GL_TEXTURE_CUBE_MAP);
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_CUBE_MAP, id);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP);
}

void Cubemap::uploadEmptyFaces()
{
    std::vector<unsigned char> zeros(static_cast<size_t>(size) * size * 4, 0);
    for (int face = 0; face < 6; ++face)
        uploadFace(face, size, zeros.data());
}

void Cubemap::setFaceRotations()
{
    for (int face = 0; face < 6; ++face)
        for (int i = 0; i < 4; ++i)
            faceRotations[face][i] = kFaceRotations[face][i];
}

void Cubemap::setupStatic(Texture* texture)
{
    setupStatic(texture, texture, texture, texture, texture, texture);
}

void Cubemap::setupStatic(Texture* t0, Texture* t1, Texture* t2, Texture* t3, Texture* t4, Texture* t5)
{
    Texture* textures[6] = {t0, t1, t2, t3, t4, t5};
    hasFaceTextures = false;
    size = t0->getWidth();
    createCubeTexture();
    for (int face = 0; face < 6; ++face)
        uploadFace(face, size, facePixels(textures[face], size));
    glDisable(GL_TEXTURE_CUBE_MAP);
    for (int face = 0; face < 6; ++face)
        faceTextures[face] = textures[face]->getID();
}

void Cubemap::setupDynamic(int faceSize)
{
    dynamic = true;
    hasFaceTextures = false;
    size = faceSize;
    createCubeTexture();
    uploadEmptyFaces();
    setFaceRotations();
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_REFLECTION_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_REFLECTION_MAP);
    glTexGeni(GL_R, GL_TEXTURE_GEN_MODE, GL_REFLECTION_MAP);
}

void Cubemap::setupDynamic(int faceSize, std::string name)
{
    static const char* const kSuffixes[6] = {"00", "01", "02", "03", "04", "05"};
    dynamic = true;
    hasFaceTextures = true;
    size = faceSize;
    for (int face = 0; face < 6; ++face) {
        faceNames[face] = name + kSuffixes[face];
        rvkAddRenderToTexture(faceNames[face].c_str(), size, size);
        Texture* texture = rvkGetTexture(faceNames[face].c_str());
        faceTextures[face] = texture ? texture->getID() : 0;
    }
    createCubeTexture();
    uploadEmptyFaces();
    setFaceRotations();
}

void Cubemap::bind()
{
    glBindTexture(GL_TEXTURE_CUBE_MAP, id);
}

unsigned Cubemap::getID()
{
    return id;
}

void Cubemap::startRendering()
{
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glViewport(0, 0, size, size);
    glLoadIdentity();
    gluPerspective(90, 1, 1, 5000);
    glMatrixMode(GL_MODELVIEW);
    bind();
}

void Cubemap::setupRenderSide(int face)
{
    glClear(GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    if (!isFace(face))
        return;
    const float* r = faceRotations[face];
    glRotatef(r[0], r[1], r[2], r[3]);
    // The side faces are also rolled half a turn, which the stored rotation does not hold.
    if (face == 0 || face == 1)
        glRotatef(180, 0, 0, 1);
}

void Cubemap::finishRenderSide(int face)
{
    bind();
    glCopyTexSubImage2D(faceTarget(face), 0, 0, 0, 0, 0, size, size);
    if (hasFaceTextures && isFace(face)) {
        glBindTexture(GL_TEXTURE_2D, faceTextures[face]);
        glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, size, size, 0);
    }
}

void Cubemap::endRendering()
{
    // The picture's viewport: the window's size, at the letterbox offset where there is one.
    rvkResetViewport();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void Cubemap::renderCube(float h)
{
    struct Face {
        int texture;
        float normal[3];
        float corners[4][5]; // x, y, z signs, then s, t
    };
    static const Face kFaces[6] = {
        {2, {0, -1, 0}, {{-1, -1, -1, 0, 0}, {1, -1, -1, 1, 0}, {1, -1, 1, 1, 1}, {-1, -1, 1, 0, 1}}},
        {3, {0, 1, 0}, {{-1, 1, -1, 0, 0}, {1, 1, -1, 1, 0}, {1, 1, 1, 1, 1}, {-1, 1, 1, 0, 1}}},
        {4, {0, 0, -1}, {{-1, -1, 1, 0, 0}, {1, -1, 1, 1, 0}, {1, 1, 1, 1, 1}, {-1, 1, 1, 0, 1}}},
        {5, {0, 0, 1}, {{-1, -1, -1, 1, 0}, {1, -1, -1, 0, 0}, {1, 1, -1, 0, 1}, {-1, 1, -1, 1, 1}}},
        {1, {-1, 0, 0}, {{-1, -1, -1, 0, 0}, {-1, -1, 1, 1, 0}, {-1, 1, 1, 1, 1}, {-1, 1, -1, 0, 1}}},
        {0, {1, 0, 0}, {{1, -1, -1, 1, 0}, {1, -1, 1, 0, 0}, {1, 1, 1, 0, 1}, {1, 1, -1, 1, 1}}},
    };
    glPushMatrix();
    glRotatef(180, 1, 0, 0);
    glEnable(GL_TEXTURE_2D);
    for (const Face& face : kFaces) {
        glBindTexture(GL_TEXTURE_2D, faceTextures[face.texture]);
        glBegin(GL_QUADS);
        glNormal3fv(face.normal);
        for (const auto& c : face.corners) {
            glTexCoord2f(c[3], c[4]);
            glVertex3f(c[0] * h, c[1] * h, c[2] * h);
        }
        glEnd();
    }
    glPopMatrix();
}
