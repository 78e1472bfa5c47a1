#pragma once
// Shared by the scene-object GL tests: a small SDL window with an orthographic view,
// 4x4 matrices in double for expected transforms, and a mesh that records how it is drawn.
#include <GL/gl.h>
#include <SDL.h>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "scene/mesh.h"

namespace scenegl {

constexpr int SIZE = 64;   // window width and height in pixels

using Matrix = std::array<double, 16>;   // column-major, as OpenGL keeps it

inline Matrix identity() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

inline Matrix operator*(const Matrix& a, const Matrix& b)
{
    Matrix m{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k)
                m[col * 4 + row] += a[k * 4 + row] * b[col * 4 + k];
    return m;
}

inline Matrix translation(double x, double y, double z)
{
    Matrix m = identity();
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

// Rotation by `degrees` about the axis (x, y, z) (normalised here), by Rodrigues' formula.
inline Matrix rotation(double degrees, double x, double y, double z)
{
    const double l = std::sqrt(x * x + y * y + z * z);
    x /= l;
    y /= l;
    z /= l;
    const double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a), t = 1 - c;
    return {t * x * x + c,     t * x * y + s * z, t * x * z - s * y, 0,
            t * x * y - s * z, t * y * y + c,     t * y * z + s * x, 0,
            t * x * z + s * y, t * y * z - s * x, t * z * z + c,     0,
            0,                 0,                 0,                 1};
}

inline Matrix modelview()
{
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    Matrix result;
    for (int k = 0; k < 16; ++k)
        result[k] = m[k];
    return result;
}

inline GLint modelviewDepth()
{
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    return depth;
}

inline void expectMatrix(const Matrix& actual, const Matrix& expected, double tolerance)
{
    for (int k = 0; k < 16; ++k)
        EXPECT_NEAR(actual[k], expected[k], tolerance) << "element " << k;
}

// A mesh whose draw only records the alpha it was given and the modelview matrix it
// would have been drawn with.
class RecordingMesh : public Mesh {
public:
    RecordingMesh() : Mesh(RECTANGLE, 1.0f) { color(1, 1, 1, 1); }
    void render(float alpha) override
    {
        alphas.push_back(alpha);
        matrices.push_back(modelview());
    }
    std::vector<float> alphas;
    std::vector<Matrix> matrices;
};

// One window for the whole suite; every test starts from black, identity matrices and an
// orthographic view of x, y in -4 .. 4.
class WindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_NE(SDL_SetVideoMode(SIZE, SIZE, 0, SDL_OPENGL), nullptr) << SDL_GetError();
    }
    static void TearDownTestSuite() { SDL_Quit(); }

    void SetUp() override
    {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-4, 4, -4, 4, -10, 10);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_LIGHTING);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    // Pixel (x, y), counted from the lower left, as r, g, b in 0 .. 255.
    static std::array<int, 3> pixel(int x, int y)
    {
        unsigned char rgb[3];
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
        return {rgb[0], rgb[1], rgb[2]};
    }

    // Window pixel covering the world point (x, y) under the orthographic view.
    static int toPixel(double world) { return static_cast<int>((world + 4.0) / 8.0 * SIZE); }
};

}  // namespace scenegl
