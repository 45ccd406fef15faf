// scene_manager.cpp - the SceneManager singleton and the loading of the archive's material files.
#include "scene/scene_manager.h"

#include "engine_api.h"
#include "scene/material.h"

#include <cstring>
#include <new>

using namespace BRAVIK_LUMENVAT;

SceneManager* sceneManager = nullptr;

namespace {

bool instanceCreated = false;

const char* const MATERIAL_ENDING = ".material.xml";
const size_t MATERIAL_ENDING_LENGTH = 13;

} // namespace

SceneManager* SceneManager::create()
{
    if (instanceCreated)
        throw "One instance of class SceneManager already running";
    SceneManager* instance = new (std::nothrow) SceneManager;
    if (!instance)
        throw "SceneManager::create(): Memory allocation error";
    sceneManager = instance;
    instanceCreated = true;
    rvkMsg("SceneManager::create(): SceneManager instance created\n");
    return instance;
}

void SceneManager::release()
{
    if (!instanceCreated)
        return;
    for (const auto& entry : sceneManager->materials.entries)
        delete entry.second;
    delete sceneManager;
    sceneManager = nullptr;
    instanceCreated = false;
}

void SceneManager::loadMaterials()
{
    // The count is read again after every file.
    for (int i = 0; i < rvkGetTextCount(); ++i) {
        const char* name = rvkGetTextFileNameAtIndex(i);
        size_t length = name ? std::strlen(name) : 0;
        if (length <= MATERIAL_ENDING_LENGTH ||
            std::strcmp(name + length - MATERIAL_ENDING_LENGTH, MATERIAL_ENDING) != 0)
            continue;
        Material* material = new Material;
        material->load(name);
        materials.add(std::string(name, length - MATERIAL_ENDING_LENGTH), material);
    }
}
