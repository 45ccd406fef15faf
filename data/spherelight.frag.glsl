uniform sampler2D tex0;
uniform sampler2D tex1;
uniform float dist;
// spherelight - the opening's composite: water-like blobs over the background.
//
// tex0: the blurred sphere layer, normal-map sprites (0.5 + 0.5 n) over mid grey where nothing
// was drawn, alpha the coverage. tex1: the background layer. Both are read through the same
// texture coordinates, and the vertex colour carries the fade. dist adds refraction strength
// (0 gives the standard look).
//
// Both layers are render targets drawn with s and t flipped, which mirrors them left to right:
// a stored normal's x points the other way on screen, and the lighting turns it back. The
// refraction offset is taken in texture space, the same for both layers, so the blobs magnify
// the background behind them, slightly split by colour.
varying vec2 coord;

void main()
{
    vec4 layer = texture2D(tex0, coord);
    vec3 stored = layer.rgb * 2.0 - 1.0;
    float slope = length(stored.xy);

    vec3 n = normalize(vec3(-stored.x, stored.y, max(stored.z, 0.0) + 0.001));

    float strength = 0.045 + 0.05 * dist;
    vec2 offset = stored.xy * strength;
    vec3 refracted;
    refracted.r = texture2D(tex1, coord + offset * 0.94).r;
    refracted.g = texture2D(tex1, coord + offset).g;
    refracted.b = texture2D(tex1, coord + offset * 1.08).b;

    // Water: the background through a cool body, a sharp highlight from the upper left with a
    // broad sheen around it, a blue-violet rim and a faint magenta kick from the lower right.
    vec3 water = refracted * vec3(0.80, 0.86, 1.0) + vec3(0.012, 0.016, 0.045);
    vec3 halfway = vec3(-0.2717, 0.3261, 0.9055);
    float facing = max(dot(n, halfway), 0.0);
    float highlight = pow(facing, 60.0) * 1.1 + pow(facing, 9.0) * 0.07;
    float fresnel = pow(1.0 - clamp(n.z, 0.0, 1.0), 2.5);
    float kick = pow(max(dot(n, vec3(0.6247, -0.4685, 0.6247)), 0.0), 6.0);
    water = mix(water, vec3(0.35, 0.43, 0.95) * 0.85 + water * 0.4, fresnel * 0.65);
    water += vec3(0.623, 0.0952, 0.315) * kick * 0.18 + vec3(0.92, 0.95, 1.0) * highlight;

    // The blurred edge blends into the background. Where the blur carried the normals past the
    // coverage, a faint glow of the rim colour remains.
    vec3 background = texture2D(tex1, coord).rgb;
    float cover = smoothstep(0.0, 1.0, layer.a);
    float halo = smoothstep(0.03, 0.6, slope) * (1.0 - cover);
    vec3 colour = mix(background, water, cover) + vec3(0.35, 0.43, 0.95) * halo * 0.12;

    gl_FragColor = vec4(colour * gl_Color.rgb, gl_Color.a);
}
