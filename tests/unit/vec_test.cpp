#include "math/vec.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

TEST(Vec, StartsUnsetAndStoresThroughSetters)
{
    vec p;
    EXPECT_TRUE(std::isnan(p.x()) && std::isnan(p.y()) && std::isnan(p.z()));
    p.set(1.0f, -2.0f, 3.5f);
    EXPECT_EQ(p.x(), 1.0f);
    EXPECT_EQ(p.y(), -2.0f);
    EXPECT_EQ(p.z(), 3.5f);
    EXPECT_EQ(p.y(7.0f), 7.0f);
    EXPECT_EQ(p.y(), 7.0f);
}

TEST(Vec, ComponentPointersWriteThrough)
{
    vec p;
    p.set(0, 0, 0);
    *p.xp() = 4.0f;
    *p.yp() = 5.0f;
    *p.zp() = 6.0f;
    EXPECT_EQ(p.x(), 4.0f);
    EXPECT_EQ(p.y(), 5.0f);
    EXPECT_EQ(p.z(), 6.0f);
}

TEST(Vec, TextHasTwoDecimalsAndNoSeparators)
{
    vec p;
    p.set(1, 2, 3);
    EXPECT_EQ(p.toUtf8(), "x: 1.00y: 2.00z: 3.00");
    p.set(-1.5f, 0, 2);
    EXPECT_EQ(p.toUtf8(), "x: -1.50y: 0.00z: 2.00");
}

TEST(VecFunctions, DestinationComesFirst)
{
    const float a[3] = {5, 7, 9};
    const float b[3] = {1, 2, 3};
    float d[3];
    sub(d, a, b);
    EXPECT_EQ(d[0], 4.0f);
    EXPECT_EQ(d[1], 5.0f);
    EXPECT_EQ(d[2], 6.0f);
    add(d, a, b);
    EXPECT_EQ(d[0], 6.0f);
    EXPECT_EQ(d[1], 9.0f);
    EXPECT_EQ(d[2], 12.0f);
    copy(d, b);
    EXPECT_EQ(d[0], 1.0f);
    EXPECT_EQ(d[1], 2.0f);
    EXPECT_EQ(d[2], 3.0f);
    set(d, -1, -2, -3);
    scalDiv(d, -2.0f);
    EXPECT_EQ(d[0], 0.5f);
    EXPECT_EQ(d[1], 1.0f);
    EXPECT_EQ(d[2], 1.5f);
}

TEST(VecFunctions, CrossIsRightHandedAndOrthogonal)
{
    const float ex[3] = {1, 0, 0};
    const float ey[3] = {0, 1, 0};
    float d[3];
    cross(d, ex, ey);
    EXPECT_EQ(d[0], 0.0f);
    EXPECT_EQ(d[1], 0.0f);
    EXPECT_EQ(d[2], 1.0f);

    float a[3] = {1.5f, -2.0f, 0.25f};
    const float b[3] = {-3.0f, 0.5f, 4.0f};
    float ab[3], ba[3];
    cross(ab, a, b);
    cross(ba, b, a);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(ab[i], -ba[i]);
    EXPECT_NEAR(ab[0] * a[0] + ab[1] * a[1] + ab[2] * a[2], 0.0, 1e-5);
    EXPECT_NEAR(ab[0] * b[0] + ab[1] * b[1] + ab[2] * b[2], 0.0, 1e-5);

    // Writing into an operand must still give the full product.
    cross(a, a, b);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(a[i], ab[i]);
}

TEST(VecFunctions, LengthAndNorm)
{
    float v[3] = {3, 4, 12};
    EXPECT_EQ(length(v), 13.0f);
    norm(v);
    EXPECT_FLOAT_EQ(v[0], 3.0f / 13.0f);
    EXPECT_FLOAT_EQ(v[2], 12.0f / 13.0f);
    EXPECT_NEAR(length(v), 1.0f, 1e-6f);

    float zero[3] = {0, 0, 0};
    norm(zero);
    EXPECT_TRUE(std::isnan(zero[0]) && std::isnan(zero[1]) && std::isnan(zero[2]));
}

TEST(VecFunctions, DynamicArraysUseOnlyTheFirstThreeElements)
{
    std::vector<float> v = {3, 0, 4, 100};
    EXPECT_EQ(length(v), 5.0f);
    reduceToUnit(v);
    EXPECT_FLOAT_EQ(v[0], 0.6f);
    EXPECT_EQ(v[1], 0.0f);
    EXPECT_FLOAT_EQ(v[2], 0.8f);
    EXPECT_EQ(v[3], 100.0f);

    std::vector<float> zero = {0, 0, 0};
    reduceToUnit(zero);
    EXPECT_EQ(zero, (std::vector<float>{0, 0, 0}));
}
