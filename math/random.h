#pragma once
// Marsaglia's KISS generator on unsigned 32-bit integers (wrap-around arithmetic).
// Same seed, same sequence on every platform.
#include <cstdint>

class Random {
public:
    // Seeds itself from the clock.
    Random();
    void seed(uint32_t s);
    // Seeds with the microseconds part of the current time of day.
    void seed();
    uint32_t next();
    // next() mod n; n must not be 0.
    uint32_t next(uint32_t n);

    uint32_t x, y, z, w, carry;
};
