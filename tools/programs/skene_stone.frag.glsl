// skene_stone.frag.glsl - stone and floor: a texture lit per pixel by the eight GL point lights
// (eye-space positions, diffuse colours) with the soft falloff 1 / (1 + (d / lightRange)^2) and a
// saturating response (many lights close together bleach nothing), a sky-to-ground ambient
// darkened by the baked occlusion (vertex alpha), the baked light of the glowing parts (vertex
// rgb), a little specular, and exponential fog whose density is gl_Fog.start (the effects set
// the fog start and leave fixed-function fog off). Fogged fragments also turn transparent, so
// where the scene is drawn with alpha blending it fades into the background image.
varying vec3 ecPosition;
uniform sampler2D stoneMap;
//: surfaceUniforms
//: lightUniforms
//: bakeUniforms
uniform float specular/*0.0____2.0*/;
//: litVaryings
varying vec2 texCoord;

void main()
{
    //: surfaceStart
    vec3 base = albedo * texture2D(stoneMap, texCoord).rgb;

    //: eightLights
    float up = clamp(normalize(sceneNormal).y * 0.5 + 0.5, 0.0, 1.0);
    vec3 ambient = mix(ambientGround, ambientSky, up) * pow(occlusion, occlusionPower);
    vec3 colour = base * (ambient + direct * (0.35 + 0.65 * occlusion) + bake.rgb * bakedGain)
                + highlight * occlusion;

    //: hallFog
}
