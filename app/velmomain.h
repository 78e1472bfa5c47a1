#pragma once
// The one top-level object. Its constructor is the whole run: command line, window,
// everything on screen, the music, then the frame loop until `running` goes false, an
// interrupt arrives or a rendered video has all its frames.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/demo.h"

class MusicClock;
class SdlSession;
class VideoWriter;

class VelmoMain : private Demo::Shell {
public:
    explicit VelmoMain(const std::vector<std::string>& args);
    ~VelmoMain() override;

    // What the process should exit with: 0 for a run that ended as it should, 128 + the
    // signal for one cut by a signal, 1 for a render closed before its end.
    int exitStatus() const { return status; }

    bool fullscreen = true;
    bool gstreamerOn = true;

private:
    int64_t wallClockTicks() override;
    void pollInput() override;
    void showProgress(float percent) override;
    void presentFrame() override;
    // A render (video or frame capture) that stopped before the demo's end.
    void reportCut(const std::string& what, uint32_t frames);

    // Declared first, destroyed last: SDL_Quit comes after everything that used it.
    std::unique_ptr<SdlSession> sdl;
    std::unique_ptr<Demo> demo;
    // The music player, or the silent clock when there is none (--gstreameroff, or no
    // sound device): the loop always has a clock to start, poll and read.
    std::unique_ptr<MusicClock> player;
    std::unique_ptr<VideoWriter> videoWriter;   // with --writevideo
    int status = 0;
};
