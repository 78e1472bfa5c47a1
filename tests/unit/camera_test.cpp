// Camera steering: step limits, the upside-down rule, keys and paths.
#include <gtest/gtest.h>

#include "scene/keyflags.h"
#include "timeline/camera.h"

namespace {

class CameraTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (bool* key : {&upKey, &downKey, &rightKey, &leftKey, &wKey, &aKey, &sKey, &dKey, &qKey, &eKey})
            *key = false;
    }
    Camera cam;
};

TEST_F(CameraTest, StartsAtTheOriginWithDefaultLimits)
{
    EXPECT_EQ(cam.x, 0.0f);
    EXPECT_EQ(cam.y, 0.0f);
    EXPECT_EQ(cam.z, 0.0f);
    EXPECT_EQ(cam.heading, 0.0f);
    EXPECT_EQ(cam.pitch, 0.0f);
    EXPECT_EQ(cam.velocity, 0.0f);
    EXPECT_EQ(cam.maxPitchStep, 5.0f);
    EXPECT_EQ(cam.maxHeadingStep, 5.0f);
    EXPECT_EQ(cam.maxVelocityStep, 5.0f);
    EXPECT_FALSE(cam.positionPath.active);
    EXPECT_FALSE(cam.directionPath.active);
}

TEST_F(CameraTest, PitchStepsAreLimited)
{
    const struct { float d, change; } cases[] = {{3, 3}, {7, 5}, {-7, -5}, {-5, -5}, {5, 5}, {-4.5f, -4.5f}, {0, 0}};
    for (const auto& c : cases) {
        cam.pitch = 10.0f;
        cam.changePitch(c.d);
        EXPECT_FLOAT_EQ(cam.pitch, 10.0f + c.change) << "d = " << c.d;
    }
    cam.maxPitchStep = 2.0f;
    cam.pitch = 0.0f;
    cam.changePitch(-3.0f);
    EXPECT_FLOAT_EQ(cam.pitch, -2.0f);
}

TEST_F(CameraTest, VelocityStepsAreLimitedTheSameWay)
{
    cam.changeVelocity(3.0f);
    EXPECT_FLOAT_EQ(cam.velocity, 3.0f);
    cam.changeVelocity(70.0f);
    EXPECT_FLOAT_EQ(cam.velocity, 8.0f);
    cam.changeVelocity(-5.0f);
    EXPECT_FLOAT_EQ(cam.velocity, 3.0f);
    cam.changeVelocity(-100.0f);
    EXPECT_FLOAT_EQ(cam.velocity, -2.0f);
}

TEST_F(CameraTest, HeadingTurnsTheOtherWayWhileUpsideDown)
{
    // pitch -> expected change of heading for d = 3
    const struct { float pitch, change; } cases[] = {
        {0, 3},   {120, -3},  {90, 3},   {270, 3},    {300, 3},   {-100, -3},
        {-90, 3}, {-270, 3},  {91, -3},  {269, -3},   {-269, -3}, {-300, 3}, {450, 3},
    };
    for (const auto& c : cases) {
        cam.heading = 20.0f;
        cam.pitch = c.pitch;
        cam.changeHeading(3.0f);
        EXPECT_FLOAT_EQ(cam.heading, 20.0f + c.change) << "pitch " << c.pitch;
        EXPECT_EQ(cam.pitch, c.pitch);
    }
}

TEST_F(CameraTest, HeadingStepsAreLimited)
{
    cam.changeHeading(-20.0f);
    EXPECT_FLOAT_EQ(cam.heading, -5.0f);
    cam.pitch = 180.0f;
    cam.changeHeading(-20.0f);
    EXPECT_FLOAT_EQ(cam.heading, 0.0f);
    cam.changeHeading(5.0f);
    EXPECT_FLOAT_EQ(cam.heading, -5.0f);
    cam.pitch = 0.0f;
    cam.changeHeading(4.0f);
    EXPECT_FLOAT_EQ(cam.heading, -1.0f);
}

TEST_F(CameraTest, PositionAndDirectionAreSetDirectly)
{
    cam.position(1.5f, -2.0f, 20.0f);
    EXPECT_EQ(cam.x, 1.5f);
    EXPECT_EQ(cam.y, -2.0f);
    EXPECT_EQ(cam.z, 20.0f);
    cam.direction(45.0f, 10.0f, 5.0f);
    EXPECT_EQ(cam.heading, 45.0f);
    EXPECT_EQ(cam.pitch, 10.0f);
    EXPECT_EQ(cam.x, 1.5f);
}

