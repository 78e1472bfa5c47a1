// The command line: switches, value parsing and the derived view geometry.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/settings.h"
#include "app/version.h"
#include "core/fatalerror.h"

namespace {

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        screen_width = 800;
        screen_height = 600;
        screen_aspect = 1.6f;
        view_aspect = 2.35f;
        pixel_aspect_width = 1.0f;
        view_width = 800;
        view_height = 340;
        running = true;
        musicOn = true;
        writeScreenShotMode = false;
        writeVideoFile.clear();
        antialiasSamples = 4;
        antialiasGiven = false;
    }

    StartOptions parse(std::vector<std::string> args, const std::vector<bool>& libraryArgs = {})
    {
        args.insert(args.begin(), "./velmo");
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        try {
            StartOptions o = parseOptions(args, libraryArgs);
            output = testing::internal::GetCapturedStdout();
            errors = testing::internal::GetCapturedStderr();
            return o;
        } catch (...) {
            output = testing::internal::GetCapturedStdout();
            errors = testing::internal::GetCapturedStderr();
            throw;
        }
    }

    // The FatalError's text, or "accepted".
    std::string message(const std::vector<std::string>& args)
    {
        SetUp();
        try {
            parse(args);
        } catch (const FatalError& e) {
            return e.what();
        }
        return "accepted";
    }

    std::string output, errors;
};

const char* const HINT = "Use --help to get some info on command line switches.\n";

TEST_F(OptionsTest, NoArgumentsKeepsDefaultsAndPrintsOnlyTheHint)
{
    StartOptions o = parse({});
    EXPECT_FALSE(o.help);
    EXPECT_TRUE(o.fullscreen);
    EXPECT_TRUE(o.gstreamerOn);
    EXPECT_EQ(output, HINT);
    deriveViewGeometry(o.fullscreen);
    EXPECT_EQ(view_width, 800u);
    EXPECT_EQ(view_height, 408u);
}

TEST_F(OptionsTest, EverySwitchAndAlias)
{
    struct Case {
        std::vector<std::string> args;
        bool fullscreen, gstreamerOn, music, capture;
        float viewAspect, screenAspect;
    };
    const float v = 2.35f, s = 1.6f;
    const Case cases[] = {
        {{"--fullscreen"}, true, true, true, false, v, s},
        {{"-f"}, true, true, true, false, v, s},
        {{"--windowed"}, false, true, true, false, v, s},
        {{"--win"}, false, true, true, false, v, s},
        {{"--musicoff"}, true, true, false, false, v, s},
        {{"-m"}, true, true, false, false, v, s},
        {{"--gstreameroff"}, true, false, true, false, v, s},
        {{"-g"}, true, false, true, false, v, s},
        {{"--writeimages"}, true, true, true, true, v, s},
        {{"--1_2"}, true, true, true, false, 2.0f, s},
        {{"--univisium"}, true, true, true, false, 2.0f, s},
        {{"--16_9"}, true, true, true, false, 1.7777778f, s},
        {{"--univisium", "--1_235"}, true, true, true, false, 2.35f, s},
        {{"--univisium", "--scope"}, true, true, true, false, 2.35f, s},
        {{"--s16_9"}, true, true, true, false, v, 1.7777778f},
        {{"--s4_3"}, true, true, true, false, v, 1.3333334f},
        {{"--s4_3", "--s16_10"}, true, true, true, false, v, 1.6f},
        {{"--fullscreen", "--windowed"}, false, true, true, false, v, s},
        {{"--windowed", "--fullscreen"}, true, true, true, false, v, s},
        {{"--Windowed", "-W", "bogus"}, true, true, true, false, v, s},
    };
    for (const Case& c : cases) {
        SetUp();
        StartOptions o = parse(c.args);
        std::string name = c.args[0];
        EXPECT_EQ(o.fullscreen, c.fullscreen) << name;
        EXPECT_EQ(o.gstreamerOn, c.gstreamerOn) << name;
        EXPECT_EQ(musicOn, c.music) << name;
        EXPECT_EQ(writeScreenShotMode, c.capture) << name;
        EXPECT_EQ(view_aspect, c.viewAspect) << name;
        EXPECT_EQ(screen_aspect, c.screenAspect) << name;
        EXPECT_EQ(output, HINT) << name;
        EXPECT_EQ(errors.empty(), name != "--Windowed") << name << ": " << errors;
    }
}

