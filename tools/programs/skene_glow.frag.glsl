// skene_glow.frag.glsl - light-emitting surfaces: glowColor times glowGain, strongest where the
// surface faces the eye, whitening where it is overdriven, plus a little of the eight GL lights
// (so the flickering light patterns play over the trims too). Glow carries further through the
// fog than stone does: the fog density (gl_Fog.start) is scaled by fogReach.
varying vec3 ecPosition;
uniform vec3 glowColor/*0.0____1.0*/;
uniform vec3 fogColor/*0.0____1.0*/;
uniform float glowGain/*0.0____8.0*/;
uniform float fogReach/*0.0____1.0*/;
//: lightUniforms
varying vec3 ecNormal;
varying vec4 bake;

void main()
{
    vec3 n = normalize(ecNormal);
    vec3 v = normalize(-ecPosition);
    vec3 lit = vec3(0.0);
    //: eachLight
        lit += gl_LightSource[i].diffuse.rgb * (abs(dot(n, l)) / (1.0 + d2 / (lightRange * lightRange)));
    }
    float facing = abs(dot(n, v));
    vec3 colour = glowColor * (glowGain * bake.a * (0.5 + 0.5 * facing)) + lit * lightGain * (0.4 + 0.6 * glowColor);
    float peak = max(colour.r, max(colour.g, colour.b));
    colour += vec3(max(peak - 1.0, 0.0) * 0.35);

    float fog = exp(-max(gl_Fog.start, 0.0) * fogReach * length(ecPosition));
    gl_FragColor = vec4(mix(fogColor, colour, fog), smoothstep(0.0, 0.3, fog));
}
