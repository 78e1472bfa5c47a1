#include "timeline/silentclock.h"

#include "timeline/runflags.h"
#include "timeline/clock.h"

void SilentClock::play()
{
    startTime = globalTime;
    playing = true;
}

int64_t SilentClock::updatePosition()
{
    if (!playing) {
        return 0;
    }
    const int64_t p = (globalTime - startTime) * 1'000'000;
    streamPosition = p;
    if (reachedEnd(p, DEMO_LENGTH)) {
        running = false;
    }
    return p;
}

int64_t SilentClock::position()
{
    return scriptPosition(streamPosition);
}
