uniform sampler2D TU0;
uniform sampler2D TU1;
varying vec2 coord;

// The particle swarm as the depth target captured it: colour from TU0, depth from TU1. Where
// nothing was drawn the depth is still the cleared far plane (1.0) and the colour black.
//
// The boxes are lights: the dark of a face turns transparent and the bright core is pushed
// towards full strength (hue kept), so a box reads as a glowing cell rather than a solid with an outline.
// Around them a halo gathered from three rings of the captured colour spreads over the hall;
// boxes deep in the swarm's far half are dimmer and thinner. Where no box is near, the output
// alpha is 0 and the picture stays as it was.

const float kNear = 4.0; // the swarm's projection
const float kFar = 50.0;

// The captured colour on a ring of eight taps, radius r in screen heights; `aspect` turns
// screen heights into texture units on both axes, `turn` the ring's starting angle.
vec3 ring(vec2 aspect, float r, float turn)
{
    vec3 sum = vec3(0.0);
    for (int k = 0; k < 8; ++k) {
        float a = turn + 0.7853982 * float(k);
        sum += texture2D(TU0, coord + aspect * r * vec2(cos(a), sin(a))).rgb;
    }
    return sum * 0.125;
}

void main()
{
    // Texture units per window pixel on each axis: their ratio is the window's aspect.
    vec2 perPixel = vec2(abs(dFdx(coord.x)), abs(dFdy(coord.y)));
    vec2 aspect = vec2(perPixel.x / max(perPixel.y, 1e-6), 1.0);

    float depth = texture2D(TU1, coord).r;
    float covered = depth < 1.0 ? 1.0 : 0.0;
    float z = kNear * kFar / (kFar - depth * (kFar - kNear));
    float far = smoothstep(16.0, 32.0, z) * covered;

    vec3 c = texture2D(TU0, coord).rgb;
    float peak = max(c.r, max(c.g, c.b));
    // Bright cores are lifted towards full strength, keeping their hue.
    float lift = min(1.0 + 1.2 * smoothstep(0.1, 0.7, peak), 1.0 / max(peak, 0.001));
    vec3 body = c * lift * (1.0 - 0.3 * far);
    float bodyAlpha = covered * clamp(4.0 * peak, 0.0, 1.0) * (1.0 - 0.3 * far);

    vec3 halo = 0.5 * ring(aspect, 0.009, 0.0) + 0.32 * ring(aspect, 0.02, 0.39) + 0.2 * ring(aspect, 0.036, 0.2);
    // Over the hall in full; over a box only a little, so a box keeps its own colour.
    halo *= 0.9 - 0.65 * covered;

    // Premultiplied: the body over the picture, the halo added on top; the blend divides back.
    vec3 light = body * bodyAlpha + halo;
    float alpha = clamp(bodyAlpha + max(halo.r, max(halo.g, halo.b)), 0.0, 1.0);
    vec3 colour = light / max(alpha, 0.001);
    colour /= max(1.0, max(colour.r, max(colour.g, colour.b)));
    gl_FragColor = vec4(colour, alpha);
}
