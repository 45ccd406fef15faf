// scene.h - the runtime scene the effects draw: a tree of nodes carrying meshes, the scene's
// cameras and lights, and its animation player.
//
// A Scene is built from a COLLADA document (buildScenes, scene/collada.h) and given materials
// by bindMaterials (scene/material.h). Per frame an effect may call update(time), which poses the
// animated nodes, and then draw(withoutMaterial), which multiplies each node's local matrix onto
// the current modelview matrix and draws its mesh; the caller sets projection and view first.
// Matrices are column-major as OpenGL takes them (elements 12, 13, 14 hold the translation).
//
// Ownership: a Scene owns its node tree (through the root), its meshes, cameras, lights and
// player; materials belong to the SceneManager.
#pragma once

#include "engine_api.h"
#include "scene/animation.h"

#include <string>

class Material;
class MeshVBO;

using BRAVIK_LUMENVAT::Matrix4;
using BRAVIK_LUMENVAT::Vector3;

class SceneNode {
public:
    explicit SceneNode(const std::string& name = "");
    SceneNode(const SceneNode&) = delete;
    SceneNode& operator=(const SceneNode&) = delete;
    virtual ~SceneNode(); // deletes the children

    // Appends the child and makes this node its parent.
    void addChild(SceneNode* child);

    Array<SceneNode*> children;
    SceneNode* parent = nullptr;
    std::string name;
    MeshVBO* mesh = nullptr;
    Matrix4 local; // relative to the parent
    Matrix4 combined; // parent's local x local, refreshed when the node is drawn
};

class Camera {
public:
    explicit Camera(const std::string& name = "");
    virtual ~Camera() = default;

    // Looks from the node's drawn position towards R.(1, 1, 1), up R.(0, 1, 0), R being the node's
    // local rotation; the look-at point is that direction itself, not the eye plus it. Nothing
    // happens without a node.
    void apply();

    std::string name;
    SceneNode* node = nullptr;
    float fov = 45.0f; // horizontal, degrees
    float aspect = 4.0f / 3.0f;
    float zNear = 0.1f;
    float zFar = 1000.0f;
};

enum LightKind {
    LIGHT_AMBIENT = 0,
    LIGHT_DIRECTIONAL = 1,
    LIGHT_POINT = 2,
    LIGHT_SPOT = 3,
};

class Light {
public:
    explicit Light(const std::string& name = "");
    virtual ~Light() = default;

    std::string name;
    SceneNode* node = nullptr;
    Vector3 colour{1, 1, 1};
    int kind = LIGHT_AMBIENT;
};

class Scene {
public:
    explicit Scene(const std::string& name);
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;
    ~Scene();

    // Poses the animated nodes for `time` (key time unit), then applies the active camera if any.
    void update(float time);
    void draw(bool withoutMaterial);
    void drawNode(SceneNode* node, bool withoutMaterial);

    std::string name;
    SceneNode* root;
    Map<SceneNode*> nodes; // "root" and every node under its COLLADA id
    Map<Camera*> cameras; // by COLLADA id
    Map<Light*> lights; // by COLLADA id
    Map<Material*> materials; // COLLADA material name -> material (bindMaterials)
    AnimationPlayer* player;
    Map<MeshVBO*> meshes; // by geometry id; each main mesh carries its further groups as children
    int activeCamera = -1; // index into cameras in key order; -1: none
};
