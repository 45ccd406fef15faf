// scene.cpp - scene nodes, cameras, lights, and drawing the node tree.
#include "scene/scene.h"

#include "scene/mesh_vbo.h"

#include <GL/gl.h>
#include <GL/glu.h>

SceneNode::SceneNode(const std::string& name_) : name(name_)
{
}

SceneNode::~SceneNode()
{
    for (SceneNode* child : children.items)
        delete child;
}

void SceneNode::addChild(SceneNode* child)
{
    children.add(child);
    child->parent = this;
}

Camera::Camera(const std::string& name_) : name(name_)
{
}

void Camera::apply()
{
    if (!node)
        return;
    const Matrix4& combined = node->combined;
    Vector3 eye(combined[12], combined[13], combined[14]);
    Vector3 direction = node->local.multipleBy3x3(Vector3(1, 1, 1)).normalize();
    Vector3 up = node->local.multipleBy3x3(Vector3(0, 1, 0)).normalize();
    gluLookAt(eye.x, eye.y, eye.z, direction.x, direction.y, direction.z, up.x, up.y, up.z);
}

Light::Light(const std::string& name_) : name(name_)
{
}

Scene::Scene(const std::string& name_) : name(name_), root(new SceneNode(name_)), player(new AnimationPlayer)
{
    nodes.add("root", root);
}

Scene::~Scene()
{
    delete root;
    delete player;
    for (auto& entry : meshes.entries)
        delete entry.second;
    for (auto& entry : cameras.entries)
        delete entry.second;
    for (auto& entry : lights.entries)
        delete entry.second;
}

void Scene::update(float time)
{
    player->update(time);
    if (activeCamera >= 0 && static_cast<unsigned>(activeCamera) < cameras.size())
        cameras.get(static_cast<unsigned>(activeCamera))->apply();
}

void Scene::draw(bool withoutMaterial)
{
    drawNode(root, withoutMaterial);
}

void Scene::drawNode(SceneNode* node, bool withoutMaterial)
{
    glPushMatrix();
    if (node != root && node->parent)
        node->combined = node->parent->local * node->local;
    glMultMatrixf(node->local.m);
    if (node->mesh)
        node->mesh->draw(withoutMaterial);
    for (SceneNode* child : node->children.items)
        drawNode(child, withoutMaterial);
    glPopMatrix();
}

// The containers of the scene graph, exported with the executable's other instantiations.
namespace BRAVIK_LUMENVAT {
template class Array<SceneNode*>;
template class Map<Camera*>;
template class Map<Light*>;
template class Map<::Scene*>;
template class Map<SceneNode*>;
} // namespace BRAVIK_LUMENVAT
