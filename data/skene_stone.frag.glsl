// skene_stone.frag.glsl - stone and floor: a texture lit per pixel by the eight GL point lights
// (eye-space positions, diffuse colours) with the soft falloff 1 / (1 + (d / lightRange)^2) and a
// saturating response (many lights close together bleach nothing), a sky-to-ground ambient
// darkened by the baked occlusion (vertex alpha), the baked light of the glowing parts (vertex
// rgb), a little specular, and exponential fog whose density is gl_Fog.start (the effects set
// the fog start and leave fixed-function fog off). Fogged fragments also turn transparent, so
// where the scene is drawn with alpha blending it fades into the background image.
varying vec3 ecPosition;
uniform sampler2D stoneMap;
uniform vec3 albedo/*0.0____1.0*/;
uniform vec3 ambientSky/*0.0____1.0*/;
uniform vec3 ambientGround/*0.0____1.0*/;
uniform vec3 fogColor/*0.0____1.0*/;
uniform float lightRange/*1.0____40.0*/;
uniform float lightGain/*0.0____4.0*/;
uniform float bakedGain/*0.0____8.0*/;
uniform float occlusionPower/*0.5____4.0*/;
uniform float shininess/*1.0____128.0*/;
uniform float specular/*0.0____2.0*/;
varying vec3 ecNormal;
varying vec3 sceneNormal;
varying vec4 bake;
varying vec2 texCoord;

void main()
{
    vec3 n = normalize(ecNormal);
    vec3 v = normalize(-ecPosition);
    float occlusion = clamp(bake.a, 0.02, 1.0);
    vec3 base = albedo * texture2D(stoneMap, texCoord).rgb;

    vec3 diffuse = vec3(0.0);
    vec3 shine = vec3(0.0);
    for (int i = 0; i < 8; i++) {
        vec3 toLight = gl_LightSource[i].position.xyz - ecPosition;
        float d2 = max(dot(toLight, toLight), 1e-4);
        vec3 l = toLight * inversesqrt(d2);
        vec3 light = gl_LightSource[i].diffuse.rgb / (1.0 + d2 / (lightRange * lightRange));
        float lambert = max(dot(n, l), 0.0);
        diffuse += light * lambert;
        if (lambert > 0.0)
            shine += light * pow(max(dot(n, normalize(l + v)), 0.0), shininess);
    }
    vec3 direct = vec3(1.0) - exp(-diffuse * lightGain);
    vec3 highlight = vec3(1.0) - exp(-shine * specular);
    float up = clamp(normalize(sceneNormal).y * 0.5 + 0.5, 0.0, 1.0);
    vec3 ambient = mix(ambientGround, ambientSky, up) * pow(occlusion, occlusionPower);
    vec3 colour = base * (ambient + direct * (0.35 + 0.65 * occlusion) + bake.rgb * bakedGain)
                + highlight * occlusion;

    float fog = exp(-max(gl_Fog.start, 0.0) * length(ecPosition));
    gl_FragColor = vec4(mix(fogColor, colour, fog), smoothstep(0.0, 0.45, fog));
}
