// skene_metal.frag.glsl - dark bronze: the hall's lighting, baked light and fog with a
// sharper, stronger highlight and a sheen on surfaces seen edge-on along the camera's direction (camDir,
// set from the engine's camera whenever the program is bound).
varying vec3 ecPosition;
uniform vec3 albedo/*0.0____1.0*/;
uniform vec3 ambientSky/*0.0____1.0*/;
uniform vec3 ambientGround/*0.0____1.0*/;
uniform vec3 fogColor/*0.0____1.0*/;
uniform vec3 sheenColor/*0.0____1.0*/;
//: lightUniforms
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

    //: eightLights
    vec3 sn = normalize(sceneNormal);
    vec3 ambient = mix(ambientGround, ambientSky, clamp(sn.y * 0.5 + 0.5, 0.0, 1.0)) * pow(occlusion, occlusionPower);
    float edgeOn = 1.0 - abs(dot(sn, camDir));
    vec3 colour = albedo * (ambient + direct + bake.rgb * bakedGain) + highlight * occlusion
                + sheenColor * (edgeOn * edgeOn * edgeOn) * (0.25 + ambient);

    //: hallFog
}
