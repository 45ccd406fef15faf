// scene_manager.h - the SceneManager singleton: the program-wide owner of every Material.
//
// The entry point creates it right after the ShaderManager; the scene effect asks it to load
// every "*.material.xml" file of the archive and hands it to bindMaterials, which looks materials
// up by key: the file name without ".material.xml" (floor.material.xml gives floor). Materials
// live until the shutdown releases the manager.
#pragma once

#include "containers/containers.h"

class Material;

class SceneManager {
public:
    // The instance. A second call throws the text "One instance of class SceneManager already running".
    static SceneManager* create();
    // Deletes the materials and the instance; a later create() makes a new one. Safe to call
    // whether or not the instance exists. Scenes bound to the materials must not be drawn after it.
    static void release();

    // Loads every material file of the archive, in name order; a later file of the same key
    // replaces the earlier one in the map.
    void loadMaterials();

    BRAVIK_LUMENVAT::Map<Material*> materials;
};

// The instance once created, else null.
extern SceneManager* sceneManager;
