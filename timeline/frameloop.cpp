#include "timeline/frameloop.h"

#include "timeline/runflags.h"
#include "timeline/clock.h"

int64_t FrameLoop::readClock()
{
    return writeScreenShotMode ? getNextTick() : hooks.wallClockTicks();
}

void FrameLoop::start()
{
    startTick = writeScreenShotMode ? 0 : hooks.wallClockTicks();
}

void FrameLoop::continueOnWallClock()
{
    previousTick = startTick = secondStartTick = hooks.wallClockTicks();
    frameTimer = fpsTimer = 0;
    frameCount = framesThisSecond = 0;
}

void FrameLoop::mainLoop()
{
    currentTick = readClock();
    tickDelta = currentTick - previousTick;
    previousTick = currentTick;
    frameTimer += tickDelta;
    fpsTimer += tickDelta;
    positionTimer += tickDelta;
    globalTime += tickDelta;

    if (globalTime > 100 && !musicStarted) {
        musicStarted = true;
        hooks.startMusic();
    }
    if (positionTimer >= 100) {
        positionTimer = 0;
        if (musicOn) hooks.pollMusic();
    }
    if (fpsTimer >= 1000) {
        fpsTimer = 0;
        if (currentTick != startTick) fps = frameCount / ((currentTick - startTick) / 1000.0);
        if (currentTick != secondStartTick)
            currentFps = framesThisSecond / ((currentTick - secondStartTick) / 1000.0);
        framesThisSecond = 0;
        secondStartTick = currentTick;
    }
    motionBlurTicks = int64_t(20u / motionBlurSamples);
    if (musicOn) hooks.runScript();

    if (!frameReady) {
        // The first sub-frame's step: what is left of 40 ms after the other sub-frames.
        int64_t step = 40 - 9 * motionBlurTicks + over40;
        hooks.renderFrame(step);
        frameReady = true;
    }
    if (frameTimer >= 40 && frameReady) {
        over40 = frameTimer - 40;
        frameTimer = 0;
        ++frameCount;
        ++framesThisSecond;
        hooks.presentFrame();
        frameReady = false;
    }
}

double FrameLoop::finalFps()
{
    int64_t end = writeScreenShotMode ? getNextTick() : hooks.wallClockTicks();
    fps = frameCount / ((end - startTick) / 1000.0);
    return fps;
}
