#include "math/quaternion.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Rotation matrix about a unit axis (Rodrigues), row-major r[row][col], in double.
void rotationMatrix(double ax, double ay, double az, double degrees, double r[3][3])
{
    const double a = degrees * M_PI / 180.0;
    const double c = std::cos(a), s = std::sin(a), t = 1.0 - c;
    const double u[3] = {ax, ay, az};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r[i][j] = t * u[i] * u[j] + (i == j ? c : 0.0);
    r[0][1] -= s * az; r[1][0] += s * az;
    r[0][2] += s * ay; r[2][0] -= s * ay;
    r[1][2] -= s * ax; r[2][1] += s * ax;
}

// Element (row, col) of a column-major OpenGL matrix.
float at(const std::vector<float>& m, int row, int col) { return m[col * 4 + row]; }

std::vector<float> matrixOf(const Quaternion& q)
{
    std::vector<float> m(16);
    q.createMatrix(m);
    return m;
}

} // namespace

TEST(Quaternion, NewOneIsUnitX)
{
    Quaternion q;
    EXPECT_EQ(q.w, 0.0f);
    EXPECT_EQ(q.x, 1.0f);
    EXPECT_EQ(q.y, 0.0f);
    EXPECT_EQ(q.z, 0.0f);
}

TEST(Quaternion, QuarterTurnAboutY)
{
    Quaternion q;
    q.createFromAxisAngle(0, 1, 0, 90);
    EXPECT_NEAR(q.w, std::sqrt(0.5), 1e-7);
    EXPECT_NEAR(q.y, std::sqrt(0.5), 1e-7);
    EXPECT_EQ(q.x, 0.0f);
    EXPECT_EQ(q.z, 0.0f);
    const std::vector<float> m = matrixOf(q);
    EXPECT_NEAR(m[2], -1.0f, 1e-6f);
    EXPECT_NEAR(m[8], 1.0f, 1e-6f);
    EXPECT_NEAR(m[0], 0.0f, 1e-6f);
    EXPECT_NEAR(m[5], 1.0f, 1e-6f);
}

TEST(Quaternion, HalfAngleIsTakenFromTheFloatAngle)
{
    // The angle is rounded to float before the half-angle sine and cosine are taken in double.
    for (float degrees : {33.3f, 60.0f, 137.0f, -250.5f}) {
        Quaternion q;
        q.createFromAxisAngle(1, 0, 0, degrees);
        const float angle = static_cast<float>(degrees * M_PI / 180.0);
        EXPECT_EQ(q.x, static_cast<float>(std::sin(0.5 * angle))) << degrees;
        EXPECT_EQ(q.w, static_cast<float>(std::cos(0.5 * angle))) << degrees;
    }
}

TEST(Quaternion, ZeroAngleIsIdentityWhateverTheAxis)
{
    Quaternion q;
    q.createFromAxisAngle(3, -7, 11, 0);
    EXPECT_EQ(q.w, 1.0f);
    EXPECT_EQ(q.x, 0.0f);
    EXPECT_EQ(q.y, 0.0f);
    EXPECT_EQ(q.z, 0.0f);
    const std::vector<float> m = matrixOf(q);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(m[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;
}

TEST(Quaternion, MatrixMatchesRotationAboutUnitAxes)
{
    const double s = 1.0 / std::sqrt(3.0);
    const double axes[][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {s, s, s}, {0.6, 0, -0.8}};
    for (const auto& axis : axes) {
        for (double degrees : {15.0, 90.0, 179.0, -47.0, 300.0}) {
            Quaternion q;
            q.createFromAxisAngle(static_cast<float>(axis[0]), static_cast<float>(axis[1]),
                                  static_cast<float>(axis[2]), static_cast<float>(degrees));
            const std::vector<float> m = matrixOf(q);
            double r[3][3];
            rotationMatrix(axis[0], axis[1], axis[2], degrees, r);
            for (int row = 0; row < 3; ++row)
                for (int col = 0; col < 3; ++col)
                    EXPECT_NEAR(at(m, row, col), r[row][col], 2e-6) << degrees << " " << row << col;
            for (int k = 0; k < 3; ++k) {
                EXPECT_EQ(at(m, 3, k), 0.0f);
                EXPECT_EQ(at(m, k, 3), 0.0f);
            }
            EXPECT_EQ(at(m, 3, 3), 1.0f);
        }
    }
}

TEST(Quaternion, MatrixOfWrongSizeIsLeftUntouched)
{
    Quaternion q;
    q.createFromAxisAngle(0, 0, 1, 30);
    for (size_t size : {0u, 15u, 17u}) {
        std::vector<float> m(size, 42.0f);
        q.createMatrix(m);
        EXPECT_EQ(m, std::vector<float>(size, 42.0f)) << size;
    }
}

TEST(Quaternion, ProductIsThisTimesArgument)
{
    Quaternion a, b;
    a.w = 0.5f; a.x = -1.0f; a.y = 2.0f; a.z = 0.25f;
    b.w = -1.5f; b.x = 0.75f; b.y = 3.0f; b.z = -2.0f;
    // (s1, v1)(s2, v2) = (s1 s2 - v1.v2, s1 v2 + s2 v1 + v1 x v2)
    const double v1[3] = {a.x, a.y, a.z}, v2[3] = {b.x, b.y, b.z};
    const double crossed[3] = {v1[1] * v2[2] - v1[2] * v2[1], v1[2] * v2[0] - v1[0] * v2[2],
                               v1[0] * v2[1] - v1[1] * v2[0]};
    const double dotted = v1[0] * v2[0] + v1[1] * v2[1] + v1[2] * v2[2];
    double expected[3];
    for (int i = 0; i < 3; ++i)
        expected[i] = a.w * v2[i] + b.w * v1[i] + crossed[i];

    const Quaternion ab = a.opMul(b);
    EXPECT_FLOAT_EQ(ab.w, a.w * b.w - dotted);
    EXPECT_FLOAT_EQ(ab.x, expected[0]);
    EXPECT_FLOAT_EQ(ab.y, expected[1]);
    EXPECT_FLOAT_EQ(ab.z, expected[2]);

    const Quaternion ba = b * a;
    EXPECT_FLOAT_EQ(ba.w, ab.w);
    EXPECT_FLOAT_EQ(ba.x, expected[0] - 2 * crossed[0]);
    EXPECT_FLOAT_EQ(ba.y, expected[1] - 2 * crossed[1]);
    EXPECT_FLOAT_EQ(ba.z, expected[2] - 2 * crossed[2]);

    // Operands are unchanged.
    EXPECT_EQ(a.w, 0.5f);
    EXPECT_EQ(b.z, -2.0f);
}

TEST(Quaternion, ProductComposesRotations)
{
    Quaternion yaw, pitch;
    yaw.createFromAxisAngle(0, 1, 0, 40);
    pitch.createFromAxisAngle(1, 0, 0, -25);
    const std::vector<float> product = matrixOf(yaw * pitch);
    const std::vector<float> my = matrixOf(yaw), mp = matrixOf(pitch);
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += double(at(my, row, k)) * at(mp, k, col);
            EXPECT_NEAR(at(product, row, col), sum, 1e-6) << row << col;
        }
}
