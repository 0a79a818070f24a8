// The shaders of the 3D views (height field and form): OpenGL ES 2 / OpenGL 2.1, which
// Mesa's software renderer runs.
#pragma once

namespace membrane {

// Gouraud shading with a head light (both faces lit alike: the membrane has no inside).
inline const char* const kSurfaceVertexShader = R"(
attribute highp vec3 position;
attribute mediump vec3 normal;
attribute lowp vec3 colour;
uniform highp mat4 viewProjection;
uniform mediump vec3 light;
varying lowp vec3 shade;
void main() {
    mediump float lit = abs(dot(normal, light));
    shade = colour * (0.35 + 0.65 * lit);
    gl_Position = viewProjection * vec4(position, 1.0);
}
)";
inline const char* const kSurfaceFragmentShader = R"(
varying lowp vec3 shade;
void main() {
    gl_FragColor = vec4(shade, 1.0);
}
)";
// Lines and points in one colour.
inline const char* const kFlatVertexShader = R"(
attribute highp vec3 position;
uniform highp mat4 viewProjection;
uniform mediump float pointSize;
void main() {
    gl_Position = viewProjection * vec4(position, 1.0);
    gl_PointSize = pointSize;
}
)";
inline const char* const kFlatFragmentShader = R"(
uniform lowp vec4 colour;
void main() {
    gl_FragColor = colour;
}
)";

}  // namespace membrane