TEST_F(OptionsTest, ValueSwitches)
{
    parse({"-w", "1024", "--height", "0x300", "--aspect", "1.85"});
    EXPECT_EQ(screen_width, 1024u);
    EXPECT_EQ(screen_height, 768u);
    EXPECT_EQ(view_aspect, 1.85f);
    parse({"--width", "0b1010", "-h", "0o17", "-a", "2"});
    EXPECT_EQ(screen_width, 10u);
    EXPECT_EQ(screen_height, 15u);
    EXPECT_EQ(view_aspect, 2.0f);
}

TEST_F(OptionsTest, WriteVideoCapturesIntoTheNamedFile)
{
    parse({"--windowed", "--writevideo", "out.mkv"});
    EXPECT_TRUE(writeScreenShotMode);
    EXPECT_EQ(writeVideoFile, "out.mkv");
    // Without a name it would fall back to a window run.
    for (auto args : {std::vector<std::string>{"--writevideo"}, {"--writevideo", ""}})
        EXPECT_EQ(message(args), "--writevideo needs the name of the video file, e.g. --writevideo velmo.mp4");
}

TEST_F(OptionsTest, ArgumentsNotUnderstoodAreNamedAndRefuseAnExport)
{
    parse({"--antialas", "8", "--windowed", "-w"});
    EXPECT_EQ(errors, "Unknown switch --antialas (see --help)\nUnknown argument 8 (see --help)\n"
                      "-w needs a value (see --help)\n");
    EXPECT_EQ(output, HINT);
    EXPECT_EQ(screen_width, 800u);
    EXPECT_EQ(message({"--writevideo", "v.mp4", "--bogus"}),
              "Unknown switch --bogus (see --help)\n--writevideo does not start on arguments it does not understand.");
    EXPECT_NE(message({"-w", "1920", "--writevideo", "v.mp4", "-w"}).find("-w needs a value"), std::string::npos);

    // Values, values read as switches too, and what the libraries took are understood.
    const std::vector<std::string> args{"./velmo", "--gst-debug-level=2", "--writevideo", "-w", "1920", "--display", ":1"};
    const std::vector<bool> library = libraryArguments(args, {"./velmo", "--writevideo", "-w", "1920"});
    EXPECT_EQ(library, (std::vector<bool>{false, true, false, false, false, true, true}));
    SetUp();
    parse({args.begin() + 1, args.end()}, library);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(screen_width, 1920u);
}

TEST_F(OptionsTest, VideoSizeIsTheWindowedViewWithAnEvenHeight)
{
    // Fullscreen switches and the screen aspect do not letterbox a video.
    const struct { uint32_t width; float aspect; uint32_t height; } cases[] = {
        {800, 2.35f, 340},   {1920, 2.35f, 816},        {3840, 2.35f, 1634},
        {1000, 2.35f, 426},  {1920, 16.0f / 9.0f, 1080}, {4, 3.0f, 0},
    };
    for (const auto& c : cases) {
        SetUp();
        parse({"-f", "--s16_9", "-w", std::to_string(c.width)});
        view_aspect = c.aspect;
        if (c.height == 0) {
            EXPECT_THROW(deriveVideoGeometry(), FatalError) << c.width;
            continue;
        }
        deriveVideoGeometry();
        EXPECT_EQ(view_width, c.width);
        EXPECT_EQ(view_height, c.height) << c.width << " at " << c.aspect;
    }
    SetUp();
    screen_width = 801;   // 4:2:0 needs an even width
    EXPECT_THROW(deriveVideoGeometry(), FatalError);
}

