// Choosing the run's clock, in a process without a sound device. The choice with a working
// device is covered under the harness (tests/gl/velmoplayer_play_test.cpp).
#include "timeline/musicclock.h"

#include "timeline/runflags.h"
#include "core/fatalerror.h"
#include "support/gstnosound.h"
#include "timeline/clock.h"
#include "timeline/silentclock.h"
#include "timeline/velmoplayer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

class MusicClockChoice : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initGstreamerWithoutSound(); }

    void SetUp() override
    {
        running = true;
        globalTime = 0;
        module = std::string(P_tmpdir) + "/velmo-musicclock-test-"
                 + std::to_string(getpid()) + ".xm";
        std::ofstream(module, std::ios::binary) << "Extended Module: not really";
    }

    void TearDown() override
    {
        std::remove(module.c_str());
        running = true;
        globalTime = 0;
    }

    std::string module;
};

} // namespace

TEST_F(MusicClockChoice, GstreamerOffGivesTheSilentClockWithoutTouchingTheFile)
{
    testing::internal::CaptureStdout();
    auto clock = makeMusicClock(false, "/nonexistent/music.xm");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_NE(dynamic_cast<SilentClock*>(clock.get()), nullptr);
}

TEST_F(MusicClockChoice, MissingMusicIsFatalAndNamesTheFile)
{
    testing::internal::CaptureStdout();
    try {
        makeMusicClock(true, "/nonexistent/music.xm");
        ADD_FAILURE() << "no error for a missing music file";
    } catch (const FatalError& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent/music.xm"), std::string::npos)
            << e.what();
    }
    // Checked before anything is built.
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(MusicClockChoice, DirectoryOrEmptyFileIsNoMusic)
{
    EXPECT_THROW(makeMusicClock(true, P_tmpdir), FatalError);
    std::ofstream(module, std::ios::trunc);
    EXPECT_THROW(makeMusicClock(true, module), FatalError);
}

TEST_F(MusicClockChoice, NoSoundDeviceSaysSoAndPlaysSilently)
{
    testing::internal::CaptureStdout();
    auto clock = makeMusicClock(true, module);
    const std::string out = testing::internal::GetCapturedStdout();

    const std::string line = "No sound device: the demo plays silently (alsa-output: ";
    EXPECT_NE(out.find(line), std::string::npos) << out;
    EXPECT_EQ(out.substr(out.size() - 3), ").\n") << out;
    ASSERT_NE(dynamic_cast<SilentClock*>(clock.get()), nullptr);

    // The silent clock runs the demo to its end.
    globalTime = 200;
    clock->play();
    globalTime += DEMO_LENGTH / 1'000'000 - 100;
    clock->updatePosition();
    EXPECT_TRUE(running);
    globalTime += 100;
    clock->updatePosition();
    EXPECT_FALSE(running);
}
