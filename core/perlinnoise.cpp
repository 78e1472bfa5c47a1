#include "core/perlinnoise.h"

#include <cmath>
#include <limits>
#include <memory>
#include <utility>

#include "math/random.h"

namespace {

template <class T>
constexpr T filledWith(typename T::value_type value)
{
    T table{};
    for (size_t i = 0; i < table.size(); ++i)
        table[i] = value;
    return table;
}

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

// Created on first need and then only reseeded. Not called `random`: that is libc's.
std::unique_ptr<Random> generator;

// All noise arithmetic is single precision (no double literals), so every intermediate
// is rounded to float and the field is the same bit for bit on every run.
inline float sCurve(float r)
{
    return r * r * (3.0f - 2.0f * r);
}

inline float lerp(float a, float u, float v)
{
    return u + a * (v - u);
}

inline float dot2(const std::array<float, 2>& g, float a, float b)
{
    return a * g[0] + b * g[1];
}

inline float dot3(const std::array<float, 3>& g, float a, float b, float c)
{
    return a * g[0] + b * g[1] + c * g[2];
}

// Permuted lattice indices of the four corners of the (x, y) cell, shared by 2-D and 3-D noise.
struct Corners {
    uint32_t b00, b10, b01, b11;
};

Corners corners(int32_t bx0, int32_t bx1, int32_t by0, int32_t by1)
{
    const auto& p = permutationTable;
    const uint32_t i = p[bx0];
    const uint32_t j = p[bx1];
    return {p[i + by0], p[j + by0], p[i + by1], p[j + by1]};
}

} // namespace

std::array<uint32_t, NOISE_TABLE_SIZE> permutationTable{};
std::array<float, NOISE_TABLE_SIZE> gradientTable1d = filledWith<std::array<float, NOISE_TABLE_SIZE>>(NaN);
std::array<std::array<float, 2>, NOISE_TABLE_SIZE> gradientTable2d =
    filledWith<std::array<std::array<float, 2>, NOISE_TABLE_SIZE>>({NaN, NaN});
std::array<std::array<float, 3>, NOISE_TABLE_SIZE> gradientTable3d =
    filledWith<std::array<std::array<float, 3>, NOISE_TABLE_SIZE>>({NaN, NaN, NaN});
int32_t initialized = 0;

float noise(float x)
{
    const float v[1] = {x};
    return noise1d(v);
}

float noise(float x, float y)
{
    const float v[2] = {x, y};
    return noise2d(v);
}

float noise(float x, float y, float z)
{
    const float v[3] = {x, y, z};
    return noise3d(v);
}

void reseed()
{
    if (!generator)
        generator = std::make_unique<Random>();
    generator->seed();
    generateLookupTables();
}

void reseed(uint32_t seed)
{
    if (!generator)
        generator = std::make_unique<Random>();
    generator->seed(seed);
    generateLookupTables();
}

float randNoiseFloat()
{
    // The subtraction wraps for b < 256: those values become 2^24 - 1 or 2^24, never negative.
    const uint32_t b = generator->next() & 0x1FFu;
    const uint32_t shifted = b - 256u;
    return static_cast<float>(static_cast<double>(shifted) / 256.0);
}

void normalize2d(float* v)
{
    const float s = std::sqrt(v[0] * v[0] + v[1] * v[1]);
    v[0] = v[0] / s;
    v[1] = v[1] / s;
}

void normalize3d(float* v)
{
    normalize3d(v[0], v[1], v[2]);
}

void normalize3d(float& a, float& b, float& c)
{
    const float s = std::sqrt(a * a + b * b + c * c);
    a = a / s;
    b = b / s;
    c = c / s;
}

