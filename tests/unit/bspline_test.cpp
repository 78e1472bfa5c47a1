#include "math/bspline.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct Point {
    double x, y, z;
};

// Uniform cubic B-spline in matrix form, control points clamped to the ends of the key list:
// segment i uses K[i-1], K[i], K[i+1], K[i+2] with out-of-range indices clamped.
Point expectedPoint(const std::vector<Point>& k, int i, double t)
{
    const int n = static_cast<int>(k.size());
    auto at = [&](int idx) { return k[std::clamp(idx, 0, n - 1)]; };
    const Point c[4] = {at(i - 1), at(i), at(i + 1), at(i + 2)};
    const double basis[4][4] = {{-1, 3, -3, 1}, {3, -6, 3, 0}, {-3, 0, 3, 0}, {1, 4, 1, 0}};
    const double powers[4] = {t * t * t, t * t, t, 1};
    double w[4] = {0, 0, 0, 0};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row)
            w[col] += powers[row] * basis[row][col] / 6.0;
    Point p{0, 0, 0};
    for (int j = 0; j < 4; ++j) {
        p.x += w[j] * c[j].x;
        p.y += w[j] * c[j].y;
        p.z += w[j] * c[j].z;
    }
    return p;
}

struct Output {
    float x = -999, y = -999, z = -999;
    void moveAlong(BSpline& path, float step = 1.0f) { path.move(&x, &y, &z, step); }
};

void expectAt(const Output& out, const Point& p, const Point& shift = {0, 0, 0})
{
    // Float outputs: allow a few units in the last place of the expected magnitude.
    auto near = [](double value) { return 1e-4 + 1e-6 * std::fabs(value); };
    EXPECT_NEAR(out.x, p.x + shift.x, near(p.x + shift.x));
    EXPECT_NEAR(out.y, p.y + shift.y, near(p.y + shift.y));
    EXPECT_NEAR(out.z, p.z + shift.z, near(p.z + shift.z));
}

void expectUntouched(const Output& out)
{
    EXPECT_EQ(out.x, -999.0f);
    EXPECT_EQ(out.y, -999.0f);
    EXPECT_EQ(out.z, -999.0f);
}

BSpline activePath(const std::vector<Point>& keys, int32_t steps)
{
    BSpline path;
    for (const Point& k : keys)
        path.addKeyPoint(static_cast<float>(k.x), static_cast<float>(k.y), static_cast<float>(k.z));
    path.stepsPerSegment = steps;
    path.active = true;
    return path;
}

const std::vector<Point> twoKeys = {{6, -12, 3}, {0, 30, -9}};

} // namespace

TEST(BSpline, TwoKeyPointsRunTwoSegmentsThenStop)
{
    BSpline path = activePath(twoKeys, 2);
    const Point k0 = twoKeys[0], k1 = twoKeys[1];
    Output out;

    out.moveAlong(path);   // (5 K0 + K1) / 6
    expectAt(out, {(5 * k0.x + k1.x) / 6, (5 * k0.y + k1.y) / 6, (5 * k0.z + k1.z) / 6});
    out.moveAlong(path);
    expectAt(out, expectedPoint(twoKeys, 0, 0.5));
    out.moveAlong(path);   // control points K0, K1, K1, K1: (K0 + 5 K1) / 6
    expectAt(out, {(k0.x + 5 * k1.x) / 6, (k0.y + 5 * k1.y) / 6, (k0.z + 5 * k1.z) / 6});
    out.moveAlong(path);
    expectAt(out, expectedPoint(twoKeys, 1, 0.5));

    const Output last = out;
    for (int i = 0; i < 3; ++i) {
        out.moveAlong(path);
        EXPECT_EQ(out.x, last.x);
        EXPECT_EQ(out.y, last.y);
        EXPECT_EQ(out.z, last.z);
    }
}

TEST(BSpline, LoopRestartsAtSegmentZeroAfterOneSilentCall)
{
    BSpline path = activePath(twoKeys, 2);
    path.loop = true;
    Output out;
    for (int i = 0; i < 4; ++i)
        out.moveAlong(path);
    const Output last = out;
    out.moveAlong(path);   // end of path: nothing written
    EXPECT_EQ(out.x, last.x);
    EXPECT_EQ(out.y, last.y);
    EXPECT_EQ(out.z, last.z);
    out.moveAlong(path);
    expectAt(out, expectedPoint(twoKeys, 0, 0.0));
    out.moveAlong(path);
    expectAt(out, expectedPoint(twoKeys, 0, 0.5));
}

