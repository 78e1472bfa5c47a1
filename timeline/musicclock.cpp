#include "timeline/musicclock.h"

#include "scene/keyflags.h"
#include "timeline/runflags.h"
#include "core/fatalerror.h"
#include "timeline/clock.h"
#include "timeline/silentclock.h"
#include "timeline/velmoplayer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

MusicClock::~MusicClock() = default;

namespace {

// Long enough for a slow sound server to open the device, short enough not to look hung.
constexpr GstClockTime PREROLL_TIMEOUT = 5 * GST_SECOND;

// GStreamer only reports an unreadable file once the pipeline runs, and then as a vague
// stream error; checked here the user is told which file.
void requireReadable(const std::string& fileName)
{
    std::FILE* f = std::fopen(fileName.c_str(), "rb");
    if (f && std::fgetc(f) != EOF) {
        std::fclose(f);
        return;
    }
    const std::string why = f ? "it is empty or not a file" : std::strerror(errno);
    if (f) {
        std::fclose(f);
    }
    throw FatalError("Cannot read the music file " + fileName + ": " + why + ".");
}

} // namespace

std::unique_ptr<MusicClock> makeMusicClock(bool gstreamerOn, const std::string& musicFile,
                                           const Stretch& stretch)
{
    if (!gstreamerOn) {
        return std::make_unique<SilentClock>(stretch);
    }
    requireReadable(musicFile);
    auto player = std::make_unique<VelmoPlayer>(musicFile, "novideo", stretch);
    const VelmoPlayer::Preroll preroll = player->waitForPaused(PREROLL_TIMEOUT);
    if (preroll.paused) {
        return player;
    }
    player.reset();
    if (preroll.soundDevice) {
        std::cout << "No sound device: the demo plays silently (" << preroll.reason << ")."
                  << std::endl;
    } else {
        std::cout << "The music " << musicFile << " cannot be played: the demo plays silently ("
                  << preroll.reason << ")." << std::endl;
    }
    return std::make_unique<SilentClock>(stretch);
}

int64_t scriptPosition(int64_t streamPosition)
{
    if (seekMode) {
        return streamPosition + seekModePosition;
    }
    if (writeScreenShotMode) {
        return static_cast<int64_t>(static_cast<long double>(globalTime) / 40.0L
                                    * static_cast<long double>(GST_FRAME_25));
    }
    return streamPosition;
}

bool reachedEnd(int64_t polled, int64_t length)
{
    if (length == 0) {
        return false;
    }
    return (writeScreenShotMode ? scriptPosition(polled) : polled) >= length;
}
