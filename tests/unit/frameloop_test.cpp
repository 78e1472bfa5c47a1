// The paced frame loop with its clock, music, script and presentation faked.
#include <gtest/gtest.h>

#include <vector>

#include "timeline/runflags.h"
#include "timeline/clock.h"
#include "timeline/frameloop.h"

namespace {

struct FakeHooks : FrameLoop::Hooks {
    int64_t wallClock = 0;
    int pass = 0;                       // set by the test before each pass
    std::vector<int> startedOnPass, polledOnPass, renderedOnPass, presentedOnPass;
    std::vector<int64_t> steps;
    int scriptRuns = 0;

    int64_t wallClockTicks() override { return wallClock; }
    void startMusic() override { startedOnPass.push_back(pass); }
    void pollMusic() override { polledOnPass.push_back(pass); }
    void runScript() override { ++scriptRuns; }
    void renderFrame(int64_t step) override
    {
        renderedOnPass.push_back(pass);
        steps.push_back(step);
    }
    void presentFrame() override { presentedOnPass.push_back(pass); }
};

class FrameLoopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        globalTime = 0;
        motionBlurSamples = 7;
        motionBlurTicks = 1;
        musicOn = true;
        writeScreenShotMode = false;
    }
    void TearDown() override { SetUp(); }

    // Runs passes numbered from 1: pass n is the one whose capture tick is n - 1.
    void runPasses(FrameLoop& loop, FakeHooks& hooks, int count)
    {
        for (int i = 0; i < count; ++i) {
            hooks.pass = ++passesRun;
            loop.mainLoop();
        }
    }
    int passesRun = 0;
};

TEST_F(FrameLoopTest, CaptureClockAddsOneMillisecondPerPass)
{
    writeScreenShotMode = true;
    FakeHooks hooks;
    FrameLoop loop(hooks);
    loop.start();
    EXPECT_EQ(loop.startTick, 0);
    runPasses(loop, hooks, 4000);

    EXPECT_EQ(globalTime, 3999);
    ASSERT_EQ(hooks.presentedOnPass.size(), 99u);
    for (size_t i = 0; i < hooks.presentedOnPass.size(); ++i)
        EXPECT_EQ(hooks.presentedOnPass[i], 41 + 40 * int(i));
    // A frame is rendered in the pass after each presentation (and in pass 1).
    EXPECT_EQ(hooks.renderedOnPass.front(), 1);
    EXPECT_EQ(hooks.renderedOnPass[1], 42);
    EXPECT_EQ(hooks.renderedOnPass.size(), 100u);
    for (int64_t step : hooks.steps) EXPECT_EQ(step, 22);
    EXPECT_EQ(motionBlurTicks, 2);
    EXPECT_EQ(hooks.startedOnPass, std::vector<int>{102});
    EXPECT_EQ(hooks.scriptRuns, 4000);
    // Polled whenever 100 ms have accumulated: passes 101, 201, ...
    ASSERT_FALSE(hooks.polledOnPass.empty());
    EXPECT_EQ(hooks.polledOnPass[0], 101);
    EXPECT_EQ(hooks.polledOnPass[1], 201);

    EXPECT_DOUBLE_EQ(loop.finalFps(), 99 / 4.0);
}

TEST_F(FrameLoopTest, MusicOffStillStartsMusicButNeverPollsNorScripts)
{
    writeScreenShotMode = true;
    musicOn = false;
    FakeHooks hooks;
    FrameLoop loop(hooks);
    loop.start();
    runPasses(loop, hooks, 500);
    EXPECT_EQ(hooks.startedOnPass, std::vector<int>{102});
    EXPECT_TRUE(hooks.polledOnPass.empty());
    EXPECT_EQ(hooks.scriptRuns, 0);
}

TEST_F(FrameLoopTest, RealTimeFirstPassCarriesTheLoadingTime)
{
    FakeHooks hooks;
    FrameLoop loop(hooks);
    hooks.wallClock = 3000;   // start-up took three seconds
    loop.start();
    runPasses(loop, hooks, 1);
    EXPECT_EQ(globalTime, 3000);
    EXPECT_EQ(hooks.startedOnPass, std::vector<int>{1});
    EXPECT_EQ(hooks.presentedOnPass, std::vector<int>{1});
    // The lateness of that presentation is carried into the next frame's step.
    runPasses(loop, hooks, 1);
    ASSERT_EQ(hooks.steps.size(), 2u);
    EXPECT_EQ(hooks.steps[0], 22);
    EXPECT_EQ(hooks.steps[1], 22 + (3000 - 40));
}

TEST_F(FrameLoopTest, PresentsOnlyOnceFortyMillisecondsHaveAccumulated)
{
    FakeHooks hooks;
    FrameLoop loop(hooks);
    loop.start();
    runPasses(loop, hooks, 1);                 // renders frame 1, nothing elapsed
    EXPECT_TRUE(hooks.presentedOnPass.empty());
    hooks.wallClock = 39;
    runPasses(loop, hooks, 1);
    EXPECT_TRUE(hooks.presentedOnPass.empty()) << "39 ms is not yet a frame";
    hooks.wallClock = 45;
    runPasses(loop, hooks, 1);
    EXPECT_EQ(hooks.presentedOnPass, std::vector<int>{3});
    hooks.wallClock = 46;
    runPasses(loop, hooks, 1);                 // renders the next frame with the 5 ms excess
    EXPECT_EQ(hooks.steps.back(), 22 + 5);
    EXPECT_EQ(loop.frameCount, 1u);
}

TEST_F(FrameLoopTest, RateBookkeepingOncePerSecond)
{
    FakeHooks hooks;
    FrameLoop loop(hooks);
    hooks.wallClock = 1000;
    loop.start();
    for (int64_t t = 1000; t <= 3000; t += 10) {
        hooks.wallClock = t;
        runPasses(loop, hooks, 1);
    }
    // 25 presentations a second at 10 ms passes.
    EXPECT_NEAR(loop.fps, 25.0, 0.6);
    EXPECT_NEAR(loop.currentFps, 25.0, 1.0);
    hooks.wallClock = 5000;
    EXPECT_NEAR(loop.finalFps(), loop.frameCount / 4.0, 1e-12);
}

TEST_F(FrameLoopTest, CaptureClockStartsAtZero)
{
    FakeHooks hooks;
    FrameLoop loop(hooks);
    EXPECT_EQ(loop.getNextTick(), 0);
    EXPECT_EQ(loop.getNextTick(), 1);
    EXPECT_EQ(loop.getNextTick(), 2);
}

} // namespace
