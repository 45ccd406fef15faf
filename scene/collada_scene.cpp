// collada_scene.cpp - reading the camera, light, animation and visual-scene libraries.
//
// A transformation keeps exactly the values its kind needs: a short list is completed with the
// identity's values (matrix elements of the identity, scale 1, rotation and translation 0) and a
// long one is cut, each logged once per element.
#include "scene/collada_local.h"

#include "engine_api.h"

using namespace BRAVIK_LUMENVAT;

namespace {

const char* const NO_IDENTIFIER = "BRAVIK::no_identifier_set";

// ---------------------------------------------------------------------------------------------
// Cameras and lights
// ---------------------------------------------------------------------------------------------

void readExtra(const TiXmlElement* element)
{
    FOR_EACH_CHILD_ELEMENT(child, element) {
        if (tagIs(child, "technique"))
            readExtra(child);
        else if (!tagIs(child, "target"))
            colladaIgnored(child);
    }
}

void readCameraParameters(ColladaDocument* document, Collada::Camera* camera, const TiXmlElement* element)
{
    FOR_EACH_CHILD_ELEMENT(child, element) {
        Collada::Attribute* attribute = document->keep(new Collada::Attribute);
        const char* sid = child->Attribute("sid");
        attribute->name = sid ? sid : "";
        readFloatList(child, attribute->values);
        camera->parameters.add(child->Value(), attribute);
        if (sid)
            document->attributes.add(camera->id + "/" + sid, attribute);
    }
}

void readCameraTechnique(ColladaDocument* document, Collada::Camera* camera, const TiXmlElement* element)
{
    FOR_EACH_CHILD_ELEMENT(child, element) {
        if (tagIs(child, "orthographic")) {
            readCameraParameters(document, camera, child);
            camera->kind = 1;
        } else if (tagIs(child, "perspective")) {
            readCameraParameters(document, camera, child);
            camera->kind = 0;
        } else if (tagIs(child, "imager") || tagIs(child, "extra")) {
            colladaIgnored(child);
        } else {
            colladaUnknown(child);
        }
    }
}

void readOptics(ColladaDocument* document, Collada::Camera* camera, const TiXmlElement* element)
{
    FOR_EACH_CHILD_ELEMENT(child, element) {
        if (tagIs(child, "technique_common"))
            readCameraTechnique(document, camera, child);
        else if (tagIs(child, "technique") || tagIs(child, "extra"))
            colladaIgnored(child);
        else
            colladaUnknown(child);
    }
}

void readCamera(ColladaDocument* document, const TiXmlElement* element)
{
    Collada::Camera* camera = document->keep(new Collada::Camera);
    if (const char* id = element->Attribute("id")) {
        camera->id = id;
        document->cameras.add(id, camera);
    }
    FOR_EACH_CHILD_ELEMENT(child, element) {
        if (tagIs(child, "optics"))
            readOptics(document, camera, child);
        else if (tagIs(child, "extra"))
            readExtra(child);
        else if (tagIs(child, "asset") || tagIs(child, "imager"))
            colladaIgnored(child);
        else
            colladaUnknown(child);
    }
}

void readLightTechnique(ColladaDocument* document, Collada::Light* light, const TiXmlElement* element)
{
    static const char* const kinds[] = {"ambient", "directional", "point", "spot"};
    FOR_EACH_CHILD_ELEMENT(child, element) {
        int kind = -1;
        for (int i = 0; i < 4; ++i)
            if (tagIs(child, kinds[i]))
                kind = i;
        if (kind < 0) {
            colladaUnknown(child);
            continue;
        }
        light->kind = kind;
        FOR_EACH_CHILD_ELEMENT(parameter, child) {
            Collada::Attribute* attribute = document->keep(new Collada::Attribute);
            attribute->name = parameter->Value();
            readFloatList(parameter, attribute->values);
            light->parameters.add(parameter->Value(), attribute);
        }
    }
}

void readLight(ColladaDocument* document, const TiXmlElement* element)
{
    Collada::Light* light = document->keep(new Collada::Light);
    if (const char* id = element->Attribute("id")) {
        light->id = id;
        document->lights.add(id, light);
    }
    FOR_EACH_CHILD_ELEMENT(child, element) {
        if (tagIs(child, "technique_common"))
            readLightTechnique(document, light, child);
        else if (tagIs(child, "asset") || tagIs(child, "technique") || tagIs(child, "extra"))
            colladaIgnored(child);
        else
            colladaUnknown(child);
    }
}

// ---------------------------------------------------------------------------------------------
// Animations
// ---------------------------------------------------------------------------------------------

SamplerRole samplerRole(const char* semantic)
{
    static const char* const roles[] = {"INPUT", "OUTPUT", "IN_TANGENT", "OUT_TANGENT", "INTERPOLATION"};
    for (int i = 0; i < 5; ++i)
        if (std::strcmp(semantic, roles[i]) == 0)
            return static_cast<SamplerRole>(i);
    return SAMPLER_OTHER;
}

void readSampler(ColladaDocument* document, Collada::Animation* animation, const TiXmlElement* element)
{
    FOR_EACH_CHILD_ELEMENT(child, element) {
        if (!tagIs(child, "input")) {
            colladaUnknown(child);
            continue;
        }
        SamplerRole role = SAMPLER_OTHER;
        if (const char* semantic = child->Attribute("semantic"))
            role = samplerRole(semantic);
        else
            colladaError("Animation sampler missing required attribute semantic.");
        std::string sourceId = stripHash(child->Attribute("source"));
        // The map's value type is the engine's AnimationAttribute; it carries the role code.
        animation->samplerInputs.add(sourceId, static_cast<AnimationAttribute>(role));
        if (role == SAMPLER_INPUT) {
            Source* source = document->sources.find(sourceId);
            animation->keyCount = source ? static_cast<int>(source->floats.size()) : 0;
        }
    }
}

Collada::Animation* readAnimation(ColladaDocument* document, const TiXmlElement* element)
{
    Collada::Animation* animation = document->keep(new Collada::Animation);
    FOR_EACH_CHILD_ELEMENT(child, element) {
        if (tagIs(child, "source")) {
            readSource(document, child);
        } else if (tagIs(child, "sampler")) {
            readSampler(document, animation, child);
        } else if (tagIs(child, "channel")) {
            if (const char* target = child->Attribute("target"))
                animation->target = target;
            else
                colladaError("Animation channel missing required attribute target.");
        } else if (tagIs(child, "animation")) {
            const char* id = child->Attribute("id");
            animation->children.add(id ? id : NO_IDENTIFIER, readAnimation(document, child));
        } else {
            colladaUnknown(child);
        }
    }
    return animation;
}

// ---------------------------------------------------------------------------------------------
// Visual scenes
// ---------------------------------------------------------------------------------------------

void readTransformation(ColladaDocument* document, ObjectNode* node, const TiXmlElement* element, int kind)
{
    static const int expected[] = {16, 4, 3, 3};
    const int needed = expected[kind];
    Array<float> given;
    readFloatList(element, given);
    if (static_cast<int>(given.size()) != needed)
        colladaWarning(
            "node '%s': %s holds %u values, %d expected; %s", node->id.c_str(), element->Value(), given.size(), needed,
            static_cast<int>(given.size()) < needed ? "the rest taken from the identity" : "the rest ignored");
    // Completion from the identity, in the document's order (a matrix row by row).
    float values[16];
    for (int i = 0; i < needed; ++i) {
        if (i < static_cast<int>(given.size()))
            values[i] = given.items[static_cast<size_t>(i)];
        else if (kind == TRANSFORM_MATRIX)
            values[i] = i % 5 == 0 ? 1.0f : 0.0f;
        else
            values[i] = kind == TRANSFORM_SCALE ? 1.0f : 0.0f;
    }

    Transformation* transformation = document->keep(new Transformation);
    transformation->kind = kind;
    for (int i = 0; i < needed; ++i)
        transformation->values.add(kind == TRANSFORM_MATRIX ? values[(i % 4) * 4 + i / 4] : values[i]);
    if (const char* sid = element->Attribute("sid")) {
        transformation->sid = sid;
        document->transformations.add(node->id + "/" + sid, transformation);
    }
    node->transformations.add(transformation);
}

void readBindMaterial(const TiXmlElement* element, GeometryInstance* instance)
{
    FOR_EACH_CHILD_ELEMENT(child, element) {
        if (tagIs(child, "technique_common") || tagIs(child, "technique")) {
            readBindMaterial(child, instance);
        } else if (tagIs(child, "instance_material")) {
            if (const char* target = child->Attribute("target"))
                instance->materialId = stripHash(target);
            else
                colladaError("instance_material missing required attribute 'target'");
        } else {
            colladaUnknown(child);
        }
    }
}

void readGeometryInstance(ColladaDocument* document, ObjectNode* node, const TiXmlElement* element)
{
    const char* url = element->Attribute("url");
    if (!url) {
        colladaError("instance missing required attribute 'url'");
        return;
    }
    GeometryInstance* instance = document->keep(new GeometryInstance);
    instance->target = stripHash(url);
    FOR_EACH_CHILD_ELEMENT(child, element) {
        if (tagIs(child, "bind_material"))
            readBindMaterial(child, instance);
        else if (tagIs(child, "skeleton") || tagIs(child, "extra"))
            colladaIgnored(child);
        else
            colladaUnknown(child);
    }
    node->geometryInstances.add(instance);
}

// instance_camera and instance_light: an instance without url is reported and not followed.
void readObjectInstance(const TiXmlElement* element, Array<std::string>& ids)
{
    if (const char* url = element->Attribute("url"))
        ids.add(stripHash(url));
    else
        colladaError("instance missing required attribute 'url'");
}

ObjectNode* readNode(ColladaDocument* document, const TiXmlElement* element)
{
    ObjectNode* node = document->keep(new ObjectNode);
    if (const char* id = element->Attribute("id")) {
        node->id = id;
        document->nodes.add(id, node);
    }
    if (const char* name = element->Attribute("name"))
        node->name = name;
    if (const char* sid = element->Attribute("sid"))
        node->sid = sid;
    FOR_EACH_CHILD_ELEMENT(child, element) {
        if (tagIs(child, "lookat"))
            colladaError("COLLADA unsupported transformation type: lookat.");
        else if (tagIs(child, "matrix"))
            readTransformation(document, node, child, TRANSFORM_MATRIX);
        else if (tagIs(child, "rotate"))
            readTransformation(document, node, child, TRANSFORM_ROTATE);
        else if (tagIs(child, "scale"))
            readTransformation(document, node, child, TRANSFORM_SCALE);
        else if (tagIs(child, "translate"))
            readTransformation(document, node, child, TRANSFORM_TRANSLATE);
        else if (tagIs(child, "instance_camera"))
            readObjectInstance(child, node->cameraIds);
        else if (tagIs(child, "instance_controller") || tagIs(child, "instance_geometry"))
            readGeometryInstance(document, node, child);
        else if (tagIs(child, "instance_light"))
            readObjectInstance(child, node->lightIds);
        else if (tagIs(child, "instance_node"))
            colladaError("COLLADA node instancing is not supported.");
        else if (tagIs(child, "node"))
            node->children.add(readNode(document, child));
        else if (tagIs(child, "asset") || tagIs(child, "extra"))
            colladaIgnored(child);
        else
            colladaUnknown(child);
    }
    return node;
}

void readVisualScene(ColladaDocument* document, const TiXmlElement* element)
{
    const char* id = element->Attribute("id");
    if (!id)
        return;
    Collada::Scene* scene = document->keep(new Collada::Scene);
    if (const char* name = element->Attribute("name"))
        scene->name = name;
    FOR_EACH_CHILD_ELEMENT(child, element) {
        if (tagIs(child, "node"))
            scene->nodes.add(readNode(document, child));
        else if (tagIs(child, "evaluate_scene") || tagIs(child, "extra"))
            colladaIgnored(child);
        else
            colladaUnknown(child);
    }
    document->scenes.add(id, scene);
}

} // namespace

