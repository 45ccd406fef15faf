// skene_metal.frag.glsl - dark bronze: the hall's lighting, baked light and fog with a
// sharper, stronger highlight and a sheen on surfaces seen edge-on along the camera's direction (camDir,
// set from the engine's camera whenever the program is bound).
varying vec3 ecPosition;
//: surfaceUniforms
uniform vec3 sheenColor/*0.0____1.0*/;
//: lightUniforms
//: bakeUniforms
uniform float specular/*0.0____4.0*/;
uniform vec3 camDir;
//: litVaryings

void main()
{
    //: surfaceStart

    //: eightLights
    vec3 sn = normalize(sceneNormal);
    vec3 ambient = mix(ambientGround, ambientSky, clamp(sn.y * 0.5 + 0.5, 0.0, 1.0)) * pow(occlusion, occlusionPower);
    float edgeOn = 1.0 - abs(dot(sn, camDir));
    vec3 colour = albedo * (ambient + direct + bake.rgb * bakedGain) + highlight * occlusion
                + sheenColor * (edgeOn * edgeOn * edgeOn) * (0.25 + ambient);

    //: hallFog
}
