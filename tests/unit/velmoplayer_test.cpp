// The player without a sound device: the pipeline is built but never plays, which is enough
// for its structure, the script clock, polling before play, the bus and the video hand-over.
// Playing real music is covered under the harness (tests/gl/velmoplayer_play_test.cpp).
#include "timeline/velmoplayer.h"

#include "scene/keyflags.h"
#include "timeline/runflags.h"
#include "core/fatalerror.h"
#include "support/gstnosound.h"
#include "timeline/clock.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class VelmoPlayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initGstreamerWithoutSound(); }

    void SetUp() override
    {
        globalTime = 0;
        seekMode = false;
        seekModePosition = 0;
        writeScreenShotMode = false;
        running = true;
        player = std::make_unique<VelmoPlayer>("/nonexistent/music.xm", "novideo");
        dropBusMessages();   // the failed start-up's error is not what the tests are about
    }

    void TearDown() override
    {
        player.reset();
        globalTime = 0;
        seekMode = false;
        seekModePosition = 0;
        writeScreenShotMode = false;
        running = true;
    }

    void dropBusMessages()
    {
        GstBus* bus = gst_pipeline_get_bus(GST_PIPELINE(player->pipeline));
        while (GstMessage* m = gst_bus_pop(bus)) {
            gst_message_unref(m);
        }
        gst_object_unref(bus);
    }

    void post(GstMessage* message)
    {
        GstBus* bus = gst_pipeline_get_bus(GST_PIPELINE(player->pipeline));
        gst_bus_post(bus, message);
        gst_object_unref(bus);
    }

    GstElement* child(const char* name)
    {
        return gst_bin_get_by_name(GST_BIN(player->pipeline), name);
    }

    std::unique_ptr<VelmoPlayer> player;
};

// True when `from`'s src pad feeds `to`'s sink pad directly.
bool linked(GstElement* from, GstElement* to)
{
    GstPad* src = gst_element_get_static_pad(from, "src");
    GstPad* peer = gst_pad_get_peer(src);
    const bool result = peer && GST_OBJECT_PARENT(peer) == GST_OBJECT(to);
    if (peer) {
        gst_object_unref(peer);
    }
    gst_object_unref(src);
    return result;
}

std::string factoryName(GstElement* element)
{
    return GST_OBJECT_NAME(gst_element_get_factory(element));
}

} // namespace

TEST_F(VelmoPlayerTest, AudioPipelineIsFileSourceModplugConverterAlsaSink)
{
    EXPECT_STREQ(GST_OBJECT_NAME(player->pipeline), "velmo-media-player");
    const struct { const char* name; const char* factory; GstElement* field; } parts[] = {
        {"file-source", "filesrc", player->fileSource},
        {"modplug-parser", "modplug", player->parser},
        {"converter", "audioconvert", player->converter},
        {"alsa-output", "alsasink", player->audioSink},
    };
    for (const auto& part : parts) {
        GstElement* e = child(part.name);
        ASSERT_NE(e, nullptr) << part.name;
        EXPECT_EQ(e, part.field) << part.name;
        EXPECT_EQ(factoryName(e), part.factory) << part.name;
        gst_object_unref(e);
    }
    EXPECT_TRUE(linked(player->fileSource, player->parser));
    EXPECT_TRUE(linked(player->parser, player->converter));
    EXPECT_TRUE(linked(player->converter, player->audioSink));

    gchar* location = nullptr;
    g_object_get(player->fileSource, "location", &location, nullptr);
    EXPECT_STREQ(location, "/nonexistent/music.xm");
    g_free(location);

    gboolean reverb = FALSE;
    gint depth = 0;
    gint delay = 0;
    g_object_get(player->parser, "reverb", &reverb, "reverb-depth", &depth, "reverb-delay", &delay,
                 nullptr);
    EXPECT_TRUE(reverb);
    EXPECT_EQ(depth, 30);
    EXPECT_EQ(delay, 100);
}