TEST(BSpline, EverySegmentFollowsTheClampedControlPoints)
{
    const std::vector<Point> all = {{0, 0, 0}, {4, -8, 2}, {10, 6, -3}, {-5, 1, 7}, {2, 2, 2}, {9, -4, 0}};
    for (size_t n = 2; n <= all.size(); ++n) {
        const std::vector<Point> keys(all.begin(), all.begin() + n);
        BSpline path = activePath(keys, 8);
        Output out;
        for (size_t segment = 0; segment < n; ++segment)
            for (int step = 0; step < 8; ++step) {
                out.moveAlong(path);
                expectAt(out, expectedPoint(keys, static_cast<int>(segment), step / 8.0));
                EXPECT_EQ(path.currentSegment, segment) << "n=" << n;
            }
        // The end approaches the last key point.
        EXPECT_NEAR(out.x, keys.back().x, 0.1 * (std::fabs(keys.back().x - keys[n - 2].x) + 1));
        const Output last = out;
        out.moveAlong(path);
        EXPECT_EQ(out.x, last.x) << "n=" << n;
    }
}

TEST(BSpline, StepScalesTheAdvance)
{
    BSpline path = activePath(twoKeys, 10);
    Output out;
    out.moveAlong(path, 2.5f);
    out.moveAlong(path, 2.5f);
    expectAt(out, expectedPoint(twoKeys, 0, 0.25));
    EXPECT_FLOAT_EQ(path.segmentPosition, 0.5f);
}

TEST(BSpline, OvershootPastTheSegmentEndIsDropped)
{
    BSpline path = activePath(twoKeys, 4);
    Output out;
    out.moveAlong(path, 3.0f);
    out.moveAlong(path, 3.0f);   // t = 0.75
    out.moveAlong(path, 3.0f);   // t = 1.5: next segment starts at t = 0, not 0.5
    expectAt(out, expectedPoint(twoKeys, 1, 0.0));
    EXPECT_EQ(path.currentSegment, 1u);
    EXPECT_FLOAT_EQ(path.segmentPosition, 0.75f);
}

TEST(BSpline, RelativeLoopShiftsEachPassByThePositionAtRestart)
{
    BSpline path = activePath(twoKeys, 2);
    path.loop = true;
    path.relative = true;
    path.setRelatStartingPoint(100, -50, 25);
    Output out;
    Point shift{100, -50, 25};

    out.moveAlong(path);
    expectAt(out, expectedPoint(twoKeys, 0, 0.0), shift);
    for (int pass = 0; pass < 3; ++pass) {
        for (int i = 0; i < 3; ++i)
            out.moveAlong(path);
        // The restart call adds the outputs as they stand to the starting point.
        shift = {shift.x + out.x, shift.y + out.y, shift.z + out.z};
        out.moveAlong(path);
        EXPECT_NEAR(path.startingPoint[0], shift.x, 1e-3);
        EXPECT_NEAR(path.startingPoint[1], shift.y, 1e-3);
        EXPECT_NEAR(path.startingPoint[2], shift.z, 1e-3);
        out.moveAlong(path);
        expectAt(out, expectedPoint(twoKeys, 0, 0.0), shift);
    }
}

TEST(BSpline, InactivePathNeverWrites)
{
    BSpline path = activePath(twoKeys, 2);
    path.active = false;
    Output out;
    for (int i = 0; i < 5; ++i)
        out.moveAlong(path);
    expectUntouched(out);
    EXPECT_EQ(path.segmentPosition, 0.0f);
}

TEST(BSpline, SingleKeyPointWritesNothing)
{
    BSpline path = activePath({{1, 2, 3}}, 2);
    path.loop = true;
    Output out;
    for (int i = 0; i < 5; ++i)
        out.moveAlong(path);
    expectUntouched(out);
}

TEST(BSpline, ClearRewindsButKeepsSegmentPosition)
{
    BSpline path = activePath(twoKeys, 4);
    Output out;
    for (int i = 0; i < 6; ++i)
        out.moveAlong(path);
    EXPECT_EQ(path.currentSegment, 1u);
    path.clear();
    EXPECT_TRUE(path.keyPoints.empty());
    EXPECT_EQ(path.currentSegment, 0u);
    EXPECT_FLOAT_EQ(path.segmentPosition, 0.5f);

    Output fresh;
    fresh.moveAlong(path);
    expectUntouched(fresh);

    path.addKeyPoint(0, 0, 0);
    path.addKeyPoint(6, 6, 6);
    fresh.moveAlong(path);
    expectAt(fresh, expectedPoint({{0, 0, 0}, {6, 6, 6}}, 0, 0.5));
}
