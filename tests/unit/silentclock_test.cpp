#include "timeline/silentclock.h"

#include "scene/keyflags.h"
#include "timeline/runflags.h"
#include "timeline/clock.h"

#include <gtest/gtest.h>

namespace {

constexpr int64_t NS_PER_MS = 1000 * 1000;

class SilentClockTest : public ::testing::Test {
protected:
    void SetUp() override { resetGlobals(); }
    void TearDown() override { resetGlobals(); }

    static void resetGlobals()
    {
        globalTime = 0;
        seekMode = false;
        seekModePosition = 0;
        writeScreenShotMode = false;
        running = true;
    }

    // Drives the clock the way the frame loop does: play once the demo clock passes
    // `startMs`, then a poll every 100 ms until the run ends or `untilMs` is reached.
    // Returns the demo time of the poll that ended the run (-1 if none did).
    int64_t runFrom(int64_t startMs, int64_t untilMs)
    {
        globalTime = startMs;
        clock.play();
        for (globalTime = startMs + 100; globalTime <= untilMs; globalTime += 100) {
            clock.updatePosition();
            if (!running) {
                return globalTime;
            }
        }
        return -1;
    }

    SilentClock clock;
};

} // namespace

TEST_F(SilentClockTest, BeforePlayNothingMoves)
{
    globalTime = 50'000;
    clock.streamPosition = 1234;
    EXPECT_EQ(clock.updatePosition(), 0);
    EXPECT_EQ(clock.streamPosition, 1234);
    globalTime = 500'000;   // far past the end: still not playing, so not the end
    clock.updatePosition();
    EXPECT_TRUE(running);
}

TEST_F(SilentClockTest, PositionCountsTheDemoClockFromPlay)
{
    // Loading took 4.321 s of the first pass; the music would start only now.
    globalTime = 4321;
    clock.play();
    EXPECT_EQ(clock.position(), 0);
    for (int64_t elapsed : {0, 1, 100, 2500, 99'999}) {
        globalTime = 4321 + elapsed;
        EXPECT_EQ(clock.updatePosition(), elapsed * NS_PER_MS);
        EXPECT_EQ(clock.position(), elapsed * NS_PER_MS);
    }
}

TEST_F(SilentClockTest, PositionHoldsBetweenPollsLikeTheMusic)
{
    clock.play();
    globalTime = 700;
    clock.updatePosition();
    globalTime = 780;
    EXPECT_EQ(clock.position(), 700 * NS_PER_MS);
}

TEST_F(SilentClockTest, SeekModeShiftsThePosition)
{
    clock.play();
    globalTime = 10'000;
    clock.updatePosition();
    seekMode = true;
    seekModePosition = 3'000'000'000;
    EXPECT_EQ(clock.position(), 13'000'000'000);
}

TEST_F(SilentClockTest, CaptureFollowsTheDemoClockLikeThePlayer)
{
    writeScreenShotMode = true;
    globalTime = 101;
    clock.play();
    for (int64_t ms : {101, 6000, 6001, 167'999}) {
        globalTime = ms;
        clock.updatePosition();
        EXPECT_EQ(clock.position(), ms * NS_PER_MS);
    }
}

TEST_F(SilentClockTest, RunEndsWhenTheMusicWouldHaveEnded)
{
    // 168 s after play, not before, whatever the loading time was.
    EXPECT_EQ(runFrom(4321, 400'000), 4321 + 168'000);
}

TEST_F(SilentClockTest, SkippingDoesNotShortenTheRun)
{
    // N skips the script, not the music: the run still lasts the music's length.
    seekMode = true;
    seekModePosition = 20'000'000'000;
    EXPECT_EQ(runFrom(250, 400'000), 250 + 168'000);
}

TEST_F(SilentClockTest, CaptureRunEndsAtTheDemoLengthOnTheDemoClock)
{
    writeScreenShotMode = true;
    globalTime = 101;
    clock.play();
    globalTime = 167'999;
    clock.updatePosition();
    EXPECT_TRUE(running);
    globalTime = 168'000;
    clock.updatePosition();
    EXPECT_FALSE(running);
}
