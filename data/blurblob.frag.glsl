// blurblob - the closing effect's composite: the blurred sprite column, shaded over the picture.
//
// tex0: the blurred sprite layer, normal-map sprites (0.5 + 0.5 n) over white where none lay,
// alpha 1 under the sprites and 0 elsewhere. The blur averages neighbouring normals, so
// overlapping spheres melt into one smooth surface. tex1: "envmap.png", latitude-longitude,
// row 0 the zenith. The layer reaches the window mirrored left to right (both texture axes
// flipped on a flipped render target), so a stored normal's x is turned back here.
//
// part selects the material, one per camera path: 0 polished chrome, 1 tinted glass that shows
// the picture through its middle, 3 glowing plasma. The output alpha carries the coverage, so
// the column lays over the scene with alpha blending and leaves it untouched elsewhere.
varying vec2 coord;
uniform sampler2D tex0;
uniform sampler2D tex1;
uniform float part;

const float kPi = 3.14159265;

// The environment in direction d (y up, z towards the viewer). Longitude 0 faces the viewer,
// so the seam of the image falls on the spheres' rims, where the fresnel term rules. The
// horizon is tipped down by 20 degrees: a surface facing the viewer mirrors the sky above the
// glow, and the many downward faces (the index order leaves each sprite over the one below it)
// mirror the water, which mirrors the sky.
vec3 environment(vec3 view)
{
    vec3 d = vec3(view.x, 0.94 * view.y + 0.34 * view.z, 0.94 * view.z - 0.34 * view.y);
    float u = atan(d.x, d.z) / (2.0 * kPi) + 0.5;
    float v = clamp(0.5 - asin(clamp(d.y, -1.0, 1.0)) / kPi, 0.004, 0.996);
    return texture2D(tex1, vec2(u, v)).rgb;
}

void main()
{
    vec4 layer = texture2D(tex0, coord);
    vec3 stored = layer.rgb * 2.0 - 1.0;
    vec3 n = normalize(vec3(-stored.x, stored.y, max(stored.z, 0.0) + 0.02));
    float cover = smoothstep(0.08, 0.55, layer.a);

    vec3 view = vec3(0.0, 0.0, -1.0);
    // Reflections are taken from a surface flattened towards the viewer: the blurred sprites lean
    // steeply, and a sharper mirror would show mostly the dark below the water.
    vec3 r = reflect(view, normalize(vec3(n.xy, 1.8 * n.z)));
    vec3 mirrored = environment(r);
    float facing = clamp(n.z, 0.0, 1.0);
    float fresnel = pow(1.0 - facing, 3.0);
    // A key light high on the left, behind the viewer.
    vec3 key = normalize(vec3(-0.45, 0.6, 0.66));
    float glint = pow(max(dot(r, key), 0.0), 90.0);

    vec3 colour;
    float alpha = cover;
    if (part < 0.5) {
        // Polished chrome: the sky and the horizon, slightly warm, with a hard glint.
        colour = mirrored * mix(vec3(1.0, 0.96, 0.92), vec3(1.15), fresnel) * 1.1 + vec3(1.0, 0.95, 0.9) * glint * 1.6;
    } else if (part < 2.0) {
        // Tinted glass: the environment bent through a magenta body, clear in the middle and
        // mirroring at the rims, with a bright blue-violet edge and hard glints.
        vec3 through = environment(refract(view, n, 0.8)) + vec3(0.1, 0.04, 0.09);
        vec3 tint = vec3(1.0, 0.42, 0.86);
        float rim = smoothstep(0.0, 0.6, fresnel);
        colour = mix(through * tint * 1.6, mirrored * 1.3, 0.2 + 0.8 * rim);
        colour += vec3(0.35, 0.43, 0.95) * pow(1.0 - facing, 5.0) * 1.1;
        colour += vec3(1.0, 0.97, 0.95) * (glint * 2.2 + pow(max(dot(r, key), 0.0), 12.0) * 0.12);
        alpha = cover * mix(0.38, 1.0, rim);
    } else {
        // Glowing plasma: white-hot amber where the surface faces the viewer, cooling through
        // magenta to a blue-violet rim with a faint reflection.
        float heat = pow(facing, 1.6);
        colour = mix(vec3(0.72, 0.11, 0.42), vec3(1.0, 0.62, 0.24), smoothstep(0.2, 0.8, heat));
        colour = mix(colour, vec3(1.0, 0.93, 0.8), smoothstep(0.75, 1.0, heat)) * (0.5 + 0.9 * heat);
        colour += vec3(0.35, 0.43, 0.95) * fresnel * 0.9 + mirrored * fresnel * 0.4;
    }
    gl_FragColor = vec4(colour * gl_Color.rgb, alpha * gl_Color.a);
}