void readCameraLibrary(ColladaDocument* document, const TiXmlElement* element)
{
    FOR_EACH_CHILD_ELEMENT(child, element) {
        if (tagIs(child, "camera"))
            readCamera(document, child);
        else if (tagIs(child, "asset") || tagIs(child, "extra"))
            colladaIgnored(child);
        else
            colladaUnknown(child);
    }
}

void readLightLibrary(ColladaDocument* document, const TiXmlElement* element)
{
    FOR_EACH_CHILD_ELEMENT(child, element) {
        if (tagIs(child, "light"))
            readLight(document, child);
        else if (tagIs(child, "asset") || tagIs(child, "extra"))
            colladaIgnored(child);
        else
            colladaUnknown(child);
    }
}

void readAnimationLibrary(ColladaDocument* document, const TiXmlElement* element)
{
    FOR_EACH_CHILD_ELEMENT(child, element) {
        if (tagIs(child, "animation")) {
            // One without id is kept under the same key its nested kind uses.
            const char* id = child->Attribute("id");
            document->animations.add(id ? id : NO_IDENTIFIER, readAnimation(document, child));
        } else if (tagIs(child, "asset") || tagIs(child, "extra")) {
            colladaIgnored(child);
        } else {
            colladaUnknown(child);
        }
    }
}

void readVisualSceneLibrary(ColladaDocument* document, const TiXmlElement* element)
{
    FOR_EACH_CHILD_ELEMENT(child, element) {
        if (tagIs(child, "visual_scene"))
            readVisualScene(document, child);
        else if (tagIs(child, "asset") || tagIs(child, "extra"))
            colladaIgnored(child);
        else
            colladaUnknown(child);
    }
}
