#include <benchmark/benchmark.h>

#include "core/perlinnoise.h"

// Cost of one noise call at varying coordinates (the frame path calls the 2-D form).
static void BM_Noise2d(benchmark::State& state)
{
    reseed(2);
    float x = 0.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(noise(x, 0.61f * x));
        x += 0.37f;
        if (x > 1000.0f)
            x = 0.0f;
    }
}
BENCHMARK(BM_Noise2d);

static void BM_Noise3d(benchmark::State& state)
{
    reseed(2);
    float x = 0.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(noise(x, 0.61f * x, 1.3f - x));
        x += 0.37f;
        if (x > 1000.0f)
            x = 0.0f;
    }
}
BENCHMARK(BM_Noise3d);
