#pragma once
// The viewer: a position and two angles in degrees (heading about y, pitch about x), which
// the script sets directly, two B-spline paths can drive, and the keyboard can steer.
// Angles are not wrapped.
#include <cstdint>

#include "math/bspline.h"
#include "math/quaternion.h"

class Camera {
public:
    // At the origin, looking down -z, both paths empty and inactive.
    Camera();
    virtual ~Camera() = default;

    virtual void position(float x, float y, float z);
    // The third angle is accepted for symmetry with position() and ignored.
    virtual void direction(float heading, float pitch, float third);
    // idle(time): the camera has no motion-blur sub-frames.
    virtual void processFrame(int64_t time);
    // Arrow keys turn by dt, W A S D Q E move by a fixed 0.1, then both paths advance by dt;
    // an active path therefore overrides what the keys did in the same call.
    virtual void idle(float dt);
    // Multiplies the current GL matrix by rotation(pitch) * rotation(heading) * translation
    // (-x, -y, z): the camera sits at world (x, y, -z), so a growing z moves it into the screen.
    virtual void setPerspective();
    // pitch += d, limited to +-maxPitchStep.
    virtual void changePitch(float d);
    // heading += d limited to +-maxHeadingStep; reversed while the camera is upside down
    // (pitch strictly within 90..270 or -270..-90), so left and right keep their on-screen sense.
    virtual void changeHeading(float d);
    // velocity += d, limited to +-maxVelocityStep. Nothing reads velocity.
    virtual void changeVelocity(float d);

    BSpline positionPath;     // drives x, y, z while active
    BSpline directionPath;    // drives pitch (key-point x) and heading (key-point y) while active
    float maxPitchStep = 5.0f;
    float maxHeadingStep = 5.0f;
    float heading = 0.0f;
    float pitch = 0.0f;
    float maxVelocityStep = 5.0f;
    float velocity = 0.0f;
    Quaternion headingRotation;   // rebuilt by every setPerspective
    Quaternion pitchRotation;
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

// The program's one camera, created at start-up; nullptr until then.
extern Camera* camera;