TEST_F(OptionsTest, AntialiasTakesOffOrTwoFourEightSamples)
{
    for (const auto& [text, samples] : {std::pair{"0", 0u}, {"1", 0u}, {"2", 2u}, {"4", 4u}, {"8", 8u}}) {
        parse({"--antialias", text});
        EXPECT_EQ(antialiasSamples, samples) << text;
        EXPECT_TRUE(antialiasGiven);
    }
    for (const char* text : {"3", "16", "-2", "x"}) EXPECT_THROW(parse({"--antialias", text}), FatalError) << text;
}

TEST_F(OptionsTest, ValueSwitchAsLastArgumentDoesNothingElse)
{
    parse({"--windowed", "-w"});
    EXPECT_EQ(screen_width, 800u);
    parse({"-a"});
    EXPECT_EQ(view_aspect, 2.35f);
}

TEST_F(OptionsTest, ValueIsAlsoExaminedAsASwitch)
{
    // A value is read when its switch is, so a switch name in its place fails to parse;
    // and the value element is then examined as a switch in its own right.
    EXPECT_THROW(parse({"-w", "--windowed"}), FatalError);
    SetUp();
    StartOptions o = parse({"-h", "340", "--win"});
    EXPECT_FALSE(o.fullscreen);
    EXPECT_EQ(screen_height, 340u);
}

TEST_F(OptionsTest, AspectFollowedBySwitchFailsAsNumber)
{
    EXPECT_THROW(parse({"-a", "--scope"}), FatalError);
}

TEST_F(OptionsTest, HelpPrintsTextOnlyAndStops)
{
    StartOptions o = parse({"--windowed", "-w", "1024", "--help", "--s4_3"});
    EXPECT_TRUE(o.help);
    EXPECT_FALSE(running);
    EXPECT_EQ(output, std::string(HELP_TEXT) + "\n");
    EXPECT_EQ(screen_aspect, 1.6f) << "switches after --help are not read";
    // Ends with an empty line.
    ASSERT_GE(output.size(), 2u);
    EXPECT_EQ(output.substr(output.size() - 2), "\n\n");
    EXPECT_EQ(output.find("Use --help"), std::string::npos);
    EXPECT_EQ(output.rfind("Quorvane/Drell by Velmo.\nFinal version.\n\nAvailable command line switches are:\n", 0), 0u);
}

TEST_F(OptionsTest, VersionPrintsItsLineOnlyAndStops)
{
    StartOptions o = parse({"--windowed", "--version", "--help", "-w", "1024"});
    EXPECT_TRUE(o.help);
    EXPECT_FALSE(running);
    EXPECT_EQ(output, "velmo " VELMO_VERSION "\n");
    EXPECT_EQ(screen_width, 800u) << "switches after --version are not read";
}

TEST(ParseInteger, AcceptedForms)
{
    EXPECT_EQ(parseInteger("42", "-w"), 42);
    EXPECT_EQ(parseInteger(" \t 42", "-w"), 42);
    EXPECT_EQ(parseInteger("42 \t", "-w"), 42);
    EXPECT_EQ(parseInteger(" -0x10 ", "-w"), -16);
    EXPECT_EQ(parseInteger("+42", "-w"), 42);
    EXPECT_EQ(parseInteger("-42", "-w"), -42);
    EXPECT_EQ(parseInteger("0x1F", "-w"), 31);
    EXPECT_EQ(parseInteger("-0x10", "-w"), -16);
    EXPECT_EQ(parseInteger("0b101", "-w"), 5);
    EXPECT_EQ(parseInteger("0o777", "-w"), 511);
    EXPECT_EQ(parseInteger("0", "-w"), 0);
    EXPECT_EQ(parseInteger("007", "-w"), 7);
    EXPECT_EQ(parseInteger("2147483647", "-w"), 2147483647);
    EXPECT_EQ(parseInteger("-2147483648", "-w"), INT32_MIN);
}

