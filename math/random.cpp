#include "math/random.h"

#include <sys/time.h>

namespace {

bool seedGiven = false;
uint32_t givenSeed = 0;

} // namespace

void setRunSeed(uint32_t s)
{
    seedGiven = true;
    givenSeed = s;
}

bool haveRunSeed()
{
    return seedGiven;
}

uint32_t runSeed()
{
    return givenSeed;
}

Random::Random()
{
    seed();
}

void Random::seed(uint32_t s)
{
    x = s | 1;
    y = s | 2;
    z = s | 4;
    w = s | 8;
    carry = 0;
}

void Random::seed()
{
    if (seedGiven) {
        seed(givenSeed);
        return;
    }
    timeval now;
    gettimeofday(&now, nullptr);
    seed(static_cast<uint32_t>(now.tv_usec));
}

uint32_t Random::next()
{
    x = x * 69069u + 1u;
    y ^= y << 13;
    y ^= y >> 17;
    y ^= y << 5;
    const uint32_t k = (z >> 2) + (w >> 3) + (carry >> 2);
    const uint32_t m = w + w + z + carry;
    z = w;
    w = m;
    carry = k >> 30;
    return x + y + w;
}

uint32_t Random::next(uint32_t n)
{
    return next() % n;
}
