// shader_library.cpp - the built-in program sources.
//
// Texture units are never set here: callers set each sampler uniform to its unit ("tex" to 0;
// texunit0, texunit1, texunit2 to 0, 1, 2).
#include "render/shader_library.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Vertex stages
// ---------------------------------------------------------------------------------------------

// Fixed-function position and texture coordinate 0.
const char* const kPassVertex =
    "varying vec2 Tex_coord;void main(){ gl_Position = ftransform(); gl_TexCoord[0] = gl_MultiTexCoord0;}";

// Texture coordinate 0 as `coord`; the two differ only in statement order.
const char* const kCoordVertex =
    "varying vec2 coord;void main(){ gl_Position = ftransform(); coord = gl_MultiTexCoord0.xy;}";
const char* const kCoordVertexLate =
    "varying vec2 coord;void main(){ coord = gl_MultiTexCoord0.xy; gl_Position = ftransform();}";

// Five taps along x (or y), `xoff` apart in texture coordinates, centred on coordinate 0.
const char* const kBlurXVertex =
    "uniform float xoff;varying vec2 pos0;varying vec2 pos1;varying vec2 pos2;varying vec2 pos3;varying vec2 "
    "pos4;varying vec4 c;void main(){ vec2 DX = vec2(xoff, 0.0); vec2 DX2 = vec2(2.0 * xoff, 0.0); vec2 t = "
    "gl_MultiTexCoord0.st; c = gl_Color; pos0 = t - DX2; pos1 = t - DX; pos2 = t; pos3 = t + DX; pos4 = t + DX2; "
    "gl_Position = ftransform();}";
const char* const kBlurYVertex =
    "uniform float yoff;varying vec2 pos0;varying vec2 pos1;varying vec2 pos2;varying vec2 pos3;varying vec2 "
    "pos4;varying vec4 c;void main(){ vec2 DX = vec2(0.0, yoff); vec2 DX2 = vec2(0.0, 2.0 * yoff); vec2 t = "
    "gl_MultiTexCoord0.st; c = gl_Color; pos0 = t - DX2; pos1 = t - DX; pos2 = t; pos3 = t + DX; pos4 = t + DX2; "
    "gl_Position = ftransform();}";

// Projective texture coordinates: texture matrix 0 times the eye-space vertex.
const char* const kProjectShadowVertex =
    "varying vec4 shadowCoord;void main(){ gl_Position = ftransform(); shadowCoord = gl_TextureMatrix[0] * "
    "gl_ModelViewMatrix * gl_Vertex;}";
const char* const kProjectCoordVertex =
    "varying vec4 coord;void main(){ gl_Position = ftransform(); coord = gl_TextureMatrix[0] * gl_ModelViewMatrix * "
    "gl_Vertex;}";
const char* const kShadowmapVertex =
    "varying vec4 shadowCoord;varying vec4 color;void main(){ gl_Position = ftransform(); shadowCoord = "
    "gl_TextureMatrix[0] * gl_ModelViewMatrix * gl_Vertex; color = gl_Color;}";

// Lit, wave-displaced geometry; lightDir carries its range annotation.
const char* const kSynkkaVertex =
    "uniform float scale;uniform float time;\tuniform vec3 lightDir/*-1.24____168912.3*/;varying vec2 coord0;varying "
    "vec3 nor;varying vec4 lcolor;void main(){ coord0 = gl_MultiTexCoord0.xy; nor = gl_Normal.xyz; lcolor = "
    "vec4(1.0) * max(dot(normalize(gl_NormalMatrix * gl_Normal), normalize(lightDir)), 0.0); float a = sin(scale * "
    "gl_Vertex.y * 0.075); gl_Position = gl_ModelViewProjectionMatrix * (gl_Vertex + a * 4.0 * vec4(gl_Normal * "
    "scale, 0.0));}";

