// collada_test.h - the scene effect ("colladascene", 96150 to 123400 ms) and the scene it shares.
//
// Its init loads the production's one COLLADA scene, sharedScene, which this effect and four
// others draw. While any of them draws it, the materials' callback setSceneLights places the
// eight GL point lights in the pattern that sceneLightPhase selects: [0, 1) drifting down the
// corridor (this effect), [1, 2) swinging into a flickering grid (the water effect), [2, 3)
// pulled together (the closing effect). The effect's own frame: a background that zooms on the
// beat, a camera falling down the corridor of lights, darkening dust specks and film grain.
#pragma once

#include "engine_api.h"

class Scene;
class Material;
class StepTimer;

constexpr int kSceneLightCount = 8;

// The hall. Written once by ColladaTest::init (null until then, or when the scene files are
// missing); drawn by ColladaTest, Particles, Pressure2, Skene1 and BlurBlob, each of which
// sets its animation time (update(10 p)) before drawing it.
extern Scene* sharedScene;
// The eight light positions of the frame (w = 1). Made by ColladaTest::init; written by
// ColladaTest's own light placement and by setSceneLights whenever a material is bound; read by
// ColladaTest's light sprites.
extern BRAVIK_LUMENVAT::Vector* sceneLights;
// Which light pattern setSceneLights places, and where in it. Written by each effect that draws
// sharedScene, just before it draws (ColladaTest p, Skene1 p + 1, BlurBlob p + 2; the others
// keep what the last writer left); read only by setSceneLights.
extern float sceneLightPhase;

// The material callback: places lights 0..7 for the current sceneLightPhase.
void setSceneLights(Material* material);
// What setSceneLights hands to GL: positions (w = 1) and the intensity of each light's diffuse
// colour (I, I, I, I), for phase c. Reseeds the generators as the patterns require.
void computeSceneLights(float c, BRAVIK_LUMENVAT::Vector positions[kSceneLightCount],
                        float intensities[kSceneLightCount]);

struct FlightCamera {
    BRAVIK_LUMENVAT::Vector eye, target, up;
};
// The camera of the flight at p, for module position ms and beat index; from 110000 ms it shakes.
FlightCamera flightCameraAt(float p, int ms, int beatIndex);
// How much of a dust speck is drawn: 1 up to 10 units ahead of the eye, fading out by 12.
float dustVisibility(float eyeZ, float speckZ);

class ColladaTest : public BRAVIK_LUMENVAT::Base {
public:
    ColladaTest();
    bool init(unsigned long start, unsigned long end) override;
    void draw() override;
    void render(float position, float fade) override;

    StepTimer* stepTimer;

private:
    void drawBackground(float level);
    void placeLights(float p, float pulse);
    float drawDust(float p, float fade, const BRAVIK_LUMENVAT::Vector& eye);
    void drawGrain(float level);
};
