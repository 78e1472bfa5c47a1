#pragma once
// Perlin's gradient noise in one, two and three dimensions, on module-level lookup tables.
// Differences from the classic formulation that the animations depend on:
// - tables come from the module's own KISS generator and can be rebuilt with reseed();
// - the permutation shuffle walks upwards from 0 to 255;
// - random table values are never negative, so 2-D/3-D gradients lie in the positive
//   quadrant/octant and 2-D noise stays within about -0.35..0.35;
// - a noise call on unbuilt tables seeds from the clock (start-up calls reseed(2) first).
// Single-threaded: tables and generator are unguarded.
#include <array>
#include <cstdint>

constexpr int32_t NOISE_WRAP_INDEX = 256;   // lattice period
constexpr int32_t NOISE_MOD_MASK = 255;     // wraps a lattice index
constexpr int32_t NOISE_LARGE_PWR2 = 4096;  // added before splitting a coordinate
// The upper half repeats the lower so that p[i + b] with i, b <= 256 needs no wrapping.
constexpr int32_t NOISE_TABLE_SIZE = 2 * NOISE_WRAP_INDEX + 2;

extern std::array<uint32_t, NOISE_TABLE_SIZE> permutationTable;            // 0 until built
extern std::array<float, NOISE_TABLE_SIZE> gradientTable1d;                // NaN until built
extern std::array<std::array<float, 2>, NOISE_TABLE_SIZE> gradientTable2d; // unit, components >= 0
extern std::array<std::array<float, 3>, NOISE_TABLE_SIZE> gradientTable3d; // unit, components >= 0
extern int32_t initialized;                                                // 1 once built

float noise(float x);
float noise(float x, float y);
float noise(float x, float y, float z);
float noise1d(const float* v);
float noise2d(const float* v);
float noise3d(const float* v);

// Rebuild every table: from the clock, or from a fixed seed (same tables on every run).
void reseed();
void reseed(uint32_t seed);
void generateLookupTables();

// Splits coordinate v[i] into lattice indices b0, b1 and offsets r0 (fraction), r1 = r0 - 1.
void setupValues(float& t, uint32_t i, int32_t& b0, int32_t& b1, float& r0, float& r1, const float* v);
// One random table value: 0..0.99609375 in steps of 1/256, or 16777215.0 / 16777216.0.
float randNoiseFloat();
// Unguarded: a zero vector gives NaN.
void normalize2d(float* v);
void normalize3d(float* v);
void normalize3d(float& a, float& b, float& c);