const char* const kSavupreVertex =
    "varying vec2 texcoord;varying float t;void main(){ texcoord = gl_MultiTexCoord0.xy; vec4 pos = "
    "gl_ModelViewProjectionMatrix * gl_Vertex; t = pos.z / pos.w; gl_Position = pos;}";

const char* const kMixaaVertex =
    "varying vec2 coord1;varying vec2 coord2;void main(){ gl_Position = ftransform(); coord1 = "
    "gl_MultiTexCoord0.xy; coord2 = gl_MultiTexCoord1.xy;}";

const char* const kSindistortVertex =
    "uniform float alpha;varying vec2 Tex_coord;varying vec4 col;void main(){ gl_Position = ftransform(); "
    "gl_TexCoord[0] = gl_MultiTexCoord0; col = gl_Color * alpha;}";

// ---------------------------------------------------------------------------------------------
// Fragment stages
// ---------------------------------------------------------------------------------------------

const char* const kSynkkaFragment =
    "uniform sampler2D tex0;uniform sampler2D tex1;uniform sampler2D tex2;uniform float fade;uniform float "
    "jokuvitunkerroin;uniform float time;varying vec2 coord0;varying vec3 nor;varying vec4 lcolor;void main(){ "
    "vec2 offset = sin(time * 0.075) * (texture2D(tex1, coord0).xy - vec2(0.5, 0.5)); vec4 col = texture2D(tex0, "
    "coord0); float m = 0.35 + 0.65 * texture2D(tex2, (nor.xy + offset) * jokuvitunkerroin + vec2(time, "
    "-time)).r; gl_FragColor = vec4(col.rgb, 1.0) * m * fade;}";

// The fragment's normalised depth in every channel, where the sprite is not transparent.
const char* const kSavupreFragment =
    "uniform sampler2D tex0;varying vec2 texcoord;varying float t;void main(){ vec4 c = texture2D(tex0, texcoord); "
    "if (c.a <= 0.0001) discard; gl_FragColor = vec4(t);}";

const char* const kMixaaFragment =
    "uniform sampler2D tex1;\tuniform sampler2D tex2;varying vec2 coord1;varying vec2 coord2;void main(){ "
    "gl_FragColor = (texture2D(tex1, coord1) + texture2D(tex2, coord2)) * 0.5;}";

const char* const kLightrayFragment =
    "uniform sampler2D caustic;uniform sampler2DShadow shadowMap;varying vec4 shadowCoord;void main(){ "
    "gl_FragColor = texture2DProj(caustic, shadowCoord * 24.0) * vec4(0.102065, 0.102065, 0.1020790565, 1.0);}";

// Saturation by a per-channel power, contrast about mid-grey length 0.866, then brightness.
const char* const kColorFragment =
    "uniform sampler2D tex;uniform float saturate;uniform float brightness;uniform float contrast;void main(){ "
    "vec3 c = texture2D(tex, gl_TexCoord[0].xy).rgb; float x = length(c); c = pow(c + vec3(0.01), "
    "vec3(saturate)); gl_FragColor.rgb = clamp(0.866 + contrast * (x - 0.866), 0.05, 1.73) * normalize(c * "
    "vec3(1.0, 1.0, 1.0)) * brightness;}";

const char* const kSindistortFragment =
    "uniform sampler2D tex;uniform float xfreq;uniform float yfreq;uniform float xphase;uniform float "
    "yphase;uniform float xamp;uniform float yamp;varying vec4 col;void main(){ float xdiv = 3.14159 * xfreq; "
    "float ydiv = 3.14159 * yfreq; float s = gl_TexCoord[0].x; float t = gl_TexCoord[0].y; float a = yphase + s "
    "+ sin(t * xdiv) * xamp; float b = xphase + t + sin(s * ydiv) * yamp; gl_FragColor = texture2D(tex, vec2(a, "
    "b)) * col;}";

