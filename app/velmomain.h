#pragma once
// The one top-level object. Its constructor is the whole run: command line, then either the
// offscreen video export (VideoExport) or the window, everything on screen, the music and the
// frame loop until `running` goes false or an interrupt arrives.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/demo.h"

class MusicClock;
class SdlSession;

class VelmoMain : private Demo::Shell {
public:
    // libraryArgs: which of args GTK+ and GStreamer took (see parseOptions).
    explicit VelmoMain(const std::vector<std::string>& args, const std::vector<bool>& libraryArgs = {});
    ~VelmoMain() override;

    // What the process should exit with: 0 for a run that ended as it should, 128 + the
    // signal for a render or capture cut by a signal.
    int exitStatus() const { return status; }

    bool fullscreen = true;
    bool gstreamerOn = true;

private:
    int64_t wallClockTicks() override;
    void pollInput() override;
    void showProgress(float percent) override;
    void presentFrame() override;

    // Declared first, destroyed last: SDL_Quit comes after everything that used it.
    std::unique_ptr<SdlSession> sdl;
    std::unique_ptr<Demo> demo;
    // The music player, or the silent clock when there is none (--gstreameroff, or no
    // sound device): the loop always has a clock to start, poll and read.
    std::unique_ptr<MusicClock> player;
    int status = 0;
    bool captureLoading = true;   // a capture writes the loading bar's frames
};
