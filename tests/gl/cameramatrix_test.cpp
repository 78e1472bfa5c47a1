// The camera transform as OpenGL sees it: read back from the modelview matrix after
// setPerspective, against rotation matrices built here from the angles.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL.h>

#include <array>
#include <cmath>

#include "timeline/camera.h"

namespace {

using Matrix = std::array<double, 16>;   // column-major, as OpenGL keeps it

Matrix multiply(const Matrix& a, const Matrix& b)
{
    Matrix m{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k)
                m[col * 4 + row] += a[k * 4 + row] * b[col * 4 + k];
    return m;
}

Matrix identity() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

Matrix rotationX(double degrees)
{
    const double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
    return {1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1};
}

Matrix rotationY(double degrees)
{
    const double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
    return {c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1};
}

Matrix translation(double x, double y, double z)
{
    Matrix m = identity();
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

Matrix modelview()
{
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    Matrix result;
    for (int k = 0; k < 16; ++k)
        result[k] = m[k];
    return result;
}

class CameraMatrixTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_NE(SDL_SetVideoMode(64, 64, 0, SDL_OPENGL), nullptr) << SDL_GetError();
    }
    static void TearDownTestSuite() { SDL_Quit(); }

    void SetUp() override
    {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }

    static void expectMatrix(const Matrix& actual, const Matrix& expected)
    {
        for (int k = 0; k < 16; ++k)
            EXPECT_NEAR(actual[k], expected[k], 2e-5 + 2e-6 * std::fabs(expected[k])) << "element " << k;
    }

    Camera cam;
};

TEST_F(CameraMatrixTest, StraightAheadIsATranslationOnly)
{
    cam.position(0, 0, 20);
    cam.setPerspective();
    expectMatrix(modelview(), translation(0, 0, 20));
}

TEST_F(CameraMatrixTest, PitchIsAppliedAfterHeadingAndXYAreNegated)
{
    const struct { float heading, pitch, x, y, z; } cases[] = {
        {90, 0, 0, 0, 0},       {0, 90, 0, 0, 0},       {30, 20, 1, 2, 3},
        {-45, 60, -4, 7, -12},  {200, -150, 0.5f, 0, 18}, {735, 400, 3, -3, 40},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "heading " << c.heading << " pitch " << c.pitch);
        glLoadIdentity();
        cam.direction(c.heading, c.pitch, 99);
        cam.position(c.x, c.y, c.z);
        cam.setPerspective();
        expectMatrix(modelview(),
                     multiply(multiply(rotationX(c.pitch), rotationY(c.heading)), translation(-c.x, -c.y, c.z)));
    }
}

TEST_F(CameraMatrixTest, CameraSitsAtXYAndMinusZ)
{
    cam.position(3, -2, 15);
    cam.direction(70, -25, 0);
    cam.setPerspective();
    const Matrix m = modelview();
    // The world point (x, y, -z) lands in the eye.
    const double p[3] = {3, -2, -15};
    for (int row = 0; row < 3; ++row)
        EXPECT_NEAR(m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row], 0.0, 1e-5);
}

TEST_F(CameraMatrixTest, MultipliesOntoTheCurrentMatrix)
{
    glTranslatef(1, 2, 3);
    glScalef(2, 2, 2);
    cam.direction(10, 20, 0);
    cam.position(1, 1, 1);
    cam.setPerspective();
    const Matrix before = multiply(translation(1, 2, 3), {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1});
    expectMatrix(modelview(),
                 multiply(before, multiply(multiply(rotationX(20), rotationY(10)), translation(-1, -1, 1))));
}

TEST_F(CameraMatrixTest, KeepsTheQuaternionsOfTheLastCall)
{
    cam.direction(90, 180, 0);
    cam.setPerspective();
    EXPECT_NEAR(cam.headingRotation.w, std::cos(M_PI / 4), 1e-6);
    EXPECT_NEAR(cam.headingRotation.y, std::sin(M_PI / 4), 1e-6);
    EXPECT_NEAR(cam.pitchRotation.w, 0.0, 1e-6);
    EXPECT_NEAR(cam.pitchRotation.x, 1.0, 1e-6);
}

} // namespace
