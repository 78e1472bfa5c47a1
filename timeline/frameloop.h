#pragma once
// The paced frame loop. Each pass advances the demo clock, starts and polls the music,
// runs the scene script, renders the next frame when none is waiting and presents the
// waiting one once 40 ms have accumulated. It never sleeps.
//
// The clock is SDL's millisecond counter, or in capture mode a counter that adds exactly
// 1 ms per pass, so a frame is presented every 40 passes whatever the real speed.
#include <cstdint>

class FrameLoop {
public:
    // What a pass asks of the rest of the program. VelmoMain answers with the window,
    // the scene and the music; tests answer with fakes.
    class Hooks {
    public:
        virtual ~Hooks() = default;
        virtual int64_t wallClockTicks() = 0;         // SDL milliseconds
        virtual void startMusic() = 0;                // once, after the first 100 ms
        virtual void pollMusic() = 0;                 // every 100 ms, with musicOn
        virtual void runScript() = 0;                 // every pass, with musicOn
        virtual void renderFrame(int64_t step) = 0;   // draw into the back buffer
        virtual void presentFrame() = 0;              // swap, and capture in capture mode
    };

    explicit FrameLoop(Hooks& hooks) : hooks(hooks) {}

    // The capture-mode clock: 0, 1, 2, ... one per call.
    int64_t getNextTick() { return tick++; }

    // Called once, just before the first pass.
    void start();
    // After passes on the capture clock that stood in for a real-time run (a fast-forward):
    // the wall clock takes over from now without a jump, and the frame rate counts afresh.
    void continueOnWallClock();
    // The next pass with more than 100 ms of demo time starts the music (again): another music
    // clock takes over.
    void restartMusic() { musicStarted = false; }
    // One pass of the loop.
    void mainLoop();
    // Average presented frames per second over the whole run, from `startTick` to now.
    double finalFps();

    int64_t currentTick = 0, previousTick = 0, tickDelta = 0;
    int64_t frameTimer = 0, fpsTimer = 0, positionTimer = 0;
    uint32_t frameCount = 0;
    int64_t startTick = 0;
    double fps = 25.0, currentFps = 25.0;
    uint32_t framesThisSecond = 0;
    int64_t secondStartTick = 0;
    bool frameReady = false;

private:
    int64_t readClock();

    Hooks& hooks;
    int64_t tick = 0;
    bool musicStarted = false;
    int64_t over40 = 0;   // lateness of the last presentation, carried into the next step
};
