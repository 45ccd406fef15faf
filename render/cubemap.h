// cubemap.h - one GL cube-map texture, filled from 2D textures or rendered face by face.
//
// Static: setupStatic copies the pixels of one texture (to every face) or of six. Dynamic:
// setupDynamic makes empty faces; per update the caller runs startRendering, then for each face
// setupRenderSide(face), draws the scene, finishRenderSide(face), and ends with endRendering. The
// named dynamic form also keeps each face as an engine render texture (NAME00 .. NAME05), so the
// faces can be drawn as a sky box with renderCube.
//
// Part of the executable's exported interface; no effect of the production uses it. Copies share
// the GL textures, and nothing here deletes them: they live as long as the GL context.
#pragma once

#include "engine_api.h"

#include <string>

class Cubemap {
public:
    // Out of line, so that they are exported with the rest.
    Cubemap();
    Cubemap(const Cubemap& other);
    Cubemap& operator=(const Cubemap& other);
    ~Cubemap();

    void setupStatic(BRAVIK_LUMENVAT::Texture* texture);
    void setupStatic(BRAVIK_LUMENVAT::Texture* t0, BRAVIK_LUMENVAT::Texture* t1, BRAVIK_LUMENVAT::Texture* t2,
                     BRAVIK_LUMENVAT::Texture* t3, BRAVIK_LUMENVAT::Texture* t4, BRAVIK_LUMENVAT::Texture* t5);
    // Empty faces with reflection-map texture coordinates generated for S, T and R.
    void setupDynamic(int size);
    // Empty faces, each also kept as the engine render texture `name` + "00" .. "05".
    void setupDynamic(int size, std::string name);

    void bind();
    unsigned getID();

    // Saves both matrices and sets a 90-degree square view of `size` pixels.
    void startRendering();
    // Clears depth and turns the modelview towards the face (+X, -X, +Y, -Y, +Z, -Z).
    void setupRenderSide(int face);
    // Copies the frame's bottom-left size x size pixels into the face (and its 2D texture).
    void finishRenderSide(int face);
    // Restores the picture's viewport and both matrices, after clearing the frame.
    void endRendering();
    // The faces' 2D textures on the inside of the cube [-h, h]^3.
    void renderCube(float h);

    bool dynamic = false;
    bool hasFaceTextures = false;
    int size = 0;
    unsigned id = 0;
    float faceRotations[6][4] = {}; // degrees, axis x, y, z
    unsigned faceTextures[6] = {};
    std::string faceNames[6];

private:
    void createCubeTexture();
    void uploadEmptyFaces();
    void setFaceRotations();
};
