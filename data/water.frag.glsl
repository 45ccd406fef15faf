// water.frag.glsl - night water. The mirrored pass (water_reflection, rendered with this view and
// projection) is read at the fragment's own screen position, pushed aside by the ripple normals
// (water_normalmap, packed 128 + 127 n: r the slope along t, g up, b the slope along s) and by a
// slow swell that drifts with pos (the effect position). Looking straight down the water is dark;
// toward grazing angles it mirrors more (a fresnel-like term). A faint blue-violet tint, a glint on
// the ring crests, and the quad's edges fade out so that the water has no hard border.
varying vec4 clipPosition;
varying vec3 ecPosition;
varying vec3 ecUp;
varying vec2 rippleCoord;
uniform sampler2D water_reflection;
uniform sampler2D water_normalmap;
uniform float pos;

void main()
{
    vec3 n = (texture2D(water_normalmap, rippleCoord).rgb * 255.0 - 128.0) / 127.0;
    vec2 slope = vec2(n.b, n.r);
    vec2 swell = vec2(sin(rippleCoord.y * 43.0 + pos * 47.0) + 0.6 * sin(rippleCoord.x * 71.0 - pos * 31.0),
                      cos(rippleCoord.x * 37.0 + pos * 41.0) + 0.6 * cos(rippleCoord.y * 89.0 - pos * 53.0));
    vec2 screen = clipPosition.xy / clipPosition.w * 0.5 + 0.5;
    vec2 lookup = screen + slope * 0.07 + swell * 0.0022;
    vec3 mirrored = texture2D(water_reflection, clamp(lookup, 0.001, 0.999)).rgb;

    float facing = clamp(dot(normalize(-ecPosition), normalize(ecUp)), 0.0, 1.0);
    float reflectance = 0.3 + 0.7 * pow(1.0 - facing, 2.0);
    vec3 deep = vec3(0.012, 0.009, 0.035);
    vec3 colour = deep + mirrored * reflectance * vec3(0.80, 0.80, 1.0);
    float crest = clamp(length(slope) * 3.0, 0.0, 1.0);
    colour += vec3(0.06, 0.05, 0.12) * crest * reflectance;

    float edge = smoothstep(0.0, 0.4, rippleCoord.x) * smoothstep(0.0, 0.15, 1.0 - rippleCoord.x)
               * smoothstep(0.0, 0.25, rippleCoord.y) * smoothstep(0.0, 0.3, 1.0 - rippleCoord.y);
    gl_FragColor = vec4(colour, edge);
}