TEST(ParseInteger, RejectedForms)
{
    for (const char* bad : {"", " ", "abc", "12a", "1.5", "0x", "0b2", "0o8", "0x1G", "--5", "4 2", "0x 1",
                            "2147483648", "-2147483649", "99999999999999999999", "+", "-"}) {
        EXPECT_THROW(parseInteger(bad, "--width"), FatalError) << '"' << bad << '"';
    }
    try {
        parseInteger("12a", "--width");
    } catch (const FatalError& e) {
        std::string m = e.what();
        EXPECT_NE(m.find("--width"), std::string::npos) << m;
        EXPECT_NE(m.find("12a"), std::string::npos) << m;
    }
}

TEST(ParseUnsigned, FullRangeAndNothingElse)
{
    EXPECT_EQ(parseUnsigned("0", "--seed"), 0u);
    EXPECT_EQ(parseUnsigned("4294967295", "--seed"), 4294967295u);
    for (const char* bad : {"", " 1", "1 ", "-1", "+1", "0x10", "4294967296", "1e3", "12a"})
        EXPECT_THROW(parseUnsigned(bad, "--seed"), FatalError) << '"' << bad << '"';
}

TEST(ParseNumber, AcceptedAndRejected)
{
    EXPECT_EQ(parseNumber("2.35", "-a"), 2.35f);
    EXPECT_EQ(parseNumber("-1e1", "-a"), -10.0f);
    EXPECT_EQ(parseNumber("3", "-a"), 3.0f);
    for (const char* bad : {"", "--scope", "2.35x", "abc", " 2", "0x1p3", "1e999"})
        EXPECT_THROW(parseNumber(bad, "-a"), FatalError) << '"' << bad << '"';
}

TEST_F(OptionsTest, NegativeWidthWrapsBitForBit)
{
    parse({"-w", "-1"});
    EXPECT_EQ(screen_width, 0xFFFFFFFFu);
    // Reported as typed, not as the wrapped number.
    parse({"-w", "-5"});
    try {
        deriveVideoGeometry();
        ADD_FAILURE() << "a negative width was taken";
    } catch (const FatalError& e) {
        EXPECT_STREQ(e.what(), "Invalid view size: width -5: it must be a positive number");
    }
}

struct GeometryCase {
    bool fullscreen;
    float screenAspect, viewAspect;
    float pixelAspect;
    uint32_t viewHeight;
};

TEST_F(OptionsTest, GeometryTable)
{
    const GeometryCase cases[] = {
        {false, 1.6f, 2.35f, 1.0f, 340},
        {false, 1.3333334f, 2.35f, 1.0f, 340},
        {true, 1.6f, 2.35f, 1.1999999f, 408},
        {true, 1.6f, 2.0f, 1.1999999f, 479},   // 479.99997, truncated
        {true, 1.7777778f, 2.35f, 1.3333333f, 453},
        {true, 1.3333334f, 2.35f, 1.0f, 340},
    };
    for (const GeometryCase& c : cases) {
        screen_width = 800;
        screen_aspect = c.screenAspect;
        view_aspect = c.viewAspect;
        deriveViewGeometry(c.fullscreen);
        EXPECT_EQ(view_width, 800u);
        EXPECT_FLOAT_EQ(pixel_aspect_width, c.pixelAspect);
        EXPECT_EQ(view_height, c.viewHeight) << c.screenAspect << " " << c.viewAspect;
        // Independent: the quotient in extended precision, truncated.
        long double h = 800.0L / (long double)c.viewAspect *
                        (long double)(c.fullscreen ? c.screenAspect / 1.3333334f : 1.0f);
        EXPECT_EQ(view_height, uint32_t(h));
    }
}

TEST_F(OptionsTest, WindowedWidthIgnoresScreenAspect)
{
    StartOptions o = parse({"-w", "1024", "--windowed", "--s4_3"});
    deriveViewGeometry(o.fullscreen);
    EXPECT_EQ(view_width, 1024u);
    EXPECT_EQ(view_height, 435u);
}

