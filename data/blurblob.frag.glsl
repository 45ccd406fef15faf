// blurblob - the closing effect's composite: the blurred sprite column, shaded as a glossy liquid
// over the picture.
//
// tex0: the blurred sprite layer, normal-map sprites (0.5 + 0.5 n) blended over white where none
// lay, alpha the coverage. Blurring mixes the white into the colour as much as it lowers the
// alpha, so the white is taken out again before the normals are read: what is left is the
// coverage-weighted mean of the sprites' normals, one smooth surface over the overlapping spheres.
// The slope of the coverage itself bends that surface outwards at the column's edge. The layer
// reaches the window mirrored left to right (both texture axes flipped on a flipped render
// target), so x is turned back here.
//
// tex1: "envmap.png", latitude-longitude, row 0 the zenith: a dusk sky over water, with a thin
// dark band of islands on the horizon. A reflection is read as the brightest of three taps across
// that band, so it never draws dark lines over the liquid.
//
// part selects the liquid's body by camera path: 0 blue-violet, 1 magenta, 3 molten amber. Every
// body keeps a floor of its own deep colour, a fresnel rim mirrors the sky, and the sun on the
// horizon and a key light high on the right give the highlights. The output alpha is the coverage
// through a soft ramp, so the column has no hard edge and leaves the picture alone elsewhere.
varying vec2 coord;
uniform sampler2D tex0;
uniform sampler2D tex1;
uniform float part;

const float kPi = 3.14159265;

vec3 environment(vec3 d)
{
    // Longitude 0 faces the viewer; the horizon is tipped down by 20 degrees, so a surface facing
    // the viewer mirrors the sky above the sun.
    vec3 t = vec3(d.x, 0.94 * d.y + 0.34 * d.z, 0.94 * d.z - 0.34 * d.y);
    float u = atan(t.x, t.z) / (2.0 * kPi) + 0.5;
    float v = clamp(0.5 - asin(clamp(t.y, -1.0, 1.0)) / kPi, 0.04, 0.96);
    vec3 a = texture2D(tex1, vec2(u, v - 0.03)).rgb;
    vec3 b = texture2D(tex1, vec2(u, v)).rgb;
    vec3 c = texture2D(tex1, vec2(u, v + 0.03)).rgb;
    return max(a, max(b, c));
}

float coverAt(vec2 at)
{
    return texture2D(tex0, at).a;
}

void main()
{
    vec4 layer = texture2D(tex0, coord);
    float a = layer.a;
    // The white background taken out: the mean stored normal under the coverage.
    vec3 stored = (layer.rgb - (1.0 - a)) / max(a, 0.02) * 2.0 - 1.0;
    // The coverage's slope, in texels of the 256 blur.
    vec2 texel = vec2(1.5 / 256.0, 1.5 / 256.0);
    vec2 slope = vec2(coverAt(coord + vec2(texel.x, 0.0)) - coverAt(coord - vec2(texel.x, 0.0)),
                      coverAt(coord + vec2(0.0, texel.y)) - coverAt(coord - vec2(0.0, texel.y)));
    vec2 tilt = stored.xy - slope * 1.6;
    vec3 n = normalize(vec3(-tilt.x, tilt.y, max(stored.z, 0.0) * 0.7 + 0.3));

    vec3 view = vec3(0.0, 0.0, -1.0);
    vec3 r = reflect(view, n);
    vec3 sky = environment(r);
    float facing = clamp(n.z, 0.0, 1.0);
    float fresnel = 0.06 + 0.94 * pow(1.0 - facing, 4.0);

    vec3 key = normalize(vec3(0.5, 0.7, 0.5));
    float diffuse = 0.5 + 0.5 * dot(n, key);
    float glint = pow(max(dot(r, key), 0.0), 40.0);
    float skyLight = dot(sky, vec3(0.3, 0.4, 0.3));

    // Each body from its deep colour on the side away from the key light to its light colour
    // facing it; the deep colour is the floor, so no part of the liquid falls to black.
    vec3 deep;
    vec3 light;
    vec3 rim;
    if (part < 0.5) {
        deep = vec3(0.1, 0.07, 0.38);
        light = vec3(0.42, 0.38, 0.95);
        rim = vec3(0.85, 0.35, 0.9);
    } else if (part < 2.0) {
        deep = vec3(0.38, 0.04, 0.3);
        light = vec3(0.95, 0.3, 0.72);
        rim = vec3(0.45, 0.55, 1.0);
    } else {
        deep = vec3(0.55, 0.14, 0.1);
        light = vec3(1.0, 0.72, 0.3);
        rim = vec3(1.0, 0.3, 0.55);
    }
    vec3 colour = mix(deep, light, diffuse * diffuse);
    colour = mix(colour, sky * 1.25 + rim * 0.25, fresnel);
    // The bright parts of the sky (the sun, the glow over the horizon) as highlights.
    colour += sky * pow(skyLight, 2.0) * 1.1 * (0.35 + fresnel);
    colour += vec3(1.0, 0.96, 0.9) * glint * 1.8;
    colour += rim * pow(1.0 - facing, 2.5) * 0.35;

    float alpha = smoothstep(0.1, 0.55, a);
    gl_FragColor = vec4(colour * gl_Color.rgb, alpha * gl_Color.a);
}
