// Height fields and the ball recomputed from the demo clock.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <string>

#include "core/fatalerror.h"
#include "core/perlinnoise.h"
#include "scene/movingball.h"
#include "scene/movingfield.h"
#include "timeline/clock.h"

// Counts heap allocations while `countingAllocations` is set, to show that an update
// works in place. (GCC takes the malloc/free pair of the replacement for a mismatch.)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
std::atomic<bool> countingAllocations{false};
std::atomic<int> allocations{0};
}

void* operator new(std::size_t size)
{
    if (countingAllocations)
        ++allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

constexpr int N = 30;

// The height of a sine-pattern node, in double: one period over the 30 rows and columns,
// amplitude 30 / 6 per axis.
double sineHeight(int64_t time, int j, int i)
{
    const double T = static_cast<float>(time * 0.01);
    return 5.0 * (std::sin(2 * M_PI * (j + T) / N) + std::sin(2 * M_PI * (i + T) / N));
}

double noiseHeight(int64_t time, int j, int i, bool nested)
{
    const float T = static_cast<float>(time * 0.01);
    float v = noise(static_cast<float>((j + T) / 20.273), static_cast<float>((i + T) / 10.34789));
    if (nested)
        v = noise(v, v);
    return 50.0 * v;
}

class MovingFieldTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        reseed(2);
        globalTime = 0;
    }
    void TearDown() override { globalTime = 0; }

    static float z(MovingField& f, int j, int i) { return f.m_position()[(N * j + i) * 3 + 2]; }
};

TEST_F(MovingFieldTest, BuildsOneFieldMeshInTheGivenColour)
{
    MovingField field(0, 0.1f, 0.2f, 0.3f, 0.4f);
    EXPECT_EQ(field.type, 0u);
    EXPECT_EQ(field.gridSize, 30u);
    ASSERT_EQ(field.meshes.size(), 1u);
    const Mesh& mesh = *field.meshes[0];
    EXPECT_EQ(mesh.type, FIELD);
    EXPECT_EQ(mesh.vertexCount, 900u);
    EXPECT_EQ(mesh.r(), 0.1f);
    EXPECT_EQ(mesh.a(), 0.4f);
    EXPECT_EQ(field.m_position().data(), field.meshes[0]->m_verticesP());
}

TEST_F(MovingFieldTest, GridSizeAboveTheMeshStaysInsideIt)
{
    MovingField field(0, 1, 1, 1, 1);
    const std::vector<float> thirty = field.m_position();
    field.gridSize = 40;
    field.reset(0.0f);
    EXPECT_EQ(field.m_position(), thirty);
}

TEST_F(MovingFieldTest, SineFieldAtTimeZero)
{
    MovingField field(0, 1, 1, 1, 1);
    EXPECT_EQ(z(field, 0, 0), 0.0f);
    for (int j = 0; j < N; ++j)
        for (int i = 0; i < N; ++i)
            ASSERT_NEAR(z(field, j, i), 5.0 * (std::sin(2 * M_PI * j / N) + std::sin(2 * M_PI * i / N)), 1e-5);
}

TEST_F(MovingFieldTest, SineFieldTravelsWithTheClock)
{
    MovingField field(0, 1, 1, 1, 1);
    for (int64_t time : {40, 1234, 2999, 67891}) {
        globalTime = time;
        field.reset(0.0f);
        for (int j = 0; j < N; ++j)
            for (int i = 0; i < N; ++i)
                ASSERT_NEAR(z(field, j, i), sineHeight(time, j, i), 2e-5) << time << ": " << j << "," << i;
    }
}

TEST_F(MovingFieldTest, SineFieldRepeatsAfterThreeSeconds)
{
    MovingField field(0, 1, 1, 1, 1);
    const std::vector<float> start = field.m_position();
    // Half a period on, every height is mirrored.
    globalTime = 1500;
    field.reset(0.0f);
    for (size_t k = 2; k < start.size(); k += 3)
        ASSERT_NEAR(field.m_position()[k], -start[k], 1e-5) << k / 3;
    globalTime = 3000;
    field.reset(0.0f);
    for (size_t k = 0; k < start.size(); ++k)
        ASSERT_NEAR(field.m_position()[k], start[k], 1e-5) << k;
}

TEST_F(MovingFieldTest, UnknownTypesAnimateLikeTypeZero)
{
    globalTime = 777;
    MovingField zero(0, 1, 1, 1, 1), seven(7, 1, 1, 1, 1);
    EXPECT_EQ(zero.m_position(), seven.m_position());
}

TEST_F(MovingFieldTest, NoiseFields)
{
    MovingField plain(1, 1, 1, 1, 1), nested(2, 1, 1, 1, 1);
    for (int64_t time : {0, 1500, 98765}) {
        globalTime = time;
        plain.reset(0.0f);
        nested.reset(0.0f);
        for (int j = 0; j < N; ++j) {
            for (int i = 0; i < N; ++i) {
                ASSERT_NEAR(z(plain, j, i), noiseHeight(time, j, i, false), 1e-5) << time << ": " << j << "," << i;
                ASSERT_NEAR(z(nested, j, i), noiseHeight(time, j, i, true), 1e-5) << time << ": " << j << "," << i;
            }
        }
    }
    // Node (0, 0) at T = 0 sits on a lattice point, where the noise is exactly 0.
    globalTime = 0;
    plain.reset(0.0f);
    EXPECT_EQ(z(plain, 0, 0), 0.0f);
}

