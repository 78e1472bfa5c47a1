// CPU cost of the simulated objects' per-sub-frame updates (up to 7 per frame each).
#include <benchmark/benchmark.h>

#include "core/perlinnoise.h"
#include "scene/field.h"
#include "scene/movingball.h"
#include "scene/movingfield.h"
#include "timeline/clock.h"

namespace {

// One full Field::idle: forces, velocities, positions and the mesh's face normals.
void BM_FieldStep(benchmark::State& state)
{
    Field field(1, 1, 1, 1);
    field.reset(2);
    for (auto _ : state) {
        field.idle(1.0f);
        benchmark::DoNotOptimize(field.positions.data());
    }
}
BENCHMARK(BM_FieldStep);

// The simulation stages alone, without the normals.
void BM_FieldSimulationOnly(benchmark::State& state)
{
    Field field(1, 1, 1, 1);
    field.reset(2);
    for (auto _ : state) {
        field.idleForce(1.0f);
        field.idleVelocity(1.0f);
        field.idlePosition(1.0f);
        benchmark::DoNotOptimize(field.positions.data());
    }
}
BENCHMARK(BM_FieldSimulationOnly);

// One MovingBall::idle: 900 vertices with two noise calls each, then the face normals.
void BM_MovingBallUpdate(benchmark::State& state)
{
    reseed(2);
    MovingBall ball(BALL, 1, 1, 1, 1);
    for (auto _ : state) {
        globalTime += 1;
        ball.idle(1.0f);
        benchmark::DoNotOptimize(ball.m_position().data());
    }
    globalTime = 0;
}
BENCHMARK(BM_MovingBallUpdate);

void BM_MovingBallReshape(benchmark::State& state)
{
    reseed(2);
    MovingBall ball(BALL, 1, 1, 1, 1);
    for (auto _ : state) {
        globalTime += 1;
        ball.reset(1.0f);
        benchmark::DoNotOptimize(ball.m_position().data());
    }
    globalTime = 0;
}
BENCHMARK(BM_MovingBallReshape);

void BM_MovingFieldSineUpdate(benchmark::State& state)
{
    MovingField field(0, 1, 1, 1, 1);
    for (auto _ : state) {
        globalTime += 1;
        field.idle(1.0f);
        benchmark::DoNotOptimize(field.m_position().data());
    }
    globalTime = 0;
}
BENCHMARK(BM_MovingFieldSineUpdate);

} // namespace
