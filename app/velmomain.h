#pragma once
// The one top-level object. Its constructor is the whole run: command line, window,
// everything on screen, the music, then the frame loop until `running` goes false.
#include <cstdint>
#include <string>
#include <vector>

#include "timeline/frameloop.h"

class VelmoMain : private FrameLoop::Hooks {
public:
    explicit VelmoMain(const std::vector<std::string>& args);
    ~VelmoMain() override;

    int64_t getNextTick() { return loop.getNextTick(); }
    void mainLoop() { loop.mainLoop(); }

    bool fullscreen = true;
    bool gstreamerOn = true;

private:
    int64_t wallClockTicks() override;
    void startMusic() override;
    void pollMusic() override;
    void runScript() override;
    void renderFrame(int64_t step) override;
    void presentFrame() override;

    bool sdlStarted = false;
    FrameLoop loop{*this};
};
