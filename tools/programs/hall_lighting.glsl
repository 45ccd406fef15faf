// hall_lighting.glsl - what the hall's programs (skene_stone, skene_metal, skene_glow) share,
// written once: programgen puts each block (from its line "// block: name" to the next)
// where a program names it with a line "//: name".
//
// The eight GL point lights are placed by the material callback (eye-space positions, diffuse
// colours) and fall off as 1 / (1 + (d / lightRange)^2); the lit materials sum them and saturate
// through 1 - exp(-sum * gain), so many lights close together bleach nothing. The fog is
// exponential in the eye distance with gl_Fog.start as its density (the effects set the fog start
// and leave fixed-function fog off); fogged fragments turn transparent as well, so where the scene
// is drawn with alpha blending it fades into what lies behind it.

// block: litVaryings
varying vec3 ecNormal;
varying vec3 sceneNormal;
varying vec4 bake;

// block: sceneNormalAndBake
    sceneNormal = gl_Normal;
    bake = gl_Color;

// block: eyeSpace
    vec4 ec = gl_ModelViewMatrix * gl_Vertex;
    ecPosition = ec.xyz;
    ecNormal = gl_NormalMatrix * gl_Normal;

// block: clipAndPosition
    gl_ClipVertex = ec;
    gl_Position = ftransform();

// block: surfaceUniforms
uniform vec3 albedo/*0.0____1.0*/;
uniform vec3 ambientSky/*0.0____1.0*/;
uniform vec3 ambientGround/*0.0____1.0*/;
uniform vec3 fogColor/*0.0____1.0*/;

// block: bakeUniforms
uniform float bakedGain/*0.0____8.0*/;
uniform float occlusionPower/*0.5____4.0*/;
uniform float shininess/*1.0____128.0*/;

// block: surfaceStart
    vec3 n = normalize(ecNormal);
    vec3 v = normalize(-ecPosition);
    float occlusion = clamp(bake.a, 0.02, 1.0);

// block: lightUniforms
uniform float lightRange/*1.0____40.0*/;
uniform float lightGain/*0.0____4.0*/;

// block: eachLight
    for (int i = 0; i < 8; i++) {
        vec3 toLight = gl_LightSource[i].position.xyz - ecPosition;
        float d2 = max(dot(toLight, toLight), 1e-4);
        vec3 l = toLight * inversesqrt(d2);

// block: eightLights
    vec3 diffuse = vec3(0.0);
    vec3 shine = vec3(0.0);
//: eachLight
        vec3 light = gl_LightSource[i].diffuse.rgb / (1.0 + d2 / (lightRange * lightRange));
        float lambert = max(dot(n, l), 0.0);
        diffuse += light * lambert;
        if (lambert > 0.0)
            shine += light * pow(max(dot(n, normalize(l + v)), 0.0), shininess);
    }
    vec3 direct = vec3(1.0) - exp(-diffuse * lightGain);
    vec3 highlight = vec3(1.0) - exp(-shine * specular);

// block: hallFog
    float fog = exp(-max(gl_Fog.start, 0.0) * length(ecPosition));
    gl_FragColor = vec4(mix(fogColor, colour, fog), smoothstep(0.0, 0.45, fog));
