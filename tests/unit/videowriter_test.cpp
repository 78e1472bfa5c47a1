// The video writer against real GStreamer: the choice of container, short renders checked
// with ffprobe and ffmpeg, and the failures (full disk, no directory, early stop).
#include "app/videowriter.h"
#include "app/interrupt.h"
#include "core/fatalerror.h"

#include <gmock/gmock.h>
#include <gst/base/gstbasesink.h>
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <thread>
#include <sstream>

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const char* const MUSIC = "./data/music.xm";

std::string message(const std::function<void()>& action)
{
    try {
        action();
    } catch (const FatalError& e) {
        return e.what();
    }
    return "";
}

// ---- Choosing the container ---------------------------------------------------------------

const std::set<std::string> EVERYTHING{
    "appsrc",   "videoconvert", "videoflip", "capsfilter", "queue",     "filesrc",
    "modplug",  "audioconvert", "audioresample", "filesink", "matroskamux", "webmmux",
    "mp4mux",   "h264parse",    "vp9enc",    "x264enc",    "opusenc",   "avenc_aac"};

VideoWriter::Installed without(std::set<std::string> missing)
{
    return [missing](const std::string& e) { return EVERYTHING.count(e) && !missing.count(e); };
}

TEST(VideoFormatTest, ContainerFollowsTheExtensionInAnyCase)
{
    const auto all = without({});
    const VideoFormat mkv = VideoWriter::chooseFormat("out/demo.mkv", all);
    EXPECT_EQ(mkv.muxer, "matroskamux");
    EXPECT_EQ(mkv.videoEncoder, "vp9enc");
    EXPECT_EQ(mkv.videoParser, "");
    EXPECT_EQ(mkv.audioEncoder, "opusenc");
    EXPECT_EQ(VideoWriter::chooseFormat("demo.WebM", all).muxer, "webmmux");
    const VideoFormat mp4 = VideoWriter::chooseFormat("demo.MP4", all);
    EXPECT_EQ(mp4.muxer, "mp4mux");
    EXPECT_EQ(mp4.videoEncoder, "x264enc");
    EXPECT_EQ(mp4.videoCaps, "video/x-h264,profile=high");
    EXPECT_EQ(mp4.videoParser, "h264parse");
    EXPECT_EQ(mp4.audioEncoder, "avenc_aac");
}

TEST(VideoFormatTest, Mp4WithoutItsElementsIsRefusedListingWhatWorks)
{
    for (const char* missing : {"x264enc", "avenc_aac", "h264parse", "mp4mux"}) {
        const std::string text =
            message([&] { VideoWriter::chooseFormat("demo.mp4", without({missing})); });
        EXPECT_THAT(text, HasSubstr("demo.mp4")) << missing;
        EXPECT_THAT(text, HasSubstr("mp4mux, x264enc, avenc_aac and h264parse")) << missing;
        EXPECT_THAT(text, HasSubstr("Supported here: .mkv (VP9, Opus), .webm (VP9, Opus).")) << missing;
    }
}

TEST(VideoFormatTest, UnknownOrMissingExtensionIsRefusedListingWhatWorks)
{
    const std::string all = "Supported here: .mkv (VP9, Opus), .webm (VP9, Opus), .mp4 (H.264, AAC).";
    for (const char* name : {"demo.avi", "demo", "demo.", "demo.mkv/video", ".mkv"}) {
        const std::string text = message([&] { VideoWriter::chooseFormat(name, without({})); });
        EXPECT_THAT(text, HasSubstr(name)) << name;
        EXPECT_THAT(text, HasSubstr(all)) << name;
    }
    EXPECT_THAT(message([] { VideoWriter::chooseFormat("demo.avi", without({"opusenc"})); }),
                HasSubstr("Supported here: .mp4 (H.264, AAC)."));
}

TEST(VideoFormatTest, MissingMusicDecoderOrEncodersRefuseEveryName)
{
    EXPECT_THAT(message([] { VideoWriter::chooseFormat("demo.mkv", without({"modplug"})); }),
                HasSubstr("modplug"));
    const auto onlyCommon = without({"vp9enc", "x264enc"});
    EXPECT_THAT(message([&] { VideoWriter::chooseFormat("demo.mkv", onlyCommon); }),
                HasSubstr("Supported here: none."));
}

class VideoWriterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { gst_init(nullptr, nullptr); }

    void SetUp() override
    {
        char pattern[] = "/tmp/videowriter-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    // The names in dir, sorted.
    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    using Names = std::vector<std::string>;

    fs::path dir;
};

bool registryHas(const char* element)
{
    GstElementFactory* f = gst_element_factory_find(element);
    if (f) gst_object_unref(f);
    return f != nullptr;
}

TEST_F(VideoWriterTest, FileNamesCheckedAgainstTheInstalledElements)
{
    EXPECT_NO_THROW(VideoWriter::checkFileName("demo.mkv"));
    EXPECT_NO_THROW(VideoWriter::checkFileName("demo.webm"));
    EXPECT_THROW(VideoWriter::checkFileName("demo.avi"), FatalError);
    EXPECT_THROW(VideoWriter::checkFileName("demo"), FatalError);
    const bool mp4 = registryHas("mp4mux") && registryHas("h264parse") && registryHas("x264enc")
                     && registryHas("avenc_aac");
    const std::string text = message([] { VideoWriter::checkFileName("demo.mp4"); });
    if (mp4) {
        EXPECT_EQ(text, "");
    } else {
        EXPECT_THAT(text, HasSubstr("Supported here: .mkv"));
    }
}

// ---- Short renders ------------------------------------------------------------------------

struct Rgb {
    int r, g, b;
};

// Frame i: the upper half of the picture (the rows handed over last) red with a green that
// counts the frames, the lower half a fixed blue.
Rgb topColour(int i) { return {220, 20 + 4 * i, 40}; }
const Rgb BOTTOM{40, 100, 200};

std::vector<uint8_t> twoColourFrame(uint32_t w, uint32_t h, int i)
{
    std::vector<uint8_t> frame(size_t(w) * h * 3);
    for (uint32_t y = 0; y < h; ++y) {
        const Rgb c = y >= h / 2 ? topColour(i) : BOTTOM;   // y counts up from the bottom row
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* p = &frame[(size_t(y) * w + x) * 3];
            p[0] = uint8_t(c.r);
            p[1] = uint8_t(c.g);
            p[2] = uint8_t(c.b);
        }
    }
    return frame;
}

std::string run(const std::string& command)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0) out.append(chunk, n);
    pclose(pipe);
    return out;
}

std::string quoted(const fs::path& p) { return "'" + p.string() + "'"; }