void generateLookupTables()
{
    if (!generator)
        generator = std::make_unique<Random>();

    auto& p = permutationTable;
    auto& g1 = gradientTable1d;
    auto& g2 = gradientTable2d;
    auto& g3 = gradientTable3d;
    for (int32_t i = 0; i < NOISE_WRAP_INDEX; ++i) {
        p[i] = static_cast<uint32_t>(i);
        g1[i] = randNoiseFloat();
        g2[i][0] = randNoiseFloat();
        g2[i][1] = randNoiseFloat();
        // A gradient drawn as exactly zero (odds 1 in 512^2, 512^3) cannot be normalised;
        // it becomes the x axis so that every gradient stays unit length and non-negative.
        if (g2[i][0] == 0.0f && g2[i][1] == 0.0f)
            g2[i][0] = 1.0f;
        else
            normalize2d(g2[i].data());
        g3[i][0] = randNoiseFloat();
        g3[i][1] = randNoiseFloat();
        g3[i][2] = randNoiseFloat();
        if (g3[i][0] == 0.0f && g3[i][1] == 0.0f && g3[i][2] == 0.0f)
            g3[i][0] = 1.0f;
        else
            normalize3d(g3[i].data());
    }
    for (int32_t i = 0; i < NOISE_WRAP_INDEX; ++i)
        std::swap(p[i], p[generator->next() & NOISE_MOD_MASK]);
    for (int32_t i = 0; i < NOISE_WRAP_INDEX + 2; ++i) {
        p[NOISE_WRAP_INDEX + i] = p[i];
        g1[NOISE_WRAP_INDEX + i] = g1[i];
        g2[NOISE_WRAP_INDEX + i] = g2[i];
        g3[NOISE_WRAP_INDEX + i] = g3[i];
    }
    initialized = 1;
}

void setupValues(float& t, uint32_t i, int32_t& b0, int32_t& b1, float& r0, float& r1, const float* v)
{
    t = v[i] + static_cast<float>(NOISE_LARGE_PWR2);
    const int32_t k = static_cast<int32_t>(t);
    b0 = k & NOISE_MOD_MASK;
    b1 = (k + 1) & NOISE_MOD_MASK;
    r0 = t - static_cast<float>(k);
    r1 = r0 - 1.0f;
}

float noise1d(const float* v)
{
    if (!initialized)
        reseed();
    float t, rx0, rx1;
    int32_t bx0, bx1;
    setupValues(t, 0, bx0, bx1, rx0, rx1, v);
    const auto& p = permutationTable;
    const float sx = sCurve(rx0);
    const float u = rx0 * gradientTable1d[p[bx0]];
    const float w = rx1 * gradientTable1d[p[bx1]];
    return lerp(sx, u, w);
}

float noise2d(const float* v)
{
    if (!initialized)
        reseed();
    float t, rx0, rx1, ry0, ry1;
    int32_t bx0, bx1, by0, by1;
    setupValues(t, 0, bx0, bx1, rx0, rx1, v);
    setupValues(t, 1, by0, by1, ry0, ry1, v);

    const auto& g2 = gradientTable2d;
    const auto [b00, b10, b01, b11] = corners(bx0, bx1, by0, by1);

    const float sx = sCurve(rx0);
    const float sy = sCurve(ry0);
    const float a = lerp(sx, dot2(g2[b00], rx0, ry0), dot2(g2[b10], rx1, ry0));
    const float b = lerp(sx, dot2(g2[b01], rx0, ry1), dot2(g2[b11], rx1, ry1));
    return lerp(sy, a, b);
}

float noise3d(const float* v)
{
    if (!initialized)
        reseed();
    float t, rx0, rx1, ry0, ry1, rz0, rz1;
    int32_t bx0, bx1, by0, by1, bz0, bz1;
    setupValues(t, 0, bx0, bx1, rx0, rx1, v);
    setupValues(t, 1, by0, by1, ry0, ry1, v);
    setupValues(t, 2, bz0, bz1, rz0, rz1, v);

    const auto& g3 = gradientTable3d;
    const auto [b00, b10, b01, b11] = corners(bx0, bx1, by0, by1);

    const float sx = sCurve(rx0);
    const float sy = sCurve(ry0);
    const float sz = sCurve(rz0);

    float a = lerp(sx, dot3(g3[b00 + bz0], rx0, ry0, rz0), dot3(g3[b10 + bz0], rx1, ry0, rz0));
    float b = lerp(sx, dot3(g3[b01 + bz0], rx0, ry1, rz0), dot3(g3[b11 + bz0], rx1, ry1, rz0));
    const float c = lerp(sy, a, b);
    a = lerp(sx, dot3(g3[b00 + bz1], rx0, ry0, rz1), dot3(g3[b10 + bz1], rx1, ry0, rz1));
    b = lerp(sx, dot3(g3[b01 + bz1], rx0, ry1, rz1), dot3(g3[b11 + bz1], rx1, ry1, rz1));
    const float d = lerp(sy, a, b);
    return lerp(sz, c, d);
}
