// skene_layout.h - the production's one scene: a long arcade on a stone pier along z, sunk into a
// wide hall around z = -50, with lanterns, glowing trims, an armillary in the hall and portals at
// both ends.
//
// Five effects look at it: a flight down the arcade from z = 60 to -50 (eye |x| < 1.6, y -0.3 to
// 2.3), a view along +x from (0, -0.355, -50) (just above the deck; its near plane is 4 units
// away), orbits 4 to 9 units around (0, 2.5, -50), views
// from the +x side into the arcade around z = 30 to 45, and close views up to 2.5 units around
// (0, 1, 37.6). The dimensions below keep those eyes clear of stone.
#pragma once

#include "skene_scene.h"

namespace skene {

namespace plan {
constexpr float kFloorY = -0.5f;      // top of the arcade's floor
constexpr float kSlabBottomY = -1.5f; // underside of the pier
constexpr float kSlabHalfWidth = 3.0f;
constexpr float kPillarX = 2.1f; // pillar centres at x = +-2.1
// Pillar rows at z = kFirstRowZ - kBay * k. The close views orbit up to 2.5 units around
// (0, 1, 37.6): that point sits mid-bay, 2.7 units from the rows on either side.
constexpr float kBay = 5.4f;
constexpr float kFirstRowZ = 61.9f;
constexpr int kRows = 31; // the last row at z = -100.1
constexpr float kSpringY = 1.6f;
constexpr float kArchTopY = 4.25f;
constexpr float kEntablatureTopY = 4.55f;
constexpr float kEntranceZ = 64.6f; // inner face of the entrance wall
constexpr float kFarEndZ = -100.6f; // inner face of the far wall

constexpr float kHallNorthZ = -40.7f; // the hall's pillar rows take over arcade rows 19 and 22
constexpr float kHallSouthZ = -56.9f;
constexpr float kHallCentreZ = (kHallNorthZ + kHallSouthZ) / 2;
constexpr float kHallWestX = -12.6f;
constexpr float kHallEastX = 23.1f; // inner face of the rose-window wall
// The hall is sunk deep (the orbiting views around (0, 2.5, -50) dip to y = -3.5); the arcade
// crosses it on a thin deck at its own floor level.
constexpr float kHallFloorY = -4.0f;
constexpr float kDeckBottomY = -0.8f;
constexpr float kHallSpringY = 4.45f;
constexpr float kHallArchTopY = 6.45f;
constexpr float kHallRoofY = 6.85f;
} // namespace plan

// Builds the whole scene: geometry (occlusion not yet baked), nodes, tracks, cameras, lights.
Scene buildSkene();

} // namespace skene
