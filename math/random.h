#pragma once
// Marsaglia's KISS generator on unsigned 32-bit integers (wrap-around arithmetic).
// Same seed, same sequence on every platform.
#include <cstdint>

// The run's seed (--seed): once set, Random() and seed() use it instead of the clock, so two
// runs draw the same numbers.
void setRunSeed(uint32_t s);
bool haveRunSeed();
uint32_t runSeed();

class Random {
public:
    // Seeds itself with seed().
    Random();
    void seed(uint32_t s);
    // Seeds with the run's seed if one was set, else with the microseconds part of the
    // current time of day.
    void seed();
    uint32_t next();
    // next() mod n; n must not be 0.
    uint32_t next(uint32_t n);

    uint32_t x, y, z, w, carry;
};
