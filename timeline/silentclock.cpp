#include "timeline/silentclock.h"

#include "timeline/runflags.h"
#include "timeline/clock.h"

SilentClock::SilentClock(const Stretch& stretch) : stretch(stretch), streamPosition(stretch.startNs()) {}

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
    const int64_t p = stretch.startNs() + (globalTime - startTime) * 1'000'000;
    streamPosition = p;
    if (reachedEnd(p, stretch.endNs())) {
        running = false;
    }
    return p;
}

int64_t SilentClock::position()
{
    return scriptPosition(streamPosition);
}
