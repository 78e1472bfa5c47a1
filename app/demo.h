#pragma once
// The demo itself, on a GL context someone else made current: the random tables, everything on
// screen, the scene script and the frame loop. The shell around it (VelmoMain with a window or
// an offscreen target, the golden-frame test) supplies the wall clock, the input and what
// presenting a frame means: a swap, a TGA file, a frame of a video.
#include <cstdint>
#include <functional>
#include <memory>

#include "timeline/frameloop.h"
#include "timeline/stretch.h"

struct Scene;
class SceneScript;
class MusicClock;
class PrecalcRandom;

class Demo : private FrameLoop::Hooks {
public:
    // What the demo asks of the shell around it.
    class Shell {
    public:
        virtual ~Shell() = default;
        virtual int64_t wallClockTicks() = 0;        // ms of real time
        virtual void pollInput() = 0;                // before each rendered frame
        virtual void showProgress(float percent) = 0;   // loading bar, during construction
        virtual void presentFrame() = 0;             // the frame is in the back buffer
    };

    // Seeds the random tables (from the clock) and the noise (with 2), then builds everything
    // on screen. Needs the GL context.
    explicit Demo(Shell& shell);
    ~Demo() override;

    // Runs the demo up to the start of `frame` without filling a pixel: the very passes a
    // capture runs, on the capture clock and a silent music clock, with the rasterizer told to
    // discard everything. Every object, random draw and script event is then where a capture
    // has it at that frame; nothing is presented. A run() after it starts its clock's music
    // there, and a real-time run goes on from there on the wall clock.
    void fastForward(uint32_t frame);
    // Passes of the frame loop while `running` and no interrupt arrived, driven by `clock`
    // (started after 100 ms, or at once after a fast-forward); on the capture clock also until
    // frame `end` has been presented.
    void run(MusicClock& clock, uint32_t end = DEMO_FRAMES);
    // Presented frames per second over the run.
    double finalFps() { return loop.finalFps(); }
    // Frames presented, with those a fast-forward passed over.
    uint32_t framesPresented() const { return loop.frameCount; }

    Scene& scene() { return *scenePtr; }

private:
    int64_t wallClockTicks() override { return shell.wallClockTicks(); }
    void startMusic() override;
    void pollMusic() override;
    void runScript() override;
    void renderFrame(int64_t step) override;
    void presentFrame() override;
    void startLoop();

    Shell& shell;
    std::unique_ptr<PrecalcRandom> randomTables;
    std::unique_ptr<Scene> scenePtr;
    std::unique_ptr<SceneScript> script;
    MusicClock* clock = nullptr;   // during run() and fastForward()
    FrameLoop loop{*this};
    bool loopStarted = false;
    bool fastForwarding = false;
};
