// skene_metal.frag.glsl - dark bronze: the stone program's lighting, baked light and fog with a
// sharper, stronger highlight and a sheen on surfaces seen edge-on along the camera's direction (camDir,
// set from the engine's camera whenever the program is bound).
varying vec3 ecPosition;
uniform vec3 albedo/*0.0____1.0*/;
uniform vec3 ambientSky/*0.0____1.0*/;
uniform vec3 ambientGround/*0.0____1.0*/;
uniform vec3 fogColor/*0.0____1.0*/;
uniform vec3 sheenColor/*0.0____1.0*/;
uniform float lightRange/*1.0____40.0*/;
uniform float lightGain/*0.0____4.0*/;
uniform float bakedGain/*0.0____8.0*/;
uniform float occlusionPower/*0.5____4.0*/;
uniform float shininess/*1.0____128.0*/;
uniform float specular/*0.0____4.0*/;
uniform vec3 camDir;
varying vec3 ecNormal;
varying vec3 sceneNormal;
varying vec4 bake;

void main()
{
    vec3 n = normalize(ecNormal);
    vec3 v = normalize(-ecPosition);
    float occlusion = clamp(bake.a, 0.02, 1.0);

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
    vec3 sn = normalize(sceneNormal);
    vec3 ambient = mix(ambientGround, ambientSky, clamp(sn.y * 0.5 + 0.5, 0.0, 1.0)) * pow(occlusion, occlusionPower);
    float edgeOn = 1.0 - abs(dot(sn, camDir));
    vec3 colour = albedo * (ambient + direct + bake.rgb * bakedGain) + highlight * occlusion
                + sheenColor * (edgeOn * edgeOn * edgeOn) * (0.25 + ambient);

    float fog = exp(-max(gl_Fog.start, 0.0) * length(ecPosition));
    gl_FragColor = vec4(mix(fogColor, colour, fog), smoothstep(0.0, 0.45, fog));
}
