// The parts of the object protocol that need no OpenGL: construction, colour, packing,
// exponent and the idle step (key steering, spin, path). Frame processing and drawing
// are in tests/gl/object3d_frame_test.cpp.
#include "scene/object3d.h"

#include <cmath>

#include <gtest/gtest.h>

#include "scene/keyflags.h"
#include "scene/button.h"
#include "scene/rectangle.h"
#include "scene/window.h"

namespace {

void expectVec(const vec& v, float x, float y, float z)
{
    EXPECT_EQ(v.x(), x);
    EXPECT_EQ(v.y(), y);
    EXPECT_EQ(v.z(), z);
}

// The arrow-key flags are process globals: every test starts and ends with them released.
class Object3DIdle : public ::testing::Test {
protected:
    void SetUp() override { release(); }
    void TearDown() override { release(); }
    static void release() { upKey = downKey = leftKey = rightKey = false; }
};

}  // namespace

TEST(Object3D, StartsAtRestWithSmallDrift)
{
    Object3D o;
    expectVec(o.position, 0, 0, 0);
    expectVec(o.rotation, 0, 0, 0);
    expectVec(o.rotationSpeed, 0, 0, 0);
    EXPECT_EQ(o.noiseAmplitude[0], 0.01f);
    EXPECT_EQ(o.noiseAmplitude[1], 0.01f);
    EXPECT_TRUE(o.motionBlur);
    EXPECT_TRUE(o.meshes.empty());
    EXPECT_FALSE(o.children);
    EXPECT_FALSE(o.path.active);
    EXPECT_TRUE(o.path.keyPoints.empty());
}

TEST(Object3D, TypedConstructorAddsOneColouredMeshOfSizeThirty)
{
    Object3D field(FIELD, 0.1f, 0.2f, 0.3f, 0.4f);
    ASSERT_EQ(field.meshes.size(), 1u);
    EXPECT_EQ(field.meshes[0]->type, FIELD);
    EXPECT_EQ(field.meshes[0]->vertexCount, 900u);
    EXPECT_EQ(field.meshes[0]->a(), 0.4f);

    Object3D panel(RECTANGLE, 1, 1, 1, 1);
    EXPECT_EQ(panel.meshes[0]->left(), -30.0f);
}

TEST(Object3D, ColourChangesOnlyTheFirstMesh)
{
    Object3D o(RECTANGLE, 1, 1, 1, 1);
    o.meshes.push_back(std::make_unique<Mesh>(RECTANGLE, 1.0f));
    o.meshes[1]->color(0.5f, 0.5f, 0.5f, 0.5f);
    o.color(0.1f, 0.2f, 0.3f, 0.4f);
    EXPECT_EQ(o.meshes[0]->r(), 0.1f);
    EXPECT_EQ(o.meshes[0]->b(), 0.3f);
    EXPECT_EQ(o.meshes[1]->r(), 0.5f);
    EXPECT_EQ(o.meshes[1]->a(), 0.5f);
}

TEST(Object3D, PackCreatesChildrenOnFirstUseAndKeepsDuplicates)
{
    Object3D parent, a, b;
    parent.pack(&a);
    ASSERT_TRUE(parent.children);
    parent.pack(&b);
    parent.pack(&a);
    EXPECT_EQ(*parent.children, (ObjectList{&a, &b, &a}));

    Window w;
    w.pack(&a);
    ASSERT_TRUE(w.children);
    EXPECT_EQ(*w.children, (ObjectList{&a}));
}

TEST(Object3D, ExponentIsPowerNPlusOne)
{
    Object3D o;
    EXPECT_EQ(o.exponent(2.0f, 3), 16.0f);
    EXPECT_EQ(o.exponent(-1.5f, 0), -1.5f);
    for (uint32_t n = 0; n < 6; ++n)
        EXPECT_FLOAT_EQ(o.exponent(1.3f, n), std::pow(1.3, n + 1.0)) << n;
}

TEST(PlainShapes, UnitSquaresInTheirColours)
{
    Rectangle r(0.2f, 0.3f, 0.4f, 0.6f);
    ASSERT_EQ(r.meshes.size(), 1u);
    EXPECT_EQ(r.meshes[0]->type, RECTANGLE);
    EXPECT_EQ(r.meshes[0]->left(), -1.0f);
    EXPECT_EQ(r.meshes[0]->down(), 1.0f);
    EXPECT_EQ(r.meshes[0]->g(), 0.3f);

    Button button;
    ASSERT_EQ(button.meshes.size(), 1u);
    const Mesh& red = *button.meshes[0];
    EXPECT_EQ(red.r(), 1.0f);
    EXPECT_EQ(red.g(), 0.0f);
    EXPECT_EQ(red.b(), 0.0f);
    EXPECT_EQ(red.a(), 0.5f);
    EXPECT_EQ(red.right(), 1.0f);

    Window window;
    const Mesh& white = *window.meshes[0];
    EXPECT_EQ(white.r(), 1.0f);
    EXPECT_EQ(white.g(), 1.0f);
    EXPECT_EQ(white.b(), 1.0f);
    EXPECT_EQ(white.a(), 0.5f);
}

TEST_F(Object3DIdle, SpinAdvancesOncePerCallWhateverDt)
{
    Object3D o;
    o.rotationSpeed.set(1.5f, -2.0f, 0.25f);
    o.idle(1000.0f);
    o.idle(0.0f);
    expectVec(o.rotation, 3.0f, -4.0f, 0.5f);
    expectVec(o.rotationSpeed, 1.5f, -2.0f, 0.25f);
}

TEST_F(Object3DIdle, ArrowKeysSteerTheSpinByDt)
{
    Object3D o;
    upKey = true;
    o.idle(50.0f);
    EXPECT_NEAR(o.rotationSpeed.x(), -0.005, 1e-8);
    EXPECT_EQ(o.rotationSpeed.y(), 0.0f);

    upKey = false;
    downKey = true;
    rightKey = true;
    o.idle(20.0f);
    EXPECT_NEAR(o.rotationSpeed.x(), -0.003, 1e-8);
    EXPECT_NEAR(o.rotationSpeed.y(), 0.002, 1e-8);

    // Opposite keys together cancel.
    rightKey = leftKey = true;
    downKey = false;
    o.idle(30.0f);
    EXPECT_NEAR(o.rotationSpeed.y(), 0.002, 1e-8);
    EXPECT_NEAR(o.rotationSpeed.x(), -0.003, 1e-8);
    // Steering acts before the spin step of the same call.
    EXPECT_NEAR(o.rotation.x(), -0.005 - 0.003 - 0.003, 1e-8);
}

TEST_F(Object3DIdle, PathMovesThePositionOnlyWhenActive)
{
    Object3D o;
    o.path.addKeyPoint(0, 0, 0);
    o.path.addKeyPoint(6, 12, -6);
    o.idle(1.0f);
    expectVec(o.position, 0, 0, 0);

    o.path.active = true;
    o.path.stepsPerSegment = 4;
    o.idle(1.0f);
    // First point of a two-point path: (5 K0 + K1) / 6.
    EXPECT_FLOAT_EQ(o.position.x(), 1.0f);
    EXPECT_FLOAT_EQ(o.position.y(), 2.0f);
    EXPECT_FLOAT_EQ(o.position.z(), -1.0f);
    EXPECT_FLOAT_EQ(o.path.segmentPosition, 0.25f);  // advanced by dt / stepsPerSegment
}
