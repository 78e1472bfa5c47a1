// The mass-spring membrane: initial patterns, the three stages of a step, the fixed outer
// ring, the absence of damping and the guard against steps of no duration.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "scene/field.h"

namespace {

constexpr int P = 34;   // padded side of the default 30 x 30 field
constexpr int N = 30;
const double S = 1.0 / std::sqrt(2.0);

double height(Field& f, int j, int i) { return f.positions[(P * j + i) * 3 + 2]; }
double force(Field& f, int j, int i) { return f.forces[P * j + i]; }
double velocity(Field& f, int j, int i) { return f.velocities[P * j + i]; }

bool visible(int j, int i) { return j >= 2 && j <= P - 3 && i >= 2 && i <= P - 3; }

// Forces from the spring picture rather than from the visiting order: every visible node is
// tied to its 8 neighbours; a tie between two visible nodes counts twice, one to the inner
// border ring once, and nodes of the outer ring are tied to nothing.
std::vector<double> expectedForces(Field& f)
{
    std::vector<double> F(P * P, 0.0);
    for (int j = 0; j < P; ++j) {
        for (int i = 0; i < P; ++i) {
            for (int dj = -1; dj <= 1; ++dj) {
                for (int di = -1; di <= 1; ++di) {
                    const int a = j + dj, b = i + di;
                    if ((dj == 0 && di == 0) || a < 0 || b < 0 || a >= P || b >= P)
                        continue;
                    const int ties = (visible(j, i) ? 1 : 0) + (visible(a, b) ? 1 : 0);
                    const double w = (dj != 0 && di != 0) ? S : 1.0;
                    F[P * j + i] += ties * w * (height(f, a, b) - height(f, j, i));
                }
            }
        }
    }
    return F;
}

// Energy of the membrane measured in the units of one step: kinetic sum V^2 / 2 over the
// spring constant per step, plus the spring energy (ties as in expectedForces).
double energy(Field& f, double stepFactor)
{
    double kinetic = 0.0, springs = 0.0;
    for (int j = 0; j < P; ++j) {
        for (int i = 0; i < P; ++i) {
            kinetic += velocity(f, j, i) * velocity(f, j, i) / 2.0;
            for (int dj = -1; dj <= 1; ++dj) {
                for (int di = -1; di <= 1; ++di) {
                    const int a = j + dj, b = i + di;
                    if ((dj == 0 && di == 0) || a < 0 || b < 0 || a >= P || b >= P)
                        continue;
                    const int ties = (visible(j, i) ? 1 : 0) + (visible(a, b) ? 1 : 0);
                    const double w = (dj != 0 && di != 0) ? S : 1.0;
                    const double dz = height(f, j, i) - height(f, a, b);
                    springs += ties * w * dz * dz / 4.0;   // each pair is seen from both ends
                }
            }
        }
    }
    return kinetic / stepFactor + springs;
}

void forEachNode(const std::function<void(int, int)>& fn)
{
    for (int j = 0; j < P; ++j)
        for (int i = 0; i < P; ++i)
            fn(j, i);
}

class FieldTest : public ::testing::Test {
protected:
    Field field{0.5f, 0.6f, 0.7f, 0.8f};
};

TEST_F(FieldTest, SizesAndArrays)
{
    EXPECT_EQ(field.fieldSize(), 30u);
    EXPECT_EQ(field.fieldSizePadded(), 34u);
    EXPECT_EQ(field.positions.size(), 3u * P * P);
    EXPECT_EQ(field.forces.size(), 1u * P * P);
    EXPECT_EQ(field.velocities.size(), 1u * P * P);
    ASSERT_EQ(field.meshes.size(), 1u);
    EXPECT_EQ(field.meshes[0]->type, FIELD);
    EXPECT_EQ(&field.m_position(), &field.meshes[0]->vertices);
    EXPECT_FLOAT_EQ(field.meshes[0]->a(), 0.8f);
    EXPECT_FLOAT_EQ(SQRT_OF_TWO_INV, 0.70710677f);
    EXPECT_EQ(field.speed(0.001f), 0.001f);
    EXPECT_EQ(field.speedFactor, 0.001f);
}

TEST_F(FieldTest, StartsAtRestWithOneSinePeriodAlongEachAxis)
{
    forEachNode([&](int j, int i) {
        const bool ring = j == 0 || i == 0 || j == P - 1 || i == P - 1;
        const double expected = ring ? 0.0 : P / 6.0 * (std::sin(2 * M_PI * j / P) + std::sin(2 * M_PI * i / P));
        EXPECT_NEAR(height(field, j, i), expected, 2e-6) << j << "," << i;
        EXPECT_EQ(force(field, j, i), 0.0);
        EXPECT_EQ(velocity(field, j, i), 0.0);
        // Only the height of each node is used.
        EXPECT_TRUE(std::isnan(field.positions[(P * j + i) * 3]));
        EXPECT_TRUE(std::isnan(field.positions[(P * j + i) * 3 + 1]));
    });
}

TEST_F(FieldTest, OutOfRangePatternsAreTheFullSinePeriod)
{
    field.reset(10);
    const std::vector<float> ten = field.positions;
    for (int pattern : {0, 11, -1, 1000}) {
        field.reset(1);
        field.reset(pattern);
        for (size_t k = 2; k < ten.size(); k += 3)
            ASSERT_EQ(field.positions[k], ten[k]) << "pattern " << pattern << " node " << k / 3;
    }
}

TEST_F(FieldTest, PatternShapes)
{
    struct Case {
        int pattern;
        std::function<double(int, int)> shape;   // for P = 34, before the outer ring is cleared
    };
    const std::vector<Case> cases = {
        {1, [](int, int) { return 0.0; }},
        {2, [](int j, int i) { return j == 17 && i == 17 ? 51.0 : 0.0; }},
        {3, [](int j, int i) { return j + i == 32 || j + i == 33 ? 5.0 : 0.0; }},
        {4, [](int j, int) { return j == 1 ? 8.0 : 0.0; }},
        {5, [](int j, int i) { return j >= 12 && j <= 21 && i >= 12 && i <= 21 ? 0.0 : 8.0; }},
        {6, [](int j, int i) { return j >= 12 && j <= 21 && i >= 12 && i <= 21 ? 8.0 : 0.0; }},
        {7, [](int j, int i) { return j + i >= 32 && j + i <= 34 ? 5.0 : 0.0; }},
        {8, [](int j, int i) { return j >= 26 && i >= 26 ? 8.0 : 0.0; }},
        {9, [](int j, int i) { return P / 6.0 * (std::sin(M_PI * j / P) + std::sin(M_PI * i / P)); }},
    };
    for (const Case& c : cases) {
        field.reset(c.pattern);
        forEachNode([&](int j, int i) {
            const bool ring = j == 0 || i == 0 || j == P - 1 || i == P - 1;
            const double expected = ring ? 0.0 : c.shape(j, i);
            ASSERT_NEAR(height(field, j, i), expected, 2e-6) << "pattern " << c.pattern << " at " << j << "," << i;
        });
    }
}

TEST_F(FieldTest, ResetStopsAllMotion)
{
    field.reset(6);
    for (int k = 0; k < 20; ++k)
        field.idle(16.0f);
    field.reset(4);
    forEachNode([&](int j, int i) {
        EXPECT_EQ(force(field, j, i), 0.0);
        EXPECT_EQ(velocity(field, j, i), 0.0);
    });
}

TEST_F(FieldTest, SpikeForcesAfterTheFirstForceStage)
{
    field.reset(2);
    field.idleForce(16.0f);
    EXPECT_NEAR(force(field, 17, 17), -2.0 * (4.0 + 4.0 * S) * 51.0, 1e-3);
    EXPECT_NEAR(force(field, 17, 17), -696.5, 0.05);
    for (auto [j, i] : {std::pair{16, 17}, {18, 17}, {17, 16}, {17, 18}})
        EXPECT_FLOAT_EQ(force(field, j, i), 102.0f);
    for (auto [j, i] : {std::pair{16, 16}, {16, 18}, {18, 16}, {18, 18}}) {
        EXPECT_NEAR(force(field, j, i), 2.0 * S * 51.0, 1e-4);
        EXPECT_NEAR(force(field, j, i), 72.1, 0.05);
    }
    forEachNode([&](int j, int i) {
        if (std::abs(j - 17) > 1 || std::abs(i - 17) > 1) {
            EXPECT_EQ(force(field, j, i), 0.0) << j << "," << i;
        }
    });
}

TEST_F(FieldTest, ForcesMatchTheSpringPictureOnAnUnevenField)
{
    // An irregular surface that reaches into both border rings.
    forEachNode([&](int j, int i) {
        field.positions[(P * j + i) * 3 + 2] = static_cast<float>(std::sin(0.7 * j) * std::cos(1.3 * i) + 0.1 * j);
    });
    field.idleForce(1.0f);
    const std::vector<double> expected = expectedForces(field);
    forEachNode([&](int j, int i) {
        ASSERT_NEAR(force(field, j, i), expected[P * j + i], 1e-4) << j << "," << i;
    });
    // The outer ring is never reached.
    for (int k = 0; k < P; ++k) {
        EXPECT_EQ(force(field, 0, k), 0.0);
        EXPECT_EQ(force(field, P - 1, k), 0.0);
        EXPECT_EQ(force(field, k, 0), 0.0);
        EXPECT_EQ(force(field, k, P - 1), 0.0);
    }
}

TEST_F(FieldTest, FirstStepIntegratesForcesIntoVelocitiesAndHeights)
{
    field.reset(2);
    field.speed(0.0005f);
    field.idle(20.0f);
    forEachNode([&](int j, int i) {
        const double v = force(field, j, i) * 0.0005 / 20.0;
        EXPECT_NEAR(velocity(field, j, i), v, 1e-7) << j << "," << i;
        const double z0 = j == 17 && i == 17 ? 51.0 : 0.0;
        EXPECT_NEAR(height(field, j, i), z0 + v, 1e-5) << j << "," << i;
    });
    EXPECT_NEAR(velocity(field, 17, 17), -696.46 * 0.0005 / 20.0, 1e-6);
}

TEST_F(FieldTest, MeshShowsTheVisibleNodesAfterAStep)
{
    field.reset(9);
    field.idle(10.0f);
    const std::vector<float>& vertices = field.m_position();
    for (int r = 0; r < N; ++r) {
        for (int c = 0; c < N; ++c) {
            const int k = (N * r + c) * 3;
            EXPECT_EQ(vertices[k + 2], height(field, r + 2, c + 2)) << r << "," << c;
            // x and y stay on the generator's grid: -14 ... 15.
            EXPECT_EQ(vertices[k], -14.0f + c);
            EXPECT_EQ(vertices[k + 1], -14.0f + r);
        }
    }
}

TEST_F(FieldTest, ChangedSizeWaitsForInit)
{
    Field unchanged{0.5f, 0.6f, 0.7f, 0.8f};
    field.size = 40;   // the arrays and the mesh are still 30 x 30
    field.idle(10.0f);
    unchanged.idle(10.0f);
    EXPECT_EQ(field.fieldSize(), 30u);
    EXPECT_EQ(field.velocities, unchanged.velocities);
    EXPECT_EQ(field.m_position(), unchanged.m_position());

    field.init();
    field.idle(10.0f);
    EXPECT_EQ(field.fieldSizePadded(), 44u);
    EXPECT_EQ(field.velocities.size(), 44u * 44u);
    EXPECT_EQ(field.meshes[0]->vertexCount, 1600u);
    EXPECT_FLOAT_EQ(field.meshes[0]->a(), 0.8f);
}

TEST_F(FieldTest, ResetDoesNotTouchTheMesh)
{
    field.idle(10.0f);
    const std::vector<float> before = field.m_position();
    field.reset(2);
    EXPECT_EQ(field.m_position(), before);
}

TEST_F(FieldTest, OuterRingStaysFlatOverManySteps)
{
    field.speed(0.001f);
    for (int pattern : {4, 5, 8}) {
        field.reset(pattern);
        for (int step = 0; step < 3000; ++step)
            field.idle(step % 7 == 0 ? 30.0f : 1.0f);
        for (int k = 0; k < P; ++k) {
            ASSERT_EQ(height(field, 0, k), 0.0) << pattern;
            ASSERT_EQ(height(field, P - 1, k), 0.0) << pattern;
            ASSERT_EQ(height(field, k, 0), 0.0) << pattern;
            ASSERT_EQ(height(field, k, P - 1), 0.0) << pattern;
        }
    }
}

TEST_F(FieldTest, FlatOrFrozenFieldsNeverChange)
{
    field.reset(1);
    for (int step = 0; step < 100; ++step)
        field.idle(1.0f);
    forEachNode([&](int j, int i) { ASSERT_EQ(height(field, j, i), 0.0); });

    field.speed(0.0f);
    field.reset(7);
    const std::vector<float> start = field.positions;
    for (int step = 0; step < 100; ++step)
        field.idle(1.0f);
    for (size_t k = 2; k < start.size(); k += 3)
        ASSERT_EQ(field.positions[k], start[k]);
}

TEST_F(FieldTest, MotionDoesNotDieAway)
{
    const double speed = 0.001, dt = 1.0;
    field.speed(static_cast<float>(speed));
    field.reset(2);
    const double start = energy(field, speed / dt);
    ASSERT_GT(start, 1000.0);
    double lowest = start, highest = start, lateMotion = 0.0;
    for (int step = 1; step <= 20000; ++step) {
        field.idle(static_cast<float>(dt));
        if (step % 100 == 0) {
            const double e = energy(field, speed / dt);
            lowest = std::min(lowest, e);
            highest = std::max(highest, e);
        }
        if (step > 19000)
            lateMotion += std::fabs(velocity(field, 17, 17)) + std::fabs(velocity(field, 5, 9));
    }
    EXPECT_GT(lowest, 0.9 * start);
    EXPECT_LT(highest, 1.1 * start);
    EXPECT_GT(lateMotion / 1000.0, 1e-3);
}

TEST_F(FieldTest, StepsWithoutDurationKeepVelocitiesFinite)
{
    field.reset(2);
    field.idle(0.0f);
    forEachNode([&](int j, int i) {
        ASSERT_EQ(velocity(field, j, i), 0.0);
        ASSERT_EQ(height(field, j, i), j == 17 && i == 17 ? 51.0 : 0.0);
    });

    // With motion under way such a step carries the heights on unchanged velocities.
    field.idle(10.0f);
    const std::vector<float> v = field.velocities;
    const std::vector<float> z = field.positions;
    for (float dt : {0.0f, -0.0f, -25.0f, std::nanf("")}) {
        field.idle(dt);
        for (size_t k = 0; k < v.size(); ++k) {
            ASSERT_EQ(field.velocities[k], v[k]) << dt;
            ASSERT_TRUE(std::isfinite(field.positions[k * 3 + 2]));
        }
    }
    forEachNode([&](int j, int i) {
        const size_t k = P * j + i;
        EXPECT_NEAR(field.positions[k * 3 + 2], z[k * 3 + 2] + 4 * v[k], 1e-5);
    });
}

} // namespace