// Decoded frame n, top row first.
std::string decodeFrame(const fs::path& file, int n)
{
    return run("ffmpeg -v error -i " + quoted(file) + " -vf 'select=eq(n\\," + std::to_string(n)
               + ")' -frames:v 1 -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
}

// Mean colour of the w/4 × h/4 block centred at (cx, cy) of a top-down RGB picture.
Rgb meanColour(const std::string& picture, uint32_t w, uint32_t h, uint32_t cx, uint32_t cy)
{
    long sum[3] = {0, 0, 0}, count = 0;
    for (uint32_t y = cy - h / 8; y < cy + h / 8; ++y) {
        for (uint32_t x = cx - w / 8; x < cx + w / 8; ++x) {
            for (int c = 0; c < 3; ++c) sum[c] += uint8_t(picture[(size_t(y) * w + x) * 3 + c]);
            ++count;
        }
    }
    return {int(sum[0] / count), int(sum[1] / count), int(sum[2] / count)};
}

void expectNear(Rgb got, Rgb want, const std::string& where)
{
    constexpr int LOSSY = 10;
    EXPECT_NEAR(got.r, want.r, LOSSY) << where;
    EXPECT_NEAR(got.g, want.g, LOSSY) << where;
    EXPECT_NEAR(got.b, want.b, LOSSY) << where;
}

// The picture's four quarters: a sheared or flipped frame puts a wrong colour in one.
void expectTwoColourFrame(const fs::path& file, uint32_t w, uint32_t h, int n)
{
    const std::string picture = decodeFrame(file, n);
    ASSERT_EQ(picture.size(), size_t(w) * h * 3) << "frame " << n << " not decoded";
    for (uint32_t cx : {w / 4, 3 * w / 4}) {
        expectNear(meanColour(picture, w, h, cx, h / 4), topColour(n), "top, frame " + std::to_string(n));
        expectNear(meanColour(picture, w, h, cx, 3 * h / 4), BOTTOM, "bottom, frame " + std::to_string(n));
    }
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// Seconds of sound in the file: its decoded samples over its rate.
double audioSeconds(const fs::path& file)
{
    const double rate = std::atof(run("ffprobe -v error -select_streams a -show_entries "
                                      "stream=sample_rate -of csv=p=0 " + quoted(file)).c_str());
    const double bytes = std::atof(run("ffmpeg -v error -i " + quoted(file)
                                       + " -map 0:a -f s16le -ac 1 - 2>/dev/null | wc -c").c_str());
    return rate > 0 ? bytes / 2 / rate : 0.0;
}

void renderFrames(const fs::path& file, uint32_t w, uint32_t h, int frames, int64_t lengthNs)
{
    VideoWriter writer(file.string(), MUSIC, w, h, lengthNs);
    for (int i = 0; i < frames; ++i) writer.addFrame(twoColourFrame(w, h, i));
    writer.finish();
}

// Renders two-colour frames; returns what the writer printed.
std::string render(const fs::path& file, uint32_t w, uint32_t h, int frames, int64_t lengthNs)
{
    ::testing::internal::CaptureStdout();
    try {
        renderFrames(file, w, h, frames, lengthNs);
    } catch (...) {
        ::testing::internal::GetCapturedStdout();
        throw;
    }
    return ::testing::internal::GetCapturedStdout();
}

const std::string PROGRESS = "(\\d+)%, (\\d+) s of (\\d+) s, [0-9]+\\.[0-9]{2}x real time, \\d+:[0-5][0-9] left";

TEST_F(VideoWriterTest, TwoSecondsAreOneVideoAndOneSoundStreamInStep)
{
    const fs::path file = dir / "short.mkv";
    constexpr int FRAMES = 50;
    const std::string printed = render(file, 800, 340, FRAMES, 2'000'000'000);

    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(files(), Names{"short.mkv"});
    // Made exclusively, yet with a new file's permissions.
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(int(fs::status(file).permissions() & fs::perms::all), int(0666 & ~mask));
    EXPECT_EQ(run("ffprobe -v error -show_entries stream=codec_type,codec_name,sample_rate,channels "
                  "-of csv=p=0 " + quoted(file)),
              "vp9,video\nopus,audio,48000,2\n");
    EXPECT_EQ(run("ffprobe -v error -select_streams v -count_frames -show_entries "
                  "stream=r_frame_rate,nb_read_frames,width,height -of csv=p=0 " + quoted(file)),
              "800,340,25/1," + std::to_string(FRAMES) + "\n");
    // The sound ends within one frame of the picture, which ends at 50 × 40 ms.
    EXPECT_NEAR(audioSeconds(file), FRAMES * 0.04, 0.04);

    expectTwoColourFrame(file, 800, 340, 0);
    expectTwoColourFrame(file, 800, 340, 37);

    // Not a terminal: a line at each tenth of the length, then the summary.
    const std::vector<std::string> progress = lines(printed);
    ASSERT_EQ(progress.size(), 11u) << printed;
    const std::regex line("Rendering " + file.string() + ": " + PROGRESS);
    for (int tenth = 1; tenth <= 10; ++tenth) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(progress[tenth - 1], m, line)) << progress[tenth - 1];
        EXPECT_EQ(std::stoi(m[1]), tenth * 10);
        EXPECT_EQ(std::stoi(m[2]), tenth / 5);
        EXPECT_EQ(std::stoi(m[3]), 2);
    }
    EXPECT_THAT(progress[10], HasSubstr("Wrote " + file.string() + ": 50 frames"));
}

TEST_F(VideoWriterTest, OnATerminalTheProgressIsOneLineRedrawnInPlace)
{
    int terminal = -1, writerSide = -1;
    ASSERT_EQ(openpty(&terminal, &writerSide, nullptr, nullptr, nullptr), 0);
    termios raw{};
    tcgetattr(writerSide, &raw);
    cfmakeraw(&raw);   // bytes as written: no \r added before \n
    tcsetattr(writerSide, TCSANOW, &raw);
    std::fflush(stdout);
    const int savedStdout = dup(STDOUT_FILENO);
    dup2(writerSide, STDOUT_FILENO);
    const fs::path file = dir / "tty.webm";
    std::string error;
    try {
        renderFrames(file, 320, 136, 50, 2'000'000'000);
    } catch (const FatalError& e) {
        error = e.what();
    }
    std::fflush(stdout);
    dup2(savedStdout, STDOUT_FILENO);
    close(savedStdout);
    close(writerSide);
    std::string shown;
    char chunk[4096];
    for (ssize_t n; (n = read(terminal, chunk, sizeof chunk)) > 0;) shown.append(chunk, size_t(n));
    close(terminal);
    ASSERT_EQ(error, "");

    // Each second of video redraws the line; the summary starts on a line of its own.
    const std::string redraw = "\\rRendering " + file.string() + ": " + PROGRESS + "\\x1b\\[K";
    const std::regex screen(redraw + redraw + "\\nWrote " + file.string() + ": 50 frames[^\\n]*\\n");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(shown, m, screen)) << shown;
    EXPECT_EQ(m[1], "50");
    EXPECT_EQ(m[4], "100");
}

TEST_F(VideoWriterTest, SoundIsCutWhereAnEarlyStoppedVideoEnds)
{
    const fs::path file = dir / "stopped.webm";
    render(file, 320, 136, 25, 10'000'000'000);
    EXPECT_NEAR(audioSeconds(file), 1.0, 0.04);
}

TEST_F(VideoWriterTest, RowsOfAnyWidthAreReadPackedAndUpright)
{
    // 402 × 3 bytes a row is not a multiple of 4: GStreamer's default row alignment would shear it.
    const fs::path file = dir / "odd.mkv";
    render(file, 402, 100, 10, 400'000'000);
    expectTwoColourFrame(file, 402, 100, 6);
}

// The top-level boxes of an MP4 file, in order.
std::vector<std::string> mp4Boxes(const fs::path& file)
{
    std::vector<std::string> boxes;
    std::ifstream in(file, std::ios::binary);
    unsigned char header[16];
    while (in.read(reinterpret_cast<char*>(header), 8)) {
        uint64_t size = 0;
        for (int i = 0; i < 4; ++i) size = size << 8 | header[i];
        boxes.emplace_back(reinterpret_cast<char*>(header + 4), 4);
        if (size == 1) {   // 64-bit size after the type
            if (!in.read(reinterpret_cast<char*>(header + 8), 8)) break;
            size = 0;
            for (int i = 8; i < 16; ++i) size = size << 8 | header[i];
            in.seekg(std::streamoff(size) - 16, std::ios::cur);
        } else if (size >= 8) {
            in.seekg(std::streamoff(size) - 8, std::ios::cur);
        } else {
            break;
        }
    }
    return boxes;
}

TEST_F(VideoWriterTest, Mp4IsReadyForUpload)
{
    if (message([] { VideoWriter::checkFileName("x.mp4"); }) != "") GTEST_SKIP() << "no H.264/AAC here";
    const fs::path file = dir / "short.mp4";
    render(file, 320, 136, 50, 2'000'000'000);
    EXPECT_EQ(files(), Names{"short.mp4"});
    EXPECT_EQ(run("ffprobe -v error -select_streams v -show_entries "
                  "stream=codec_name,profile,has_b_frames,pix_fmt,field_order -of csv=p=0 " + quoted(file)),
              "h264,High,2,yuv420p,progressive\n");
    EXPECT_EQ(run("ffprobe -v error -select_streams a -show_entries "
                  "stream=codec_name,profile,sample_rate,channels -of csv=p=0 " + quoted(file)),
              "aac,LC,48000,2\n");
    // The index before the data.
    const std::vector<std::string> boxes = mp4Boxes(file);
    const auto moov = std::find(boxes.begin(), boxes.end(), "moov");
    const auto mdat = std::find(boxes.begin(), boxes.end(), "mdat");
    EXPECT_TRUE(moov < mdat && mdat != boxes.end()) << ::testing::PrintToString(boxes);
    // GOPs of half a second, two B-frames between the references.
    std::string types;
    for (const std::string& t : lines(run("ffprobe -v error -select_streams v -show_entries frame=pict_type "
                                          "-of csv=p=0 " + quoted(file))))
        types += t.substr(0, 1);
    ASSERT_EQ(types.size(), 50u) << types;
    ASSERT_EQ(types[0], 'I') << types;
    for (size_t i = 0, next; (next = types.find('I', i + 1)) != std::string::npos; i = next)
        EXPECT_TRUE(next - i == 12 || next - i == 13) << types;
    EXPECT_GE(std::count(types.begin(), types.end(), 'I'), 4) << types;
    EXPECT_THAT(types, HasSubstr("PBBP"));
    EXPECT_THAT(types, Not(HasSubstr("BBB")));
    expectTwoColourFrame(file, 320, 136, 12);
    expectTwoColourFrame(file, 320, 136, 49);
}

// The bitrate ceiling follows the pixels; past what an encoder takes it is clamped, where the
// encoder would keep its default (2 Mbit/s for x264) without a word.
TEST_F(VideoWriterTest, EncoderSettingsOfAHugePictureAreClampedNotDropped)
{
    // The tops of the encoders' ranges: x264enc's in kbit/s, vp9enc's in whole kbit/s below 2^31 bit/s.
    for (const auto& [encoder, property, top] : {std::tuple{"x264enc", "bitrate", "2048000"},
                                                 std::tuple{"vp9enc", "target-bitrate", "2147483000"}}) {
        if (!registryHas(encoder)) continue;
        GstElement* element = gst_element_factory_make(encoder, nullptr);
        VideoWriter::applyEncoderSettings(element, encoder, 65536, 27888);
        GValue value = G_VALUE_INIT;
        g_value_init(&value, g_object_class_find_property(G_OBJECT_GET_CLASS(element), property)->value_type);
        g_object_get_property(G_OBJECT(element), property, &value);
        gchar* text = gst_value_serialize(&value);
        EXPECT_STREQ(text, top) << encoder << " " << property;
        g_free(text);
        g_value_unset(&value);
        gst_object_unref(element);
    }
}

// ---- Failures -----------------------------------------------------------------------------

// Grain-like noise, so the encoder cannot squeeze the frames to nothing.
std::vector<uint8_t> noiseFrame(uint32_t w, uint32_t h, uint32_t& seed)
{
    std::vector<uint8_t> frame(size_t(w) * h * 3);
    for (uint8_t& v : frame) {
        seed = seed * 1664525u + 1013904223u;
        v = uint8_t(seed >> 24);
    }
    return frame;
}

// Renders noise until the writer gives up; the message of its FatalError, or "" if it never did.
std::string renderUntilFailure(const fs::path& file)
{
    uint32_t seed = 1;
    ::testing::internal::CaptureStdout();
    const std::string text = message([&] {
        VideoWriter writer(file.string(), MUSIC, 320, 136, 10'000'000'000);
        for (int i = 0; i < 200; ++i) writer.addFrame(noiseFrame(320, 136, seed));
        writer.finish();
    });
    ::testing::internal::GetCapturedStdout();
    return text;
}

TEST_F(VideoWriterTest, FilesystemThatFillsUpDuringTheRender)
{
    const fs::path mountPoint = dir / "small";
    fs::create_directory(mountPoint);
    if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
    // An MP4 fills the disk with its data file, before the index and the copy behind it.
    for (const char* name : {"video.mkv", "video.mp4"}) {
        const fs::path file = mountPoint / name;
        const std::string text = renderUntilFailure(file);
        EXPECT_THAT(text, HasSubstr("Writing the video " + file.string() + " failed")) << name;
        EXPECT_THAT(text, HasSubstr("No space left")) << name;
        EXPECT_TRUE(fs::is_empty(mountPoint)) << name;
    }
    umount2(mountPoint.c_str(), MNT_DETACH);
}

TEST_F(VideoWriterTest, UnwritableOrUnreadablePlacesFailAtOnce)
{
    const fs::path noDir = dir / "missing" / "video.mkv";
    EXPECT_THAT(message([&] { VideoWriter(noDir.string(), MUSIC, 320, 136, 1'000'000'000); }),
                HasSubstr(noDir.string()));
    EXPECT_FALSE(fs::exists(dir / "missing"));

    const fs::path file = dir / "video.mkv";
    EXPECT_THAT(message([&] { VideoWriter(file.string(), (dir / "none.xm").string(), 320, 136, 1'000'000'000); }),
                HasSubstr("none.xm"));
    EXPECT_EQ(files(), Names{});
}

TEST_F(VideoWriterTest, RunStoppedBeforeFinishLeavesNoFile)
{
    const fs::path file = dir / "stopped.mkv";
    {
        VideoWriter writer(file.string(), MUSIC, 320, 136, 1'000'000'000);
        for (int i = 0; i < 5; ++i) writer.addFrame(twoColourFrame(320, 136, i));
        ASSERT_EQ(files().size(), 1u);
        EXPECT_THAT(files()[0], ::testing::StartsWith("stopped.mkv.partial-"));
    }
    EXPECT_EQ(files(), Names{});
}

TEST_F(VideoWriterTest, VideoWithoutFramesIsRefused)
{
    const fs::path file = dir / "empty.mkv";
    VideoWriter writer(file.string(), MUSIC, 320, 136, 1'000'000'000);
    EXPECT_THAT(message([&] { writer.finish(); }), HasSubstr("no frame"));
    EXPECT_EQ(files(), Names{});
}

TEST_F(VideoWriterTest, FrameOfTheWrongSizeIsRefused)
{
    const fs::path file = dir / "wrong.mkv";
    VideoWriter writer(file.string(), MUSIC, 320, 136, 1'000'000'000);
    const size_t bytes = 320 * 136 * 3;
    EXPECT_THAT(message([&] { writer.addFrame(std::vector<uint8_t>(bytes - 1)); }),
                HasSubstr("expected " + std::to_string(bytes)));
    EXPECT_EQ(files(), Names{});
}


// ---- The end of a render ------------------------------------------------------------------

// File sinks with a fault, made from filesink: slow (0.15 s a buffer), stuck (2 s a buffer, past
// the tests' stall limit), or failing to close the file.
GstFlowReturn (*fileSinkRender)(GstBaseSink*, GstBuffer*);
gboolean (*fileSinkStop)(GstBaseSink*);

struct Fault {
    const char* name;
    GstFlowReturn (*render)(GstBaseSink*, GstBuffer*);
    gboolean (*stop)(GstBaseSink*);
};
const Fault SLOW{"velmotest-slowsink", [](GstBaseSink* s, GstBuffer* b) {
                     g_usleep(150'000);
                     return fileSinkRender(s, b);
                 }, nullptr};
const Fault STUCK{"velmotest-stucksink", [](GstBaseSink* s, GstBuffer* b) {
                      g_usleep(2'000'000);
                      return fileSinkRender(s, b);
                  }, nullptr};
const Fault FAILING_CLOSE{"velmotest-failingclosesink", nullptr, [](GstBaseSink* s) {
                              fileSinkStop(s);
                              GST_ELEMENT_ERROR(s, RESOURCE, CLOSE, ("Could not close the file."), ("test sink"));
                              return gboolean(FALSE);
                          }};

std::string faultySink(const Fault& fault)
{
    if (!g_type_from_name(fault.name)) {
        gst_object_unref(gst_element_factory_make("filesink", nullptr));   // loads its type
        const GType parent = g_type_from_name("GstFileSink");
        GTypeQuery query;
        g_type_query(parent, &query);
        GTypeInfo info{};
        info.class_size = guint16(query.class_size);
        info.instance_size = guint16(query.instance_size);
        info.class_data = &fault;
        info.class_init = [](gpointer klass, gpointer data) {
            const Fault& f = *static_cast<const Fault*>(data);
            GstBaseSinkClass* sink = GST_BASE_SINK_CLASS(klass);
            fileSinkRender = sink->render;
            fileSinkStop = sink->stop;
            if (f.render) {
                sink->render = f.render;
                sink->render_list = nullptr;   // every buffer through render
            }
            if (f.stop) sink->stop = f.stop;
        };
        gst_element_register(nullptr, fault.name, GST_RANK_NONE, g_type_register_static(parent, fault.name, &info, GTypeFlags(0)));
    }
    return fault.name;
}

VideoWriter::Setup shortVideo(const fs::path& file, const Fault& fault)
{
    VideoWriter::Setup setup;
    setup.fileName = file.string();
    setup.format = VideoWriter::checkFileName(setup.fileName);
    setup.width = 320;
    setup.height = 136;
    setup.lengthNs = 2'000'000'000;
    setup.musicFile = MUSIC;
    setup.fileSink = faultySink(fault);
    setup.stallLimit = std::chrono::seconds(1);
    return setup;
}

// The index and the data behind it go through a slow sink: the end takes longer than the stall
// limit, yet it moves, so the video is kept.
TEST_F(VideoWriterTest, SlowDiskFinishesAndKeepsTheVideo)
{
    if (message([] { VideoWriter::checkFileName("x.mp4"); }) != "") GTEST_SKIP() << "no H.264/AAC here";
    ::testing::internal::CaptureStdout();
    {
        VideoWriter writer(shortVideo(dir / "slow.mp4", SLOW));
        for (int i = 0; i < 50; ++i) writer.addFrame(twoColourFrame(320, 136, i));
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(writer.finish());
        EXPECT_GT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    }
    const std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_THAT(printed, HasSubstr("Rendering " + (dir / "slow.mp4").string() + ": finishing: writing the index\u2026"));
    EXPECT_THAT(printed, HasSubstr("Wrote " + (dir / "slow.mp4").string() + ": 50 frames"));
    EXPECT_EQ(files(), Names{"slow.mp4"});
}

TEST_F(VideoWriterTest, StuckDiskOrCloseErrorIsAFailureAndLeavesNothing)
{
    ::testing::internal::CaptureStdout();
    const std::string stuck = message([&] {
        VideoWriter writer(shortVideo(dir / "stuck.mkv", STUCK));
        for (int i = 0; i < 50; ++i) writer.addFrame(twoColourFrame(320, 136, i));
        writer.finish();
    });
    const std::string close = message([&] {
        VideoWriter writer(shortVideo(dir / "close.mkv", FAILING_CLOSE));
        for (int i = 0; i < 5; ++i) writer.addFrame(twoColourFrame(320, 136, i));
        writer.finish();
    });
    ::testing::internal::GetCapturedStdout();
    EXPECT_THAT(stuck, HasSubstr("the encoder took no frame for 1 s"));
    EXPECT_THAT(close, HasSubstr("Writing the video " + (dir / "close.mkv").string() + " failed: Could not close the file."));
    EXPECT_EQ(files(), Names{});
}

// The name is taken by a folder by the time the video is complete: the video is kept.
TEST_F(VideoWriterTest, FailedRenameKeepsTheCompleteVideo)
{
    const fs::path file = dir / "taken.mkv";
    ::testing::internal::CaptureStdout();
    const std::string text = message([&] {
        VideoWriter writer(file.string(), MUSIC, 320, 136, 1'000'000'000);
        for (int i = 0; i < 25; ++i) writer.addFrame(twoColourFrame(320, 136, i));
        fs::create_directories(file / "busy");
        writer.finish();
    });
    ::testing::internal::GetCapturedStdout();
    ASSERT_EQ(files().size(), 2u);
    const fs::path kept = dir / files()[1];
    EXPECT_THAT(text, HasSubstr("the complete video is kept as " + kept.string() + ", but it cannot take the name " + file.string()));
    EXPECT_EQ(run("ffprobe -v error -select_streams v -count_packets -show_entries stream=nb_read_packets -of csv=p=0 " +
                  quoted(kept)),
              "25\n");
}

// A signal while the hand-over waits for room in the encoder: it returns at once.
TEST_F(VideoWriterTest, SignalEndsTheWaitForTheEncoder)
{
    // GStreamer's threads are running: the child starts afresh rather than as a fork.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            VideoWriter::Setup setup = shortVideo(dir / "cut.mkv", STUCK);
            setup.stallLimit = std::chrono::seconds(60);
            VideoWriter writer(setup);
            catchInterrupts();
            std::atomic<int64_t> sent{0};
            // Signals once the count of frames handed over has stood still: the hand-over waits.
            std::thread signaller([&] {
                uint32_t seen = ~0u;
                while (seen != writer.framesAdded()) {
                    seen = writer.framesAdded();
                    std::this_thread::sleep_for(std::chrono::milliseconds(300));
                }
                sent = std::chrono::steady_clock::now().time_since_epoch().count();
                kill(getpid(), SIGINT);
            });
            uint32_t i = 0;
            while (!interruptSignal() && i < 100) writer.addFrame(twoColourFrame(320, 136, int(i++)));
            const auto late = std::chrono::steady_clock::now().time_since_epoch().count() - sent;
            signaller.join();
            std::_Exit(i < 100 && late < std::chrono::nanoseconds(std::chrono::milliseconds(500)).count() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
