// The music the build composes into ./data, decoded as the player and the video writer decode it
// (modplug with configureModplug's settings) and measured as released music is: EBU R128
// integrated loudness and true peak (ffmpeg's ebur128), and no sample at full scale (volumedetect).
#include "timeline/modplug.h"

#include <gtest/gtest.h>

#include <gst/gst.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <locale>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

const char* const MUSIC = "./data/music.xm";

// Decodes the music to a WAV file; returns the error, empty on success.
std::string decode(const fs::path& wav)
{
    const std::string description = std::string("filesrc location=") + MUSIC +
                                    " ! modplug name=decoder ! audioconvert ! wavenc ! filesink location=\"" +
                                    wav.string() + "\"";
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    if (error) {
        const std::string message = error->message;
        g_error_free(error);
        if (pipeline) gst_object_unref(pipeline);
        return message;
    }
    GstElement* decoder = gst_bin_get_by_name(GST_BIN(pipeline), "decoder");
    configureModplug(decoder);
    gst_object_unref(decoder);

    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* end = gst_bus_timed_pop_filtered(bus, 120 * GST_SECOND,
                                                 GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    std::string result;
    if (!end) {
        result = "no end of stream within 120 s";
    } else if (GST_MESSAGE_TYPE(end) == GST_MESSAGE_ERROR) {
        gst_message_parse_error(end, &error, nullptr);
        result = error->message;
        g_error_free(error);
    }
    if (end) gst_message_unref(end);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return result;
}

std::string run(const std::string& command)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0) out.append(chunk, n);
    pclose(pipe);
    return out;
}

// The number after the first `label` that follows `after` in ffmpeg's log; NaN when absent.
double numberAfter(const std::string& log, const std::string& after, const std::string& label)
{
    const size_t from = log.find(after);
    const size_t at = from == std::string::npos ? from : log.find(label, from);
    if (at == std::string::npos) return std::nan("");
    std::istringstream in(log.substr(at + label.size()));
    in.imbue(std::locale::classic());
    double value;
    return in >> value ? value : std::nan("");
}

}  // namespace

TEST(MusicLoudness, DecodedAsPlayedItSitsAtMinus16LufsWithHeadroomAndNoClipping)
{
    gst_init(nullptr, nullptr);
    ASSERT_TRUE(fs::exists(MUSIC)) << MUSIC << " missing (run from the build directory)";
    const fs::path wav = fs::temp_directory_path() / ("velmo_music_" + std::to_string(::getpid()) + ".wav");
    const std::string error = decode(wav);
    ASSERT_EQ(error, "") << "decoding " << MUSIC;

    const std::string log = run("ffmpeg -hide_banner -nostats -i '" + wav.string() +
                                "' -af ebur128=peak=true:framelog=verbose,volumedetect -f null - 2>&1");
    fs::remove(wav);
    const double integrated = numberAfter(log, "Summary:", "I:");
    const double truePeak = numberAfter(log, "True peak:", "Peak:");
    const double maxVolume = numberAfter(log, "max_volume:", "max_volume:");
    ASSERT_FALSE(std::isnan(integrated) || std::isnan(truePeak) || std::isnan(maxVolume)) << log;

    EXPECT_NEAR(integrated, -16.0, 1.0) << "integrated loudness in LUFS";
    EXPECT_LE(truePeak, -1.0) << "true peak in dBTP";
    EXPECT_LT(maxVolume, 0.0) << "samples at full scale: the decode clips";
    std::cout << "music: " << integrated << " LUFS, true peak " << truePeak << " dBTP, sample peak "
              << maxVolume << " dBFS\n";
}