TEST_F(VelmoPlayerTest, NoVideoLeavesTheVideoBranchOutAndNeverUploads)
{
    for (const char* name : {"source", "decoder", "vbin", "colconv", "fsink"}) {
        GstElement* e = child(name);
        EXPECT_EQ(e, nullptr) << name;
        if (e) {
            gst_object_unref(e);
        }
    }
    EXPECT_EQ(player->videoSink, nullptr);
    player->uploadTexture();   // no GL context here: it must not touch GL
    EXPECT_FALSE(player->videoInfoKnown);
    EXPECT_FALSE(player->textureCreated);
}

TEST_F(VelmoPlayerTest, ConstructorAnnouncesModplugFirst)
{
    player.reset();
    testing::internal::CaptureStdout();
    player = std::make_unique<VelmoPlayer>("/nonexistent/music.xm", "novideo");
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out,
              "Trying to create GStreamer element modplug. If this fails you propably don't have "
              "modplug and the required GStreamer plugin installed.\n");
}

TEST_F(VelmoPlayerTest, MissingElementsAreNamedAndFatal)
{
    // Hide two plug-in features from the registry, as on a machine without them.
    GstRegistry* registry = gst_registry_get();
    std::vector<GstPluginFeature*> hidden;
    for (const char* name : {"modplug", "alsasink"}) {
        GstPluginFeature* feature = gst_registry_lookup_feature(registry, name);
        ASSERT_NE(feature, nullptr) << name;
        gst_registry_remove_feature(registry, feature);
        hidden.push_back(feature);
    }
    testing::internal::CaptureStdout();
    std::string error;
    try {
        VelmoPlayer broken("/nonexistent/music.xm", "novideo");
    } catch (const FatalError& e) {
        error = e.what();
    }
    const std::string out = testing::internal::GetCapturedStdout();
    for (GstPluginFeature* feature : hidden) {
        gst_registry_add_feature(registry, feature);
    }

    EXPECT_EQ(error, "One or more gstreamerD elements could not be created.");
    const std::string line = "One or more element could not be created : no parser. : no sink.";
    ASSERT_GE(out.size(), line.size());
    EXPECT_EQ(out.substr(out.size() - line.size()), line);   // and no line end
}

TEST_F(VelmoPlayerTest, WithoutSoundDeviceThePipelineNeverPausesAndBlamesTheSink)
{
    player.reset();
    player = std::make_unique<VelmoPlayer>("/nonexistent/music.xm", "novideo");
    const VelmoPlayer::Preroll preroll = player->waitForPaused(5 * GST_SECOND);
    EXPECT_FALSE(preroll.paused);
    EXPECT_TRUE(preroll.soundDevice);
    EXPECT_EQ(preroll.reason.rfind("alsa-output: ", 0), 0u) << preroll.reason;
}