TEST_F(OptionsTest, EmptyOrUnboundedViewsAreRefused)
{
    for (float aspect : {0.0f, -2.35f, INFINITY, NAN}) {
        SetUp();
        view_aspect = aspect;
        EXPECT_THROW(deriveViewGeometry(false), FatalError) << aspect;
    }
    SetUp();
    screen_width = 0;
    EXPECT_THROW(deriveViewGeometry(false), FatalError);
    SetUp();
    view_aspect = 1e-9f;   // height beyond 32 bits
    EXPECT_THROW(deriveViewGeometry(true), FatalError);
    SetUp();
    view_aspect = 1000.0f;  // 0.8 pixels high
    EXPECT_THROW(deriveViewGeometry(false), FatalError);
}

} // namespace

namespace {

TEST(ParseSecondsAsFrame, ExactDecimalsTakenDownToTheirFrame)
{
    EXPECT_EQ(parseSecondsAsFrame("0", "--from"), 0u);
    EXPECT_EQ(parseSecondsAsFrame("0.12", "--from"), 3u);   // 0.12 is not below 3 frames, as a float would have it
    EXPECT_EQ(parseSecondsAsFrame("0.119999", "--from"), 2u);
    EXPECT_EQ(parseSecondsAsFrame(".5", "--from"), 12u);
    EXPECT_EQ(parseSecondsAsFrame("160.5", "--to"), 4012u);
    EXPECT_EQ(parseSecondsAsFrame("168", "--to"), DEMO_FRAMES);
    EXPECT_EQ(parseSecondsAsFrame("168.000000001", "--to"), DEMO_FRAMES + 1);
    EXPECT_EQ(parseSecondsAsFrame("99999999999999999999", "--to"), DEMO_FRAMES + 1);
    for (const char* bad : {"", ".", "-1", "1e2", "1.2.3", "12s", " 1"})
        EXPECT_THROW(parseSecondsAsFrame(bad, "--from"), FatalError) << bad;
}

TEST_F(OptionsTest, StretchChunkAndJoinAreCheckedTogether)
{
    StartOptions o = parse({"--from", "150", "--to", "154", "--writevideo", "v.mp4", "--chunk", "1/2"});
    EXPECT_EQ(o.stretch, (Stretch{3750, 3850}));
    EXPECT_EQ(o.chunkIndex, 1u);
    EXPECT_EQ(o.chunkCount, 2u);
    EXPECT_EQ(parse({"--writevideo", "v.mp4", "--join", "350"}).joinCount, 350u);

    EXPECT_EQ(message({"--from", "168"}), "--from 168 is not within the demo, which ends at 168.00 s");
    EXPECT_EQ(message({"--to", "200"}), "--to 200 is not within the demo, which ends at 168.00 s");
    EXPECT_EQ(message({"--from", "10", "--to", "10.03"}),
              "Nothing to render from 10.00 s to 10.00 s: --from must be below --to by one frame (40 ms) at least");
    EXPECT_EQ(message({"--chunk", "0/2"}), "--chunk needs --writevideo FILE: chunks are pieces of a video");
    EXPECT_EQ(message({"--writevideo", "v.mp4", "--chunk", "0/2", "--join", "2"}),
              "--chunk and --join cannot be given together: render the chunks first, then join them");
    EXPECT_EQ(message({"--writevideo", "v.mp4", "--to", "1", "--join", "3"}), "accepted");
    EXPECT_EQ(message({"--writevideo", "v.mp4", "--to", "1", "--join", "4"}),
              "Cannot cut 25 frames into 4 chunks: a chunk holds one key-frame interval (12 frames) at least, so 3 chunks at most");
    for (auto bad : {"2/2", "1", "/2", "1/", "-1/2", "a/b"})
        EXPECT_NE(message({"--writevideo", "v.mp4", "--chunk", bad}), "accepted") << bad;
    EXPECT_NE(message({"--writevideo", "v.mp4", "--join", "0"}), "accepted");
}

} // namespace