const char* const kChromeFragment =
    "uniform sampler2D tex;uniform int times;void main(){ vec4 col = texture2D(tex, gl_TexCoord[0].xy); col.r = "
    "abs(sin(3.14159 * col.r)); col.g = abs(sin(3.14159 * col.g)); col.b = abs(sin(3.14159 * col.b)); "
    "gl_FragColor = col;}";

const char* const kMetaFragment =
    "uniform sampler2D tex;uniform int times;void main(){ gl_FragColor = texture2D(tex, gl_TexCoord[0].xy);}";

// Weights 0.1, 0.25, 0.5, 0.25, 0.1: they sum to 1.2, so every pass brightens by 20 %.
const char* const kBlurFragment =
    "uniform sampler2D tex;\tuniform float alpha;varying vec2 pos0;varying vec2 pos1;varying vec2 pos2;varying "
    "vec2 pos3;varying vec2 pos4;varying vec4 c;void main(){ vec4 col = texture2D(tex, pos0) * 0.1 + "
    "texture2D(tex, pos1) * 0.25 + texture2D(tex, pos2) * 0.5 + texture2D(tex, pos3) * 0.25 + texture2D(tex, "
    "pos4) * 0.1; gl_FragColor = col * alpha * c;}";

// Weights summing to 1; the alpha is the centre tap's own.
const char* const kBlur2Fragment =
    "uniform sampler2D tex;uniform float alpha;varying vec2 pos0;varying vec2 pos1;varying vec2 pos2;varying vec2 "
    "pos3;varying vec2 pos4;varying vec4 c;void main(){ vec4 p = texture2D(tex, pos2); vec4 col = texture2D(tex, "
    "pos0) * 0.1 + texture2D(tex, pos1) * 0.2 + p * 0.4 + texture2D(tex, pos3) * 0.2 + texture2D(tex, pos4) * "
    "0.1; gl_FragColor = vec4(col.rgb, p.a) * alpha * c;}";

// A tap counts 0, 1 or 2 times as its depthCompare alpha is below, equal to or above the
// centre's, so nearer layers do not bleed into farther ones.
const char* const kBlur2NoBleedFragment =
    "uniform sampler2D tex;uniform sampler2D depthCompare;uniform float alpha;varying vec2 pos0;varying vec2 "
    "pos1;varying vec2 pos2;varying vec2 pos3;varying vec2 pos4;varying vec4 c;void main(){ float k = "
    "texture2D(depthCompare, pos2).a; vec4 col = texture2D(tex, pos0) * 0.1 * (sign(texture2D(depthCompare, "
    "pos0).a - k) + 1.0) + texture2D(tex, pos1) * 0.2 * (sign(texture2D(depthCompare, pos1).a - k) + 1.0) + "
    "texture2D(tex, pos2) * 0.4 * (sign(texture2D(depthCompare, pos2).a - k) + 1.0) + texture2D(tex, pos3) * 0.2 "
    "* (sign(texture2D(depthCompare, pos3).a - k) + 1.0) + texture2D(tex, pos4) * 0.1 * "
    "(sign(texture2D(depthCompare, pos4).a - k) + 1.0); gl_FragColor = vec4(col.rgb, texture2D(tex, pos2).a);}";

const char* const kDarkenFragment =
    "uniform sampler2D tex;uniform float alpha;varying vec2 coord;void main(){ vec4 c = texture2D(tex, coord); "
    "gl_FragColor = c * c * alpha;}";

const char* const kGlowcFragment =
    "uniform sampler2D texunit0;uniform sampler2D texunit1;uniform float glow_amount;varying vec2 coord;void "
    "main(){ gl_FragColor = texture2D(texunit0, coord) + texture2D(texunit1, coord) * glow_amount;}";

