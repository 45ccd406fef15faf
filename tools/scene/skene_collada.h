// skene_collada.h - writes the scene as a COLLADA 1.4.1 document.
//
// What the production's loader reads, and nothing it would refuse: float and Name sources with a
// common accessor, <vertices>, <triangles> and <polylist> of triangles with VERTEX, NORMAL,
// TEXCOORD and COLOR inputs at their own offsets, nodes with matrix, rotate, scale and translate,
// perspective cameras, ambient, directional and point lights, and keyframe animations (nested
// ones included) with STEP, LINEAR and BEZIER keys. Sources are written without duplicates at the
// printed precision; every index tuple is still its own vertex to the loader.
#pragma once

#include "skene_scene.h"

#include <string>

namespace skene {

// The document's text.
std::string colladaText(const Scene& scene);

// The id under which a geometry of the scene appears in the document.
std::string colladaGeometryId(const std::string& geometry);

} // namespace skene
