#pragma once
// The music clock of a run without sound (--gstreameroff, or no sound device): the demo clock
// stands in for the music, so the script plays as it would with the music and the run ends
// where the music would have ended.
#include "timeline/musicclock.h"
#include <cstdint>

// Length of the demo in ns. Must equal the length of the shipped music (data/music.xm).
constexpr int64_t DEMO_LENGTH = 168'000'000'000;

class SilentClock : public MusicClock {
public:
    // The silent stream starts at the current globalTime, as the music would.
    void play() override;
    // Stream position = ns of globalTime since play(); clears `running` once the run has reached
    // DEMO_LENGTH (reachedEnd). Returns 0 and changes nothing before play().
    int64_t updatePosition() override;
    // scriptPosition(streamPosition).
    int64_t position() override;

    bool playing = false;
    int64_t startTime = 0;        // globalTime (ms) at play()
    int64_t streamPosition = 0;   // ns, stored by updatePosition
};
