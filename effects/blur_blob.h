// blur_blob.h - the closing effect ("particleblob", 246800 to 281000 ms): a softly blurred column
// of 5000 normal-mapped sphere sprites coiling upwards, shaded by the "blurblob" program with an
// environment image, over the shared scene in its third light pattern (the lights pulled
// together), a slowly turning background image and drifting smoke. The camera changes between
// three paths every three beats, and each path gives the column its own material. Near the end
// the sprites vanish from the last index down, then the background and the smoke fade to black
// while the hall is still drawn.
#pragma once

#include "engine_api.h"

class StepTimer;

struct BlurSprite {
    BRAVIK_LUMENVAT::Vector position;
};

constexpr int kBlurSpriteCount = 5000;

// Allocated by BlurBlob::init, never freed; every position is rewritten each frame before use.
extern BlurSprite* blurSprites;

// Sets sprite i's position at time t (8 p) for the effect's fade: two columns of 2500 sprites,
// each rising 1.25 units and coiling, every sprite breathing along its own fixed direction.
void placeBlurSprite(int i, float t, float fade);

// The camera shot for a beat index: a new one every three beats, eight per cycle, changing when
// the index moves from 3m + 1 to 3m + 2.
int blurBlobShot(int beatIndex);

struct BlurBlobCamera {
    BRAVIK_LUMENVAT::Vector eye, target, up;
    int shot = 0;
    float part = 0; // the composite's material: 0 (shots 0..2), 1 (shots 3, 4) or 3 (shots 5..7)
};
// The camera at effect position p on the beat `beatIndex`; the eye never sinks below y 0.75.
BlurBlobCamera blurBlobCameraAt(float p, int beatIndex);

// How many sprites are drawn at p: all 5000 up to p 0.86, none from p 0.91, the highest
// indices leaving first.
int blurSpriteCountAt(float p);

// The half size of sprite j at p for a beat pulse (1 on the beat, falling to 0 before the next).
float blurSpriteSize(float p, int j, float pulse);
// The sprites drawn at p (blurSpriteCountAt), in index order, as camera-facing quads with the
// billboard axes right and up; between glBegin(GL_QUADS) and glEnd. Reads the beat clock's pulse
// once per sprite.
void emitBlurSprites(float p, const BRAVIK_LUMENVAT::Vector3& right, const BRAVIK_LUMENVAT::Vector3& up);

// The sprite layer's target: texture1024A (multisampled where the pool can) cleared to white with
// alpha 0, alpha blending on, the sphere normal map bound, colour white. The caller draws sprites
// (no depth test, no sort: the blend leaves alpha 1 wherever a sprite's disc lies).
void beginBlurSpriteLayer();
// Back to the window (resolving the layer); blending and depth test off, colour white.
void endBlurSpriteLayer();
// The layer as the effect draws it: the sprites at p in index order, one batch, begun and ended
// even when no sprite is left.
void drawBlurSpriteLayer(float p, const BRAVIK_LUMENVAT::Vector3& right, const BRAVIK_LUMENVAT::Vector3& up);

class BlurBlob : public BRAVIK_LUMENVAT::Base {
public:
    BlurBlob();
    bool init(unsigned long start, unsigned long end) override;
    void draw() override;
    void render(float position, float fade) override;

    StepTimer* stepTimer;

private:
    void blurSpriteLayer();
    void drawBackground(float p, float fade);
    void drawSmoke(float p, float fade);
    void drawScene(const BlurBlobCamera& camera);
    void composite(float part);
};
