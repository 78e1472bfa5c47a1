#pragma once
// The one top-level object. Its constructor is the whole run: command line, window,
// everything on screen, the music, then the frame loop until `running` goes false.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "timeline/frameloop.h"

struct Scene;
class SceneScript;
class MusicClock;
class PrecalcRandom;
class VideoWriter;

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
    std::unique_ptr<PrecalcRandom> randomTables;
    std::unique_ptr<Scene> scene;
    std::unique_ptr<SceneScript> script;
    // The music player, or the silent clock when there is none (--gstreameroff, or no
    // sound device): the loop always has a clock to start, poll and read.
    std::unique_ptr<MusicClock> player;
    std::unique_ptr<VideoWriter> videoWriter;   // with --writevideo
    FrameLoop loop{*this};
};
