#pragma once
// Small random integers without running a generator on the frame path: the tables are drawn
// once from a Random seeded by the run (the clock, or --seed) and then read back in order.
#include <cstdint>

#include "math/random.h"

class PrecalcRandom {
public:
    static constexpr uint32_t TABLE_SIZE = 10000;

    // Draws all of range 20, then 100, then 256 (30,000 draws).
    PrecalcRandom();
    // The next value in 0..n-1 for n = 20, 100 or 256; any other n throws FatalError without
    // advancing. The cursor is shared: a draw of one range moves the position in all three.
    uint32_t next(uint32_t n);

    uint32_t cursor = 0;
    uint32_t values100[TABLE_SIZE];
    uint32_t values20[TABLE_SIZE];
    uint32_t values256[TABLE_SIZE];
    Random source;
};

// The program's one instance, created at start-up; nullptr until then.
extern PrecalcRandom* precalcRandom;
