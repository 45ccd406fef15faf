uniform sampler2D tex;
uniform vec2 resolution;
uniform float intensity;
varying vec2 coord;

// A zoom blur towards the picture's centre, added to the frame: each pixel averages the image
// along the line from itself a third of the way to the centre, nearer samples weighing more.
// The start of each pixel's line is staggered by a quarter step in a 2x2 pattern over the
// picture's pixels (resolution), which turns the banding of 16 taps into fine grain.
const int TAPS = 16;
const float REACH = 0.33;

void main()
{
    vec2 pixel = floor(coord * resolution);
    float stagger = mod(pixel.x, 2.0) * 0.25 + mod(pixel.y, 2.0) * 0.5;
    vec2 toCentre = vec2(0.5) - coord;
    vec4 sum = vec4(0.0);
    float total = 0.0;
    float weight = 1.0;
    for (int i = 0; i < TAPS; i++) {
        float t = (float(i) + stagger) / float(TAPS) * REACH;
        sum += texture2D(tex, coord + toCentre * t) * weight;
        total += weight;
        weight *= 0.9;
    }
    gl_FragColor = sum / total * intensity;
}
