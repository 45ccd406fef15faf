// view.cpp - projections, the look-at camera and the viewport over the letterboxed picture.
#include "lumenvat_local.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace lumenvat {

namespace {

float fov = 60.0f;
float zNear = 0.1f;
float zFar = 1000.0f;
Vector cameraPosition(0, 0, 0, 1);
Vector cameraTarget(0, 0, -1, 1);
Vector cameraUp(0, 1, 0);

float pictureAspect()
{
    PictureRect r = pictureRect();
    return static_cast<float>(r.width) / static_cast<float>(r.height);
}

} // namespace

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
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
}

void rvkPerspective3D()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fov, pictureAspect(), zNear, zFar);
    glMatrixMode(GL_MODELVIEW);
}

void rvkSetPerspective(float fovDegrees, float nearPlane, float farPlane)
{
    fov = fovDegrees;
    zNear = nearPlane;
    zFar = farPlane;
    rvkPerspective3D();
}

void rvkLookAt(float eyeX, float eyeY, float eyeZ, float targetX, float targetY, float targetZ, float upX,
               float upY, float upZ)
{
    gluLookAt(eyeX, eyeY, eyeZ, targetX, targetY, targetZ, upX, upY, upZ);
    cameraPosition = Vector(eyeX, eyeY, eyeZ, 1);
    cameraTarget = Vector(targetX, targetY, targetZ, 1);
    cameraUp = Vector(upX, upY, upZ);
}

void rvkGetCameraPosition(Vector& out)
{
    out = cameraPosition;
}

void rvkGetCameraTarget(Vector& out)
{
    out = cameraTarget;
}

void rvkGetCameraDirection(Vector& out)
{
    out = cameraTarget - cameraPosition;
    out.w = 0;
    out.normalize();
}

void rvkGetCameraUp(Vector& out)
{
    out = cameraUp;
}

} // namespace BRAVIK_LUMENVAT
