uniform sampler2D original;
uniform sampler2D dofFactor;
uniform float SSAOLOW_BOUND;
uniform float ssaoFactorDistance;
uniform float ssaoFactorDarkness;
varying vec2 coord;

// ssao - the flock's ambient occlusion: darkens the colour pass (original) where nearer ribbons
// crowd around a pixel, judged from the depth pass (dofFactor, depth = 1 - (eye distance)^2 /
// 60, stored as "renderdepth" writes it; 0 where nothing was drawn).
//
// Twelve taps on a spiral around the pixel, over a disc that covers about 0.012 scene units at
// the pixel's depth. A tap occludes when it is nearer than the pixel by more than SSAOLOW_BOUND
// times ssaoFactorDistance (so a ribbon does not shade itself) and by less than about twice
// ssaoFactorDistance (so a ribbon far in front does not); ssaoFactorDarkness scales the result.
// The depth is read at texel centres: filtering would mix encoded values.
const float TEXELS = 1024.0;
const int TAPS = 12;

float depthAt(vec2 p)
{
    vec3 encoded = texture2D(dofFactor, (floor(p * TEXELS) + 0.5) / TEXELS).rgb;
    return dot(encoded, vec3(1.0, 1.0 / 255.0, 1.0 / 65025.0));
}

void main()
{
    vec4 colour = texture2D(original, coord);
    float depth = depthAt(coord);
    if (depth <= 0.0) {
        gl_FragColor = vec4(colour.rgb, 1.0);
        return;
    }
    float eyeDistance = max(sqrt((1.0 - depth) * 60.0), 0.05);
    float radius = 0.012 / eyeDistance;
    float occlusion = 0.0;
    for (int i = 0; i < TAPS; i++) {
        float f = float(i) + 0.5;
        float angle = f * 2.39996323;
        vec2 tap = coord + vec2(cos(angle), sin(angle)) * radius * sqrt(f / float(TAPS));
        float nearer = (depthAt(tap) - depth) / ssaoFactorDistance;
        occlusion += step(SSAOLOW_BOUND, nearer) * (1.0 - smoothstep(1.0, 2.0, nearer));
    }
    float ao = clamp(1.0 - ssaoFactorDarkness * occlusion / float(TAPS), 0.0, 1.0);
    gl_FragColor = vec4(colour.rgb * ao, 1.0);
}