TEST_F(VelmoPlayerTest, UpdatePositionBeforePlayChangesNothing)
{
    player->streamPosition = 7'000'000'000;
    player->duration = 0;
    post(gst_message_new_eos(GST_OBJECT(player->pipeline)));
    EXPECT_EQ(player->updatePosition(), 0);
    EXPECT_EQ(player->streamPosition, 7'000'000'000);
    EXPECT_EQ(player->duration, 0);
    EXPECT_TRUE(running);

    player->duration = 150'000'000'000;
    EXPECT_EQ(player->updatePosition(), 0);
    EXPECT_EQ(player->duration, 150'000'000'000);
    EXPECT_TRUE(running);
}

TEST_F(VelmoPlayerTest, PositionFollowsTheStreamOutsideCaptureAndSeekMode)
{
    globalTime = 123'456;
    player->position(42'000'000'000);
    EXPECT_EQ(player->streamPosition, 42'000'000'000);
    EXPECT_EQ(player->position(), 42'000'000'000);
}

TEST_F(VelmoPlayerTest, CapturePositionIsExactlyTheDemoClockInNanoseconds)
{
    writeScreenShotMode = true;
    player->position(99);   // ignored: capture follows the demo clock, not the music
    for (int64_t ms = 0; ms <= 200'000; ++ms) {
        globalTime = ms;
        const int64_t expected = ms * 1000 * 1000;
        ASSERT_EQ(player->position(), expected) << "globalTime " << ms;
    }
    globalTime = 6000;
    EXPECT_EQ(player->position(), 6'000'000'000);
    globalTime = 6001;
    EXPECT_EQ(player->position(), 6'001'000'000);
}

TEST_F(VelmoPlayerTest, SeekModeShiftsTheStreamEvenInCaptureMode)
{
    seekMode = true;
    seekModePosition = 3'000'000'000;
    player->position(10'000'000'000);
    globalTime = 55'000;
    EXPECT_EQ(player->position(), 13'000'000'000);
    writeScreenShotMode = true;
    EXPECT_EQ(player->position(), 13'000'000'000);
}

TEST_F(VelmoPlayerTest, BusCallEndsTheRunOnEndOfStreamAndErrorOnly)
{
    GstMessage* other = gst_message_new_application(GST_OBJECT(player->pipeline),
                                                    gst_structure_new_empty("velmo-test"));
    EXPECT_TRUE(player->busCall(other));
    EXPECT_TRUE(running);
    gst_message_unref(other);

    GstMessage* eos = gst_message_new_eos(GST_OBJECT(player->pipeline));
    EXPECT_TRUE(player->busCall(eos));
    EXPECT_FALSE(running);
    gst_message_unref(eos);

    running = true;
    GError* error = g_error_new_literal(GST_STREAM_ERROR, GST_STREAM_ERROR_DECODE, "broken");
    GstMessage* failure = gst_message_new_error(GST_OBJECT(player->parser), error, "details");
    g_error_free(error);
    EXPECT_TRUE(player->busCall(failure));
    EXPECT_FALSE(running);
    gst_message_unref(failure);
}

TEST_F(VelmoPlayerTest, PollingHandsEndOfStreamToTheBusCall)
{
    player->playing = true;   // as after play(); the pipeline itself cannot play here
    player->updatePosition();
    EXPECT_TRUE(running);

    post(gst_message_new_eos(GST_OBJECT(player->pipeline)));
    player->updatePosition();
    EXPECT_FALSE(running);
}

TEST_F(VelmoPlayerTest, CapturePollingIgnoresTheEndOfTheMusic)
{
    // The captured frames, not the music playing in real time beside them, end a capture.
    writeScreenShotMode = true;
    player->playing = true;
    post(gst_message_new_eos(GST_OBJECT(player->pipeline)));
    player->updatePosition();
    EXPECT_TRUE(running);
    writeScreenShotMode = false;
    player->updatePosition();   // the end of stream was consumed, not kept for later
    EXPECT_TRUE(running);
}

TEST_F(VelmoPlayerTest, PollingWithUnknownDurationNeverEndsTheRun)
{
    player->playing = true;
    writeScreenShotMode = true;
    globalTime = 10'000'000;
    EXPECT_EQ(player->updatePosition(), 0);
    EXPECT_EQ(player->duration, 0);
    EXPECT_TRUE(running);
}

TEST_F(VelmoPlayerTest, CapturePollingEndsTheRunWhenTheDemoClockReachesTheDuration)
{
    player->playing = true;
    writeScreenShotMode = true;
    player->duration = 150'000'000'000;
    globalTime = 149'999;
    player->updatePosition();
    EXPECT_TRUE(running);
    globalTime = 150'000;
    player->updatePosition();
    EXPECT_FALSE(running);
}

TEST(EndDetection, StreamReachingTheDurationEndsTheMusic)
{
    writeScreenShotMode = false;
    seekMode = false;
    const int64_t length = 150'000'000'000;
    EXPECT_FALSE(reachedEnd(length - 1, length));
    EXPECT_TRUE(reachedEnd(length, length));
    EXPECT_TRUE(reachedEnd(length + 5'000'000, length));
    EXPECT_FALSE(reachedEnd(length, 0));   // unknown duration: never
    EXPECT_FALSE(reachedEnd(1'000'000'000'000, 0));
}

TEST(EndDetection, SeekModeDoesNotEndTheStreamEarlyOutsideCapture)
{
    writeScreenShotMode = false;
    seekMode = true;
    seekModePosition = 10'000'000'000;
    EXPECT_FALSE(reachedEnd(145'000'000'000, 150'000'000'000));
    seekMode = false;
    seekModePosition = 0;
}

TEST(EndDetection, CaptureModeAsksTheScriptClock)
{
    writeScreenShotMode = true;
    globalTime = 100'000;
    EXPECT_FALSE(reachedEnd(200'000'000'000, 150'000'000'000));   // music ran ahead
    globalTime = 150'000;
    EXPECT_TRUE(reachedEnd(0, 150'000'000'000));                  // music lagged behind
    globalTime = 147'000;
    seekMode = true;
    seekModePosition = 2'000'000'000;
    EXPECT_FALSE(reachedEnd(0, 150'000'000'000));   // stream 0 + 2 s skip
    EXPECT_TRUE(reachedEnd(148'000'000'000, 150'000'000'000));
    writeScreenShotMode = false;
    seekMode = false;
    seekModePosition = 0;
    globalTime = 0;
}

namespace {

class VideoBranchTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initGstreamerWithoutSound(); }

    void SetUp() override
    {
        player = std::make_unique<VelmoPlayer>("/nonexistent/music.xm", "/nonexistent/clip.y4m");
    }

    void TearDown() override
    {
        for (GstPad* pad : pads) {
            gst_object_unref(pad);
        }
        player.reset();
    }

    // A pad as the video sink's would be after negotiating `caps` (taken).
    GstPad* negotiatedPad(GstCaps* caps)
    {
        GstPad* pad = gst_pad_new(nullptr, GST_PAD_SINK);
        gst_pad_set_active(pad, TRUE);
        gst_pad_store_sticky_event(pad, gst_event_new_stream_start("video"));
        gst_pad_store_sticky_event(pad, gst_event_new_caps(caps));
        gst_caps_unref(caps);
        pads.push_back(pad);
        return pad;
    }

    GstPad* rgbaPad()
    {
        return negotiatedPad(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "RGBA",
                                                 "width", G_TYPE_INT, 64, "height", G_TYPE_INT, 48,
                                                 "framerate", GST_TYPE_FRACTION, 30000, 1001,
                                                 "pixel-aspect-ratio", GST_TYPE_FRACTION, 4, 3,
                                                 nullptr));
    }

    std::unique_ptr<VelmoPlayer> player;
    std::vector<GstPad*> pads;
};

int refs(GstBuffer* buffer)
{
    return GST_MINI_OBJECT_REFCOUNT_VALUE(buffer);
}

} // namespace

TEST_F(VideoBranchTest, DecoderFeedsAnRgbaOnlyFakeSinkInItsOwnBin)
{
    gchar* location = nullptr;
    g_object_get(player->videoSource, "location", &location, nullptr);
    EXPECT_STREQ(location, "/nonexistent/clip.y4m");
    g_free(location);
    EXPECT_STREQ(GST_OBJECT_NAME(player->videoSource), "source");
    EXPECT_STREQ(GST_OBJECT_NAME(player->decoder), "decoder");
    EXPECT_EQ(factoryName(player->decoder), "decodebin");
    EXPECT_TRUE(linked(player->videoSource, player->decoder));

    EXPECT_STREQ(GST_OBJECT_NAME(player->videoBin), "vbin");
    EXPECT_EQ(GST_OBJECT_PARENT(player->videoBin), GST_OBJECT(player->pipeline));
    EXPECT_EQ(GST_OBJECT_PARENT(player->colorConverter), GST_OBJECT(player->videoBin));
    EXPECT_EQ(GST_OBJECT_PARENT(player->videoSink), GST_OBJECT(player->videoBin));
    EXPECT_STREQ(GST_OBJECT_NAME(player->colorConverter), "colconv");
    EXPECT_EQ(factoryName(player->colorConverter), "videoconvert");
    EXPECT_STREQ(GST_OBJECT_NAME(player->videoSink), "fsink");
    EXPECT_EQ(factoryName(player->videoSink), "fakesink");

    gboolean sync = FALSE;
    gboolean handoffs = FALSE;
    g_object_get(player->videoSink, "sync", &sync, "signal-handoffs", &handoffs, nullptr);
    EXPECT_TRUE(sync);
    EXPECT_TRUE(handoffs);

    GstPad* ghost = gst_element_get_static_pad(player->videoBin, "sink");
    ASSERT_NE(ghost, nullptr);
    GstPad* target = gst_ghost_pad_get_target(GST_GHOST_PAD(ghost));
    GstPad* converterSink = gst_element_get_static_pad(player->colorConverter, "sink");
    EXPECT_EQ(target, converterSink);
    gst_object_unref(converterSink);
    gst_object_unref(target);
    gst_object_unref(ghost);

    GstPad* converterSrc = gst_element_get_static_pad(player->colorConverter, "src");
    GstCaps* allowed = gst_pad_get_allowed_caps(converterSrc);
    ASSERT_NE(allowed, nullptr);
    ASSERT_GT(gst_caps_get_size(allowed), 0u);
    for (guint i = 0; i < gst_caps_get_size(allowed); ++i) {
        EXPECT_STREQ(gst_structure_get_string(gst_caps_get_structure(allowed, i), "format"), "RGBA");
    }
    gst_caps_unref(allowed);
    gst_object_unref(converterSrc);
}

TEST_F(VideoBranchTest, FirstBufferOnlyReadsTheFormatLaterOnesAreKept)
{
    GstPad* pad = rgbaPad();
    GstBuffer* first = gst_buffer_new_allocate(nullptr, 64 * 48 * 4, nullptr);
    GstBuffer* second = gst_buffer_new_allocate(nullptr, 64 * 48 * 4, nullptr);
    GstBuffer* third = gst_buffer_new_allocate(nullptr, 64 * 48 * 4, nullptr);

    player->handOffHandler(player->videoSink, first, pad);
    EXPECT_TRUE(player->videoInfoKnown);
    EXPECT_EQ(player->videoWidth, 64);
    EXPECT_EQ(player->videoHeight, 48);
    EXPECT_DOUBLE_EQ(player->videoFps, 30000.0 / 1001.0);
    EXPECT_DOUBLE_EQ(player->videoAspectRatio, 16.0 / 9.0);   // 4:3 pixels on a 4:3 grid
    EXPECT_EQ(player->lastBuffer, nullptr);
    EXPECT_EQ(refs(first), 1);

    player->handOffHandler(player->videoSink, second, pad);
    EXPECT_EQ(player->lastBuffer, second);
    EXPECT_EQ(refs(second), 2);   // the sink drops its own when the handler returns

    player->handOffHandler(player->videoSink, third, pad);
    EXPECT_EQ(player->lastBuffer, third);
    EXPECT_EQ(refs(second), 1);

    for (GstBuffer* b : {first, second, third}) {
        gst_buffer_unref(b);
    }
}

TEST_F(VideoBranchTest, PadQueriesReadTheNegotiatedCaps)
{
    GstPad* square = negotiatedPad(gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT, 720,
                                                       "height", G_TYPE_INT, 576, "framerate",
                                                       GST_TYPE_FRACTION, 25, 1, nullptr));
    EXPECT_EQ(player->getPadWidth(square), 720);
    EXPECT_EQ(player->getPadHeight(square), 576);
    EXPECT_DOUBLE_EQ(player->getPadFps(square), 25.0);
    EXPECT_DOUBLE_EQ(player->getPadAspectRatio(square), 1.25);   // no pixel aspect: w / h

    GstPad* wide = negotiatedPad(gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT, 720,
                                                     "height", G_TYPE_INT, 576,
                                                     "pixel-aspect-ratio", GST_TYPE_FRACTION, 64,
                                                     45, nullptr));
    EXPECT_DOUBLE_EQ(player->getPadAspectRatio(wide), 16.0 / 9.0);
    EXPECT_DOUBLE_EQ(player->getPadFps(wide), 0.0);   // no frame rate given
}

TEST_F(VideoBranchTest, PadQueriesWithoutCapsSayWhichFailed)
{
    GstPad* bare = gst_pad_new(nullptr, GST_PAD_SINK);
    pads.push_back(bare);
    testing::internal::CaptureStdout();
    EXPECT_EQ(player->getPadWidth(bare), 0);
    EXPECT_EQ(player->getPadHeight(bare), 0);
    EXPECT_EQ(player->getPadFps(bare), 0.0);
    EXPECT_EQ(player->getPadAspectRatio(bare), 0.0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "getPadWidth failed.\ngetPadHeight failed.\ngetPadFps failed.\n"
              "getPadAspectRatio failed.\n");
}