// Sobel on a 1024 texel grid; savy scales the result.
const char* const kEdgeFragment =
    "uniform sampler2D tex;   uniform float savy;void main(){ float off = 1.0 / 1024.0; vec2 tc = "
    "gl_TexCoord[0].xy; vec4 s00 = texture2D(tex, tc + vec2(-off, -off)); vec4 s01 = texture2D(tex, tc + "
    "vec2(0.0, -off)); vec4 s02 = texture2D(tex, tc + vec2(off, -off)); vec4 s10 = texture2D(tex, tc + vec2(-off, "
    "0.0)); vec4 s12 = texture2D(tex, tc + vec2(off, 0.0)); vec4 s20 = texture2D(tex, tc + vec2(-off, off)); vec4 "
    "s21 = texture2D(tex, tc + vec2(0.0, off)); vec4 s22 = texture2D(tex, tc + vec2(off, off)); vec4 sX = s00 + "
    "2.0 * s10 + s20 - s02 - 2.0 * s12 - s22; vec4 sY = s00 + 2.0 * s01 + s02 - s20 - 2.0 * s21 - s22; vec4 sq = "
    "sX * sX + sY * sY; float val = sq.r + sq.g + sq.b; gl_FragColor = vec4(val, val, val, val <= 0.0 ? 0.0 : "
    "1.0) * savy;}";

const char* const kInvertFragment =
    "uniform sampler2D texunit0;uniform float invert_amount;uniform float alpha;varying vec2 coord;void main(){ "
    "vec4 col = texture2D(texunit0, coord); col.x = col.x * (1.0 - invert_amount) + (1.0 - col.x) * "
    "invert_amount; col.y = col.y * (1.0 - invert_amount) + (1.0 - col.y) * invert_amount; col.z = col.z * (1.0 "
    "- invert_amount) + (1.0 - col.z) * invert_amount; col *= alpha; gl_FragColor = col;}";

const char* const kBlackwhiteFragment =
    "uniform sampler2D tex;uniform float threshold;varying vec2 coord;void main(){ gl_FragColor = vec4(0.0, 1.0, "
    "0.0, 1.0);}";

// texunit0 sharp, texunit1 blurred, texunit2 depth: sharp at the focus, blurred towards near and far.
const char* const kDofFragment =
    "uniform sampler2D texunit0;uniform sampler2D texunit1;uniform sampler2D texunit2;uniform float "
    "near;uniform float focus;uniform float far;varying vec2 coord;void main(){ float depth = texture2D(texunit2, "
    "coord).r; float f; if (depth < focus) f = 1.0 - clamp((depth - near) / (focus - near), 0.0, 1.0); else f = "
    "clamp((depth - focus) / (far - focus), 0.0, 1.0); gl_FragColor = texture2D(texunit0, coord) * (1.0 - f) + "
    "texture2D(texunit1, coord) * f;}";

// Ambient occlusion from normals (xyz) and depth (a) in texunit1, 6 kernel rays reflected about
// a random normal from texunit2 (tiled by `offset`).
const char* const kSsaoFragment =
    "#version 120\nuniform float strength;uniform float offset;uniform float falloff;uniform float "
    "radius;uniform sampler2D texunit0;uniform sampler2D texunit1;uniform sampler2D texunit2;varying vec2 "
    "coord;const int SAMPLES = 6;void main(){ vec3 pSphere[16] = vec3[16](vec3(0.53812504, 0.18565957, -0.43192), "
    "vec3(0.13790712, 0.24864247, 0.44301823), vec3(0.33715037, 0.56794053, -0.005789503), vec3(-0.6999805, "
    "-0.04511441, -0.0019965635), vec3(0.06896307, -0.15983082, -0.85477847), vec3(0.056099437, 0.006954967, "
    "-0.1843352), vec3(-0.014653638, 0.14027752, 0.0762037), vec3(0.010019933, -0.1924225, -0.034443386), "
    "vec3(-0.35775623, -0.5301969, -0.43581226), vec3(-0.3169221, 0.106360726, 0.015860917), vec3(0.010350345, "
    "-0.58698344, 0.0046293875), vec3(-0.08972908, -0.49408212, 0.3287904), vec3(0.7119986, -0.0154690035, "
    "-0.09183723), vec3(-0.053382345, 0.059675813, -0.5411899), vec3(0.035267662, -0.063188605, 0.54602677), "
    "vec3(-0.47761092, 0.2847911, -0.0271716)); vec3 fres = normalize(texture2D(texunit2, coord * offset).xyz * "
    "2.0 - vec3(1.0)); vec4 s = texture2D(texunit1, coord); vec3 normal = s.xyz; float d = s.a; vec3 ep = "
    "vec3(coord, d); float radD = radius / d; float bl = 0.0; float samplesUsed = 0.0; for (int i = 0; i < "
    "SAMPLES; ++i) { vec3 ray = radD * reflect(pSphere[i], fres); vec3 se = ep + sign(dot(ray, normal)) * ray; "
    "if (se.x >= 0.0 && se.x <= 1.0 && se.y >= 0.0 && se.y <= 1.0) { vec4 o = texture2D(texunit1, se.xy); float "
    "depthDifference = d - o.a; float normDiff = 1.0 - dot(o.xyz, normal); bl += step(falloff, depthDifference) "
    "* normDiff * (1.0 - smoothstep(falloff, strength, depthDifference)); samplesUsed += 1.0; } } float ao = 1.0 "
    "- strength * bl / max(1.0, samplesUsed); gl_FragColor = vec4(ao);}";

