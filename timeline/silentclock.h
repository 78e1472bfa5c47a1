#pragma once
// The music clock of a run without sound (--gstreameroff, or no sound device): the demo clock
// stands in for the music, so the script plays as it would with the music and the run ends
// where the music would have ended.
#include "timeline/musicclock.h"
#include "timeline/stretch.h"
#include <cstdint>

class SilentClock : public MusicClock {
public:
    // A silent stream of the stretch: from its start to its end.
    explicit SilentClock(const Stretch& stretch = {});
    // The silent stream starts at the current globalTime, as the music would.
    void play() override;
    // Stream position = the stretch's start + ns of globalTime since play(); clears `running`
    // once the run has reached the stretch's end (reachedEnd). Returns 0 and changes nothing
    // before play().
    int64_t updatePosition() override;
    // scriptPosition(streamPosition).
    int64_t position() override;

    const Stretch stretch;
    bool playing = false;
    int64_t startTime = 0;        // globalTime (ms) at play()
    int64_t streamPosition = 0;   // ns, stored by updatePosition
};
