uniform sampler2D original;
uniform sampler2D dofFactor;
uniform float focus;
uniform float distance;
varying vec2 coord;

// dof_flock - lays the occluded ribbons (original) over what is already in the frame, with depth
// of field from the depth pass (dofFactor, depth = 1 - (eye distance)^2 / 60,
// stored as "renderdepth" writes it; 0 where nothing was drawn).
//
// Blur grows with |depth - focus| / distance, full at 1; where nothing was drawn it is full. Each
// pixel gathers sixteen taps over its own blur disc (round on screen whatever the picture's
// shape), and a tap counts only as far as its own blur reaches the pixel, so sharp ribbons keep
// their edges and blurred ones spread over the sky. Alpha is the share of taps that found a
// ribbon, less a third for blurred ones: out of focus, the sky shows through.
const float TEXELS = 1024.0;
const int TAPS = 16;
const float MAX_RADIUS = 0.02; // picture heights

float depthAt(vec2 p)
{
    vec3 encoded = texture2D(dofFactor, (floor(p * TEXELS) + 0.5) / TEXELS).rgb;
    return dot(encoded, vec3(1.0, 1.0 / 255.0, 1.0 / 65025.0));
}

float blurAt(float depth)
{
    return depth <= 0.0 ? 1.0 : clamp(abs(depth - focus) / distance, 0.0, 1.0);
}

void main()
{
    vec2 pixel = vec2(abs(dFdx(coord.x)), abs(dFdy(coord.y)));
    vec2 shape = vec2(pixel.x / max(pixel.y, 1e-6), 1.0);
    float depth = depthAt(coord);
    float blur = blurAt(depth);
    float radius = MAX_RADIUS * blur;

    float covered = depth > 0.0 ? 1.0 : 0.0;
    vec3 sum = texture2D(original, coord).rgb * covered;
    float weight = covered;
    for (int i = 0; i < TAPS; i++) {
        float f = float(i) + 0.5;
        float angle = f * 2.39996323;
        float reach = radius * sqrt(f / float(TAPS));
        vec2 tap = coord + vec2(cos(angle), sin(angle)) * reach * shape;
        float tapDepth = depthAt(tap);
        float own = MAX_RADIUS * blurAt(tapDepth);
        float w = (tapDepth > 0.0 ? 1.0 : 0.0) * clamp(1.0 + (own - reach) / (0.3 * MAX_RADIUS), 0.0, 1.0);
        sum += texture2D(original, tap).rgb * w;
        weight += w;
    }
    vec3 colour = sum / max(weight, 1e-4);
    float alpha = weight / float(TAPS + 1) * (1.0 - 0.33 * blur);
    gl_FragColor = vec4(colour, alpha);
}
