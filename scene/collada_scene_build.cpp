// collada_scene_build.cpp - buildScenes: a runtime Scene from a document's visual scene, with its
// node tree, meshes, animation tracks, cameras and lights.
//
// Key values come from the sampler's sources by key index; a source shorter than the key count
// leaves the missing values at the key's defaults (0, linear; logged once per source and track),
// and a source id the document lacks is skipped.
#include "scene/collada_local.h"

#include "engine_api.h"
#include "scene/mesh_vbo.h"
#include "scene/scene.h"

#include <cmath>

using namespace BRAVIK_LUMENVAT;

namespace {

const float DEGREES_TO_RADIANS = 0.0174532924f;

Matrix4 transformationMatrix(const Transformation* t)
{
    const std::vector<float>& v = t->values.items;
    Matrix4 m;
    switch (t->kind) {
    case TRANSFORM_MATRIX:
        for (int i = 0; i < 16; ++i)
            m[i] = v[static_cast<size_t>(i)];
        break;
    case TRANSFORM_ROTATE:
        if (std::fabs(v[3]) > 0.001f)
            m = Matrix4::makeRotation(-v[3] * DEGREES_TO_RADIANS, v[0], v[1], v[2]);
        break;
    case TRANSFORM_SCALE: m = Matrix4::makeScaleXYZ(v[0], v[1], v[2]); break;
    case TRANSFORM_TRANSLATE:
        m[12] = v[0];
        m[13] = v[1];
        m[14] = v[2];
        break;
    }
    return m;
}

void buildNode(Scene* scene, const ObjectNode* objectNode, SceneNode* parent)
{
    SceneNode* node = new SceneNode(objectNode->name);
    for (const Transformation* t : objectNode->transformations.items)
        node->local = node->local * transformationMatrix(t);
    if (objectNode->geometryInstances.size() > 0)
        node->mesh = scene->meshes.find(objectNode->geometryInstances.getFirst()->target);
    parent->addChild(node);
    if (!objectNode->id.empty())
        scene->nodes.add(objectNode->id, node);
    for (const ObjectNode* child : objectNode->children.items)
        buildNode(scene, child, node);
}

AnimationAttribute animationAttribute(const std::string& suffix)
{
    static const struct {
        const char* suffix;
        AnimationAttribute attribute;
    } table[] = {
        {"rotation_z.ANGLE", ANIMATION_ROTATE_Z}, {"RotZ.ANGLE", ANIMATION_ROTATE_Z},
        {"rotation_y.ANGLE", ANIMATION_ROTATE_Y}, {"RotY.ANGLE", ANIMATION_ROTATE_Y},
        {"rotation_x.ANGLE", ANIMATION_ROTATE_X}, {"RotX.ANGLE", ANIMATION_ROTATE_X},
        {"scale.X", ANIMATION_SCALE_X},           {"scale.Y", ANIMATION_SCALE_Y},
        {"scale.Z", ANIMATION_SCALE_Z},           {"translation.X", ANIMATION_TRANSLATE_X},
        {"translate.X", ANIMATION_TRANSLATE_X},   {"translation.Y", ANIMATION_TRANSLATE_Y},
        {"translate.Y", ANIMATION_TRANSLATE_Y},   {"translation.Z", ANIMATION_TRANSLATE_Z},
        {"translate.Z", ANIMATION_TRANSLATE_Z},
    };
    for (const auto& row : table)
        if (suffix == row.suffix)
            return row.attribute;
    rvkMsg("Unknown animation type\n%s", suffix.c_str());
    return ANIMATION_NONE;
}

// Reads value `index` of `values` into `out`; false (out untouched) past the end.
bool readKeyValue(const std::vector<float>& values, size_t index, float& out)
{
    if (index >= values.size())
        return false;
    out = values[index];
    return true;
}

// Fills key i from one sampler input; false when the source was too short for it.
bool fillKey(AnimationKeyFrame* key, size_t i, SamplerRole role, const Source* source)
{
    const std::vector<float>& f = source->floats.items;
    switch (role) {
    case SAMPLER_INPUT: return readKeyValue(f, i, key->time);
    case SAMPLER_OUTPUT: return readKeyValue(f, i, key->value);
    case SAMPLER_IN_TANGENT:
        return readKeyValue(f, 2 * i, key->inTangentTime) & readKeyValue(f, 2 * i + 1, key->inTangentValue);
    case SAMPLER_OUT_TANGENT:
        return readKeyValue(f, 2 * i, key->outTangentTime) & readKeyValue(f, 2 * i + 1, key->outTangentValue);
    case SAMPLER_INTERPOLATION: {
        if (i >= source->names.size())
            return false;
        const std::string& name = source->names.items[i];
        if (name == "STEP")
            key->interpolation = INTERPOLATION_STEP;
        else if (name == "LINEAR")
            key->interpolation = INTERPOLATION_LINEAR;
        else if (name == "BEZIER")
            key->interpolation = INTERPOLATION_BEZIER;
        else
            colladaError(("Unsupported interpolation type: " + name.substr(0, 500)).c_str());
        return true;
    }
    case SAMPLER_OTHER: return true;
    }
    return true;
}

Animation* convertAnimation(const ColladaDocument* document, Scene* scene, const Collada::Animation* parsed)
{
    Animation* animation = new Animation;
    animation->channel = parsed->target;
    size_t slash = parsed->target.find('/');
    std::string nodeId = parsed->target.substr(0, slash);
    std::string suffix = slash == std::string::npos ? "" : parsed->target.substr(slash + 1);
    animation->target = scene->nodes.find(nodeId);
    animation->attribute = animationAttribute(suffix);

    for (int i = 0; i < parsed->keyCount; ++i)
        animation->keys.add(new AnimationKeyFrame);
    for (const auto& input : parsed->samplerInputs.entries) {
        const Source* source = document->sources.find(input.first);
        if (!source)
            continue;
        SamplerRole role = static_cast<SamplerRole>(input.second);
        bool complete = true;
        for (size_t i = 0; i < animation->keys.items.size(); ++i)
            complete &= fillKey(animation->keys.items[i], i, role, source);
        if (!complete)
            colladaWarning(
                "animation '%s': source '%s' is shorter than its %d keys; the missing values keep their defaults",
                parsed->target.c_str(), input.first.c_str(), parsed->keyCount);
    }
    if (animation->attribute <= ANIMATION_ROTATE_X) {
        for (AnimationKeyFrame* key : animation->keys.items) {
            key->value *= DEGREES_TO_RADIANS;
            key->inTangentValue *= DEGREES_TO_RADIANS;
            key->outTangentValue *= DEGREES_TO_RADIANS;
        }
    }
    if (animation->keys.size() > 0) {
        animation->startTime = animation->keys.getFirst()->time;
        animation->endTime = animation->keys.getLast()->time;
    }
    for (const auto& child : parsed->children.entries)
        animation->children.add(convertAnimation(document, scene, child.second));
    return animation;
}

// The scene node of the last document node (in id order) that instances `id` through `ids`.
SceneNode* instancingNode(const ColladaDocument* document, Scene* scene, const std::string& id,
                          Array<std::string> ObjectNode::*ids)
{
    SceneNode* found = nullptr;
    for (const auto& entry : document->nodes.entries)
        if ((entry.second->*ids).getIndex(id) != 0xFFFFFFFFu)
            found = scene->nodes.find(entry.first);
    return found;
}

// Value 0 of a camera parameter, when it is present and has one.
bool cameraValue(const Collada::Camera* parsed, const char* name, float& value)
{
    const Collada::Attribute* attribute = parsed->parameters.find(name);
    if (!attribute)
        return false;
    if (attribute->values.size() == 0) {
        colladaWarning("camera '%s': %s has no value", parsed->id.c_str(), name);
        return false;
    }
    value = attribute->values.items[0];
    return true;
}

Camera* convertCamera(const ColladaDocument* document, Scene* scene, const Collada::Camera* parsed)
{
    Camera* camera = new Camera(parsed->id);
    camera->node = instancingNode(document, scene, parsed->id, &ObjectNode::cameraIds);
    if (parsed->kind == 1) {
        rvkMsg("No ortho camera support yet implemented.");
        return camera;
    }
    bool hasAspect = cameraValue(parsed, "aspect_ratio", camera->aspect);
    cameraValue(parsed, "znear", camera->zNear);
    cameraValue(parsed, "zfar", camera->zFar);
    float yfov;
    if (!cameraValue(parsed, "xfov", camera->fov) && cameraValue(parsed, "yfov", yfov)) {
        if (hasAspect) {
            // The horizontal angle whose half-tangent is the vertical one's times the aspect.
            double half = std::atan(std::tan(yfov * 0.5 * M_PI / 180.0) * camera->aspect);
            camera->fov = static_cast<float>(2.0 * half * 180.0 / M_PI);
        } else {
            rvkMsg("YFov used but no aspect ratio was provided.");
        }
    }
    return camera;
}

Light* convertLight(const ColladaDocument* document, Scene* scene, const Collada::Light* parsed)
{
    Light* light = new Light(parsed->id);
    light->node = instancingNode(document, scene, parsed->id, &ObjectNode::lightIds);
    light->kind = parsed->kind;
    if (const Collada::Attribute* color = parsed->parameters.find("color")) {
        const std::vector<float>& v = color->values.items;
        if (v.size() < 3)
            colladaWarning("light '%s': color holds %zu values; the missing ones are 1", parsed->id.c_str(), v.size());
        light->colour = Vector3(v.size() > 0 ? v[0] : 1, v.size() > 1 ? v[1] : 1, v.size() > 2 ? v[2] : 1);
    }
    return light;
}

Scene* buildScene(ColladaDocument* document, const Collada::Scene* parsed)
{
    Scene* scene = new Scene(parsed->name);
    buildSceneMeshes(document, scene);
    for (const ObjectNode* node : parsed->nodes.items)
        buildNode(scene, node, scene->root);
    for (const auto& entry : document->animations.entries)
        scene->player->add(convertAnimation(document, scene, entry.second));
    scene->player->sortByAttribute();
    for (const auto& entry : document->cameras.entries)
        scene->cameras.add(entry.first, convertCamera(document, scene, entry.second));
    for (const auto& entry : document->lights.entries)
        scene->lights.add(entry.first, convertLight(document, scene, entry.second));
    return scene;
}

} // namespace

Scene* buildScenes(ColladaDocument* document)
{
    if (!document)
        return nullptr;
    Scene* last = nullptr;
    for (const auto& entry : document->scenes.entries) {
        Scene* scene = buildScene(document, entry.second);
        delete last;
        last = scene;
    }
    return last;
}