TEST_F(MovingFieldTest, ResetKeepsTheGridAndSpeedChangesNothing)
{
    MovingField field(1, 1, 1, 1, 1);
    globalTime = 4321;
    field.reset(0.0f);
    EXPECT_EQ(field.speed(1.0f), 1.0f);
    EXPECT_EQ(field.speedFactor, 1.0f);
    const std::vector<float> before = field.m_position();
    field.reset(123.0f);
    EXPECT_EQ(field.m_position(), before);
    for (int j = 0; j < N; ++j) {
        for (int i = 0; i < N; ++i) {
            EXPECT_EQ(before[(N * j + i) * 3], -14.0f + i);
            EXPECT_EQ(before[(N * j + i) * 3 + 1], -14.0f + j);
        }
    }
}

TEST_F(MovingFieldTest, IdleReshapesAndRelights)
{
    MovingField field(0, 1, 1, 1, 1);
    const std::vector<float> normals = field.meshes[0]->normals;
    globalTime = 700;
    field.idle(7.0f);
    EXPECT_NEAR(z(field, 10, 20), sineHeight(700, 10, 20), 2e-5);
    EXPECT_NE(field.meshes[0]->normals, normals);
}

TEST_F(MovingFieldTest, ConstructorsRefuseTheOtherKind)
{
    try {
        MovingField field(3, 1, 1, 1, 1);
        FAIL() << "a BALL field was built";
    } catch (const FatalError& e) {
        EXPECT_EQ(std::string(e.what()), "MovingField doesn't support BALL type anymore. Use MovingBall instead.");
    }
    for (uint32_t type : {0u, 1u, 2u, 4u}) {
        try {
            MovingBall ball(type, 1, 1, 1, 1);
            FAIL() << "a ball of type " << type << " was built";
        } catch (const FatalError& e) {
            EXPECT_EQ(std::string(e.what()), "MovingBall type should be BALL.");
        }
    }
}

// The direction of ball vertex (ring, segment) straight from the sphere's angles.
void restDirection(int ring, int segment, double* d)
{
    const double phi = 2 * M_PI * ring / N, theta = 2 * M_PI * segment / N;
    d[0] = std::cos(theta) * std::sin(phi);
    d[1] = std::cos(phi);
    d[2] = std::sin(theta) * std::sin(phi);
}

double ballRadius(int64_t time, int ring, int segment)
{
    const float T = static_cast<float>(static_cast<float>(time * 0.01) * 0.7);
    const float a = noise(static_cast<float>((ring + T) / 5.273), static_cast<float>((segment + T) / 5.34789));
    return 1.0 + 2.0 * noise(a, a);
}

TEST_F(MovingFieldTest, BallVerticesFollowTheirRestDirections)
{
    MovingBall ball(3, 0.9f, 0.8f, 0.7f, 0.6f);
    ASSERT_EQ(ball.meshes.size(), 1u);
    ASSERT_TRUE(ball.restMesh);
    EXPECT_EQ(ball.meshes[0]->type, BALL);
    EXPECT_EQ(ball.restMesh->type, BALL);
    EXPECT_EQ(ball.restMesh->g(), 0.8f);
    EXPECT_EQ(ball.meshes[0]->a(), 0.6f);

    for (int64_t time : {0, 2500, 33333}) {
        globalTime = time;
        ball.reset(0.0f);
        const std::vector<float>& v = ball.m_position();
        for (int ring = 0; ring < N; ++ring) {
            for (int segment = 0; segment < N; ++segment) {
                double d[3];
                restDirection(ring, segment, d);
                const double f = ballRadius(time, ring, segment);
                const int k = 3 * (N * ring + segment);
                for (int c = 0; c < 3; ++c)
                    ASSERT_NEAR(v[k + c], d[c] * f, 2e-5) << time << ": " << ring << "," << segment << "," << c;
            }
        }
        // Only the slots the generator fills are animated.
        EXPECT_TRUE(std::isnan(v[3 * 900]));
        EXPECT_TRUE(std::isnan(v.back()));
    }
    // The rest shape stays a unit sphere.
    EXPECT_NEAR(ball.restMesh->vertices[1], 1.0f, 1e-6);
}

TEST_F(MovingFieldTest, BallTopVertexMovesAlongTheAxis)
{
    globalTime = 1000;
    MovingBall ball(3, 1, 1, 1, 1);
    const float Tp = static_cast<float>(static_cast<float>(1000 * 0.01) * 0.7);
    const float a = noise(static_cast<float>(Tp / 5.273), static_cast<float>(Tp / 5.34789));
    const double f = 1.0 + 2.0 * noise(a, a);
    EXPECT_NEAR(ball.m_position()[0], 0.0, 1e-6);
    EXPECT_NEAR(ball.m_position()[1], f, 1e-6);
    EXPECT_NEAR(ball.m_position()[2], 0.0, 1e-6);
    EXPECT_NE(f, 1.0);
}

TEST_F(MovingFieldTest, UpdatesAllocateNothing)
{
    MovingField sine(0, 1, 1, 1, 1), nested(2, 1, 1, 1, 1);
    MovingBall ball(3, 1, 1, 1, 1);
    globalTime = 5000;
    allocations = 0;
    countingAllocations = true;
    sine.reset(1.0f);
    nested.reset(1.0f);
    ball.reset(1.0f);
    countingAllocations = false;
    EXPECT_EQ(allocations, 0);
}

} // namespace