TEST_F(CameraTest, ArrowKeysTurnByTheFrameStepWithinTheLimits)
{
    upKey = true;
    cam.idle(2.0f);
    EXPECT_FLOAT_EQ(cam.pitch, -2.0f);
    cam.idle(40.0f);
    EXPECT_FLOAT_EQ(cam.pitch, -7.0f);
    upKey = false;
    downKey = true;
    rightKey = true;
    cam.idle(3.0f);
    EXPECT_FLOAT_EQ(cam.pitch, -4.0f);
    EXPECT_FLOAT_EQ(cam.heading, 3.0f);
    downKey = false;
    rightKey = false;
    leftKey = true;
    cam.idle(22.0f);
    EXPECT_FLOAT_EQ(cam.heading, -2.0f);
    // Upside down, the left key turns the other way.
    cam.pitch = 150.0f;
    cam.idle(1.0f);
    EXPECT_FLOAT_EQ(cam.heading, -1.0f);
}

TEST_F(CameraTest, MovementKeysMoveByATenthPerCall)
{
    wKey = true;
    for (int frame = 0; frame < 10; ++frame)
        cam.idle(frame % 2 ? 1.0f : 100.0f);
    EXPECT_NEAR(cam.z, 1.0f, 1e-5);
    wKey = false;
    sKey = aKey = eKey = true;
    cam.idle(33.0f);
    EXPECT_NEAR(cam.z, 0.9f, 1e-5);
    EXPECT_FLOAT_EQ(cam.x, -0.1f);
    EXPECT_FLOAT_EQ(cam.y, 0.1f);
    sKey = aKey = eKey = false;
    dKey = qKey = true;
    cam.idle(33.0f);
    cam.idle(33.0f);
    EXPECT_FLOAT_EQ(cam.x, 0.1f);
    EXPECT_FLOAT_EQ(cam.y, -0.1f);
    EXPECT_EQ(cam.pitch, 0.0f);
    EXPECT_EQ(cam.heading, 0.0f);
}

TEST_F(CameraTest, ProcessFrameSteersWithTheFrameTime)
{
    rightKey = true;
    cam.processFrame(3);
    EXPECT_FLOAT_EQ(cam.heading, 3.0f);
    cam.processFrame(31);
    EXPECT_FLOAT_EQ(cam.heading, 8.0f);
}

TEST_F(CameraTest, DirectionPathDrivesPitchThenHeading)
{
    cam.directionPath.addKeyPoint(-14.0f, 15.0f, 0.0f);
    cam.directionPath.addKeyPoint(14.0f, 5.0f, 0.0f);
    cam.directionPath.active = true;
    cam.idle(0.0f);
    // The first point of a uniform B-spline with a doubled start is (5 K0 + K1) / 6.
    EXPECT_NEAR(cam.pitch, (5 * -14.0 + 14.0) / 6.0, 1e-5);
    EXPECT_NEAR(cam.heading, (5 * 15.0 + 5.0) / 6.0, 1e-5);
    float lastPitch = cam.pitch, lastHeading = cam.heading;
    for (int frame = 0; frame < 40; ++frame) {
        cam.idle(24.0f);
        EXPECT_GE(cam.pitch, lastPitch);
        EXPECT_LE(cam.heading, lastHeading);
        lastPitch = cam.pitch;
        lastHeading = cam.heading;
    }
    EXPECT_GT(cam.pitch, 10.0f);
    EXPECT_LT(cam.heading, 7.0f);
    EXPECT_EQ(cam.x, 0.0f);   // the position is not touched
}

TEST_F(CameraTest, ActivePositionPathOverridesTheKeys)
{
    cam.positionPath.addKeyPoint(0.0f, 6.0f, 12.0f);
    cam.positionPath.addKeyPoint(6.0f, 12.0f, 18.0f);
    cam.positionPath.active = true;
    wKey = dKey = true;
    cam.idle(0.0f);
    EXPECT_NEAR(cam.x, 1.0f, 1e-5);
    EXPECT_NEAR(cam.y, 7.0f, 1e-5);
    EXPECT_NEAR(cam.z, 13.0f, 1e-5);

    cam.positionPath.active = false;
    cam.idle(0.0f);
    EXPECT_NEAR(cam.x, 1.1f, 1e-5);
    EXPECT_NEAR(cam.z, 13.1f, 1e-5);
}

} // namespace
