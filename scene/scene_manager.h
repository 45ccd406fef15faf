// scene_manager.h - the SceneManager singleton: the program-wide owner of every Material.
//
// The entry point creates it right after the ShaderManager; the scene effect asks it to load
// every "*.material.xml" file of the archive and hands it to bindMaterials, which looks materials
// up by key: the file name without ".material.xml" (floor.material.xml gives floor). Materials
// live until the process ends.
#pragma once

#include "containers/containers.h"

class Material;

class SceneManager {
public:
    // The instance. A second call throws the text "One instance of class SceneManager already running".
    static SceneManager* create();
    // Safe to call at shutdown whether or not the instance exists; the materials stay allocated
    // until the process ends (scenes may still point at them).
    static void release();

    // Loads every material file of the archive, in name order; a later file of the same key
    // replaces the earlier one in the map.
    void loadMaterials();

    BRAVIK_LUMENVAT::Map<Material*> materials;
};

// The instance once created, else null.
extern SceneManager* sceneManager;
