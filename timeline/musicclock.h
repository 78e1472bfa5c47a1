#pragma once
// The clock that drives the scene script: the music player, or a silent stand-in when there
// is no player or no sound device. The frame loop calls play() once, updatePosition() every
// 100 ms and position() every pass, and never needs to know which clock it holds.
#include <cstdint>
#include <memory>
#include <string>

#include "timeline/stretch.h"

class MusicClock {
public:
    virtual ~MusicClock();
    // Starts the stream: the position counts from here.
    virtual void play() = 0;
    // Polls the stream, stores its position and clears `running` at its end. Returns the
    // polled position in ns, 0 before play().
    virtual int64_t updatePosition() = 0;
    // The script's clock in ns (see scriptPosition).
    virtual int64_t position() = 0;
};

// The clock for the run, playing the music of the stretch.
// - gstreamerOn false: a SilentClock (no player exists).
// - otherwise the music file must be readable, else FatalError naming it. A VelmoPlayer is built
//   and given up to 5 s to preroll. If it cannot (no sound device, device busy, a module
//   modplug refuses), one line on standard output names the reason and the run continues on a
//   SilentClock: the demo plays to its end without sound.
std::unique_ptr<MusicClock> makeMusicClock(bool gstreamerOn, const std::string& musicFile,
                                           const Stretch& stretch = {});

// The script's clock for a stream that is at streamPosition ns, in this order:
// seek mode: streamPosition + seekModePosition (the N key skips the script, not the stream);
// capture mode: the demo clock, globalTime / 40.0 × GST_FRAME_25 in extended precision, so the
// script stays on the 25-fps frames written to disk; else streamPosition.
int64_t scriptPosition(int64_t streamPosition);

// Whether a stream polled at `polled` ns has played its `length` ns (0 = unknown: never).
// In capture mode the script's clock decides, since the music may run ahead of or behind the
// captured frames.
bool reachedEnd(int64_t polled, int64_t length);
