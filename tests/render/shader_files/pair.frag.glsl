uniform vec3 camPos;
uniform vec3 camDir;
uniform vec3 camTarget;
uniform vec3 camUp;
uniform float gain;
uniform vec4 tint /*0_2*/;

void main()
{
    gl_FragColor = vec4(camPos * gain, 1.0) + vec4(camDir + camTarget + camUp, 0.0) * tint.w;
}
