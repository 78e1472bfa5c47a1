#include "timeline/camera.h"

#include <GL/gl.h>

#include <cmath>
#include <vector>

#include "scene/keyflags.h"

Camera* camera = nullptr;

namespace {

// d itself when |d| is below the limit, otherwise the limit with the sign of d (d = 0 counts
// as positive, which only matters for a zero limit).
float limitedStep(float d, float limit)
{
    if (std::fabs(d) < std::fabs(limit))
        return d;
    return d < 0 ? -limit : limit;
}

} // namespace

Camera::Camera() = default;

void Camera::position(float px, float py, float pz)
{
    x = px;
    y = py;
    z = pz;
}

void Camera::direction(float newHeading, float newPitch, float /*third*/)
{
    heading = newHeading;
    pitch = newPitch;
}

void Camera::processFrame(int64_t time)
{
    idle(static_cast<float>(time));
}

void Camera::idle(float dt)
{
    if (upKey)
        changePitch(-dt);
    if (downKey)
        changePitch(dt);
    if (rightKey)
        changeHeading(dt);
    if (leftKey)
        changeHeading(-dt);

    // Movement is per call, not per millisecond.
    if (wKey)
        z += 0.1f;
    if (sKey)
        z -= 0.1f;
    if (aKey)
        x -= 0.1f;
    if (dKey)
        x += 0.1f;
    if (qKey)
        y -= 0.1f;
    if (eKey)
        y += 0.1f;

    positionPath.move(&x, &y, &z, dt);
    float unusedThird = 0.0f;   // the direction path's z has no angle to drive
    directionPath.move(&pitch, &heading, &unusedThird, dt);
}

void Camera::setPerspective()
{
    pitchRotation.createFromAxisAngle(1, 0, 0, pitch);
    headingRotation.createFromAxisAngle(0, 1, 0, heading);
    // Pitch on the left: the heading turn happens in world space, the pitch in view space.
    const Quaternion q = pitchRotation.opMul(headingRotation);
    std::vector<float> m(16);
    q.createMatrix(m);
    glMultMatrixf(m.data());
    glTranslatef(-x, -y, z);
}

void Camera::changePitch(float d)
{
    pitch += limitedStep(d, maxPitchStep);
}

void Camera::changeHeading(float d)
{
    const float s = limitedStep(d, maxHeadingStep);
    const bool upsideDown = (pitch > 90 && pitch < 270) || (pitch > -270 && pitch < -90);
    if (upsideDown)
        heading -= s;
    else
        heading += s;
}

void Camera::changeVelocity(float d)
{
    velocity += limitedStep(d, maxVelocityStep);
}