const char* const kSsaoCombineFragment =
    "uniform sampler2D texunit0;uniform sampler2D texunit1;uniform sampler2D texunit2;varying vec2 coord;void "
    "main(){ gl_FragColor = texture2D(texunit0, coord) * texture2D(texunit1, coord);}";

const char* const kShadowmapFragment =
    "uniform sampler2DShadow shadowMap;varying vec4 shadowCoord;varying vec4 color;void main(){ gl_FragColor = "
    "shadow2DProj(shadowMap, shadowCoord).r * color;}";

const char* const kProjectTextureFragment =
    "uniform sampler2D tex;varying vec4 coord;void main(){ gl_FragColor = texture2DProj(tex, coord);}";

const std::array<BuiltInProgram, kBuiltInProgramCount> kPrograms = {{
    {"synkka", kSynkkaFragment, kSynkkaVertex},
    {"savupre", kSavupreFragment, kSavupreVertex},
    {"mixaa", kMixaaFragment, kMixaaVertex},
    {"lightray", kLightrayFragment, kProjectShadowVertex},
    {"color", kColorFragment, kPassVertex},
    {"sindistort", kSindistortFragment, kSindistortVertex},
    {"chrome", kChromeFragment, kPassVertex},
    {"meta", kMetaFragment, kPassVertex},
    {"blurx", kBlurFragment, kBlurXVertex},
    {"blury", kBlurFragment, kBlurYVertex},
    {"blur2x", kBlur2Fragment, kBlurXVertex},
    {"blur2y", kBlur2Fragment, kBlurYVertex},
    {"blur2xNoBleed", kBlur2NoBleedFragment, kBlurXVertex},
    {"blur2yNoBleed", kBlur2NoBleedFragment, kBlurYVertex},
    {"darken", kDarkenFragment, kCoordVertex},
    {"glowc", kGlowcFragment, kCoordVertex},
    {"edge", kEdgeFragment, kPassVertex},
    {"invert", kInvertFragment, kCoordVertex},
    {"blackwhite", kBlackwhiteFragment, kCoordVertex},
    {"dof", kDofFragment, kCoordVertexLate},
    {"ssao", kSsaoFragment, kCoordVertexLate},
    {"ssaoCombine", kSsaoCombineFragment, kCoordVertexLate},
    {"shadowmap", kShadowmapFragment, kShadowmapVertex},
    {"projectTexture", kProjectTextureFragment, kProjectCoordVertex},
}};

} // namespace

const std::array<BuiltInProgram, kBuiltInProgramCount>& builtInPrograms()
{
    return kPrograms;
}
