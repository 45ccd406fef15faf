// view.cpp - projections, the look-at camera and the viewport over the letterboxed picture.
#include "lumenvat_local.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>

namespace lumenvat {

namespace {

// The view module's state, reset as a whole at shutdown.
struct ViewState {
    float fov = 60.0f;
    float zNear = 0.1f;
    float zFar = 1000.0f;
    Vector cameraPosition{0, 0, 0, 1};
    Vector cameraTarget{0, 0, -1, 1};
    Vector cameraUp{0, 1, 0};
    // The projection in force when the 2-D projection was entered, which rvkPerspective3D
    // restores; and the orthographic matrix last loaded, to tell a repeated 2-D call (which must
    // not overwrite the saved projection) from a projection the caller set since.
    float saved3D[16] = {};
    bool has3D = false;
    float last2D[16] = {};
    bool has2D = false;
};

ViewState view;

float pictureAspect()
{
    PictureRect r = pictureRect();
    return static_cast<float>(r.width) / static_cast<float>(r.height);
}

bool sameMatrix(const float a[16], const float b[16])
{
    for (int i = 0; i < 16; ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

} // namespace

void viewShutDown()
{
    view = ViewState();
}

void viewApplyPicture()
{
    PictureRect r = pictureRect();
    glViewport(r.x, r.y, r.width, r.height);
}

} // namespace lumenvat

namespace BRAVIK_LUMENVAT {

using namespace lumenvat;

int rvkGetWindowWidth()
{
    return pictureRect().width;
}

int rvkGetWindowHeight()
{
    return pictureRect().height;
}

void rvkResetViewport()
{
    viewApplyPicture();
}

void rvkPerspective2D(float width, float height)
{
    float current[16];
    glGetFloatv(GL_PROJECTION_MATRIX, current);
    if (!view.has2D || !sameMatrix(current, view.last2D)) {
        std::copy(current, current + 16, view.saved3D);
        view.has3D = true;
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glGetFloatv(GL_PROJECTION_MATRIX, view.last2D);
    view.has2D = true;
    glMatrixMode(GL_MODELVIEW);
}

void rvkPerspective3D()
{
    glMatrixMode(GL_PROJECTION);
    if (view.has3D) {
        glLoadMatrixf(view.saved3D);
    } else {
        glLoadIdentity();
        gluPerspective(view.fov, pictureAspect(), view.zNear, view.zFar);
    }
    glMatrixMode(GL_MODELVIEW);
}

void rvkSetPerspective(float fovDegrees, float nearPlane, float farPlane)
{
    view.fov = fovDegrees;
    view.zNear = nearPlane;
    view.zFar = farPlane;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(view.fov, pictureAspect(), view.zNear, view.zFar);
    glGetFloatv(GL_PROJECTION_MATRIX, view.saved3D);
    view.has3D = true;
    glMatrixMode(GL_MODELVIEW);
}

void rvkLookAt(float eyeX, float eyeY, float eyeZ, float targetX, float targetY, float targetZ, float upX,
               float upY, float upZ)
{
    gluLookAt(eyeX, eyeY, eyeZ, targetX, targetY, targetZ, upX, upY, upZ);
    view.cameraPosition = Vector(eyeX, eyeY, eyeZ, 1);
    view.cameraTarget = Vector(targetX, targetY, targetZ, 1);
    view.cameraUp = Vector(upX, upY, upZ);
}

void rvkGetCameraPosition(Vector& out)
{
    out = view.cameraPosition;
}

void rvkGetCameraTarget(Vector& out)
{
    out = view.cameraTarget;
}

void rvkGetCameraDirection(Vector& out)
{
    out = view.cameraTarget - view.cameraPosition;
    out.w = 0;
    out.normalize();
}

void rvkGetCameraUp(Vector& out)
{
    out = view.cameraUp;
}

} // namespace BRAVIK_LUMENVAT
