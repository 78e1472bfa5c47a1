// The player with a sound device: run under tools/headless, whose PulseAudio null sink
// consumes the music in real time behind ALSA's default device. Plays ./data/music.xm
// (the working directory is the build directory).
#include "timeline/velmoplayer.h"

#include "app/input.h"
#include "app/settings.h"
#include "timeline/clock.h"
#include "timeline/musicclock.h"
#include "timeline/silentclock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int64_t NS_PER_S = 1'000'000'000;
const char* const MUSIC = "./data/music.xm";

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class PlayerWithSound : public ::testing::Test {
protected:
    static void SetUpTestSuite() { gst_init(nullptr, nullptr); }

    void SetUp() override
    {
        globalTime = 0;
        seekMode = false;
        seekModePosition = 0;
        writeScreenShotMode = false;
        running = true;
    }

    void TearDown() override
    {
        clock.reset();
        running = true;
    }

    // The harness's sound device must take the music: anything else is a broken set-up.
    VelmoPlayer* startPlayer(const Stretch& stretch = {})
    {
        clock = makeMusicClock(true, MUSIC, stretch);
        auto* player = dynamic_cast<VelmoPlayer*>(clock.get());
        if (player) {
            player->play();
        }
        return player;
    }

    // Polls as the frame loop does, every 100 ms, until `done` holds or `limit` s pass.
    template <class Done>
    bool pollUntil(VelmoPlayer* player, double limit, Done done)
    {
        const Clock::time_point start = Clock::now();
        while (secondsSince(start) < limit) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            const int64_t p = player->updatePosition();
            if (done(p)) {
                return true;
            }
        }
        return false;
    }

    std::unique_ptr<MusicClock> clock;
};

} // namespace

TEST_F(PlayerWithSound, PositionAdvancesWithTheWallClock)
{
    VelmoPlayer* player = startPlayer();
    ASSERT_NE(player, nullptr) << "the harness's sound device did not take the music";
    // The sound server needs a moment before it consumes at its steady pace.
    ASSERT_TRUE(pollUntil(player, 10.0, [](int64_t p) { return p >= NS_PER_S / 2; }));

    const Clock::time_point start = Clock::now();
    const int64_t first = player->updatePosition();
    int64_t previous = first;
    while (secondsSince(start) < 2.0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const int64_t p = player->updatePosition();
        EXPECT_GE(p, previous) << "the position went back";
        EXPECT_EQ(player->streamPosition, p);
        previous = p;
    }
    const double wall = secondsSince(start);
    const double music = static_cast<double>(previous - first) / NS_PER_S;
    EXPECT_NEAR(music, wall, 0.4) << "music " << music << " s in " << wall << " s";
    EXPECT_EQ(player->position(), previous);
    EXPECT_TRUE(running);

    // The stream that reached the sound device began properly (modplug leaves this out).
    GstPad* sinkPad = gst_element_get_static_pad(player->audioSink, "sink");
    GstEvent* started = gst_pad_get_sticky_event(sinkPad, GST_EVENT_STREAM_START, 0);
    EXPECT_NE(started, nullptr);
    if (started) {
        gst_event_unref(started);
    }
    gst_object_unref(sinkPad);
}

TEST_F(PlayerWithSound, ShippedMusicLastsTheDemoLength)
{
    VelmoPlayer* player = startPlayer();
    ASSERT_NE(player, nullptr);
    ASSERT_TRUE(pollUntil(player, 5.0, [&](int64_t) { return player->duration != 0; }));
    // The silent clock stands in for this music, so both must end the run at the same time.
    EXPECT_EQ(player->duration, DEMO_LENGTH);
}

TEST_F(PlayerWithSound, RunEndsByItselfAtTheEndOfTheMusic)
{
    VelmoPlayer* player = startPlayer();
    ASSERT_NE(player, nullptr);
    ASSERT_TRUE(pollUntil(player, 10.0, [&](int64_t p) { return p > 0 && player->duration != 0; }));
    const int64_t duration = player->duration;

    player->seek(duration - 2 * NS_PER_S);
    const Clock::time_point seekTime = Clock::now();
    int64_t last = 0;
    const bool ended = pollUntil(player, 10.0, [&](int64_t p) {
        last = p;
        return !running;
    });
    const double after = secondsSince(seekTime);
    ASSERT_TRUE(ended) << "still running " << after << " s after seeking 2 s before the end";
    EXPECT_GE(after, 1.0) << "ended before the last 2 s had played";
    EXPECT_GE(last, duration - NS_PER_S) << "ended far from the end of the music";
}

// A stretch plays its own part of the music: from its first frame, and the run ends with it.
TEST_F(PlayerWithSound, StretchStartsAndEndsWhereItSays)
{
    const Stretch stretch{4000, 4050};   // 160 s to 162 s
    VelmoPlayer* player = startPlayer(stretch);
    ASSERT_NE(player, nullptr);
    int64_t first = -1, last = 0;
    const Clock::time_point start = Clock::now();
    const bool ended = pollUntil(player, 15.0, [&](int64_t p) {
        if (first < 0 && p > stretch.startNs()) first = p;
        last = p;
        return !running;
    });
    ASSERT_TRUE(ended) << "still running at " << last << " ns";
    EXPECT_LT(first, stretch.startNs() + NS_PER_S / 2) << "the music did not start at 160 s";
    EXPECT_GE(last, stretch.endNs() - NS_PER_S / 5);
    EXPECT_LT(last, stretch.endNs() + NS_PER_S / 2);
    EXPECT_GE(secondsSince(start), 1.5) << "the 2 s stretch ended early";
}

TEST_F(PlayerWithSound, UnreachableSoundServerMeansNoSoundDevice)
{
    // ALSA's default device is the harness's sound server; point it nowhere for this player.
    const char* real = std::getenv("PULSE_SERVER");
    const std::string saved = real ? real : "";
    setenv("PULSE_SERVER", "unix:/nonexistent/velmo-no-server", 1);
    testing::internal::CaptureStdout();
    clock = makeMusicClock(true, MUSIC);
    const std::string out = testing::internal::GetCapturedStdout();
    if (real) {
        setenv("PULSE_SERVER", saved.c_str(), 1);
    } else {
        unsetenv("PULSE_SERVER");
    }

    EXPECT_NE(out.find("No sound device: the demo plays silently (alsa-output: "),
              std::string::npos)
        << out;
    EXPECT_NE(dynamic_cast<SilentClock*>(clock.get()), nullptr);
}

TEST_F(PlayerWithSound, ModuleThatModplugRefusesPlaysSilently)
{
    const std::string bad = std::string(P_tmpdir) + "/velmo-bad-" + std::to_string(getpid()) + ".xm";
    std::ofstream(bad, std::ios::binary) << "Extended Module: this is not one";
    testing::internal::CaptureStdout();
    clock = makeMusicClock(true, bad);
    const std::string out = testing::internal::GetCapturedStdout();
    std::remove(bad.c_str());

    EXPECT_NE(out.find("The music " + bad + " cannot be played: the demo plays silently (modplug-parser: "),
              std::string::npos)
        << out;
    EXPECT_NE(dynamic_cast<SilentClock*>(clock.get()), nullptr);
}
