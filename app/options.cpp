#include "app/options.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <limits>

#include "app/settings.h"
#include "app/version.h"
#include "core/fatalerror.h"
#include "math/random.h"

const char* const HELP_TEXT =
    "Quorvane/Drell by Velmo.\n"
    "Final version.\n"
    "\n"
    "Available command line switches are:\n"
    "--help : This help message.\n"
    "--fullscreen or -f : Well this is the default actually.\n"
    "--windowed or --win : Windowed mode.\n"
    "--width 800 or -w 800 : Set the width of the window being created. Default: 800.\n"
    "--height 600 or -h 600 : Set the height. Default: 600 in fullscreen, and 340 in windowed mode.\n"
    "--aspect 2.35 or -a 2.35 : Set the view aspect ratio. Default: 1:2.35.\n"
    "--s4_3 : Set screen aspect ratio to 4:3. Use this if you don't have a widescreen monitor.\n"
    "--s16_10 : Set screen aspect ratio to 16:10 (modern widescreen laptops). This is the default.\n"
    "--s16_9 : Set screen aspect ratio to 16:9 (widescreen television).\n"
    "--writeimages : Writes all the frames of the demo into the folder ./data/render/ as .tga files "
    "at 25 fps. Requires about 3.5 Gb of space at the default resolution.\n"
    "--writevideo velmo.mp4 : Renders the whole demo with its music into a video file at 25 fps, "
    "offscreen: needs no display and no sound card. The size is the width (-w, default 800) by "
    "the width over the view aspect rounded down to an even number: 800x340, -w 1920 gives 1920x816, "
    "-w 3840 gives 3840x1634. Formats: .mp4, .mkv or .webm.\n"
    "--antialias 4 : Samples per pixel for --writevideo: 0 (off), 2, 4 or 8. Default: 4.\n"
    "--seed 1234 : Seeds every random number of the run with this unsigned 32-bit number instead "
    "of the clock, so two runs render the same frames.\n"
    "--from 150 --to 160.5 : Plays, captures or exports only the demo between these seconds "
    "(0 to 168, each taken down to the 40 ms frame it falls in). Every frame is the one a whole run "
    "shows.\n"
    "--chunk 3/16 : With --writevideo, renders only chunk 3 (counted from 0) of 16 into a piece "
    "beside the video (velmo.mp4.piece-03-of-16), so that many machines share one render.\n"
    "--join 16 : With --writevideo, joins the 16 pieces of a chunked render into the video without "
    "encoding the picture again, then removes them.\n"
    "--version : Prints the version of the demo.\n";

namespace {

[[noreturn]] void badValue(const std::string& option, const std::string& text, const char* expected)
{
    throw FatalError("Bad value for " + option + ": \"" + text + "\" is not " + expected);
}

int digitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

// "I/N" with 0 <= I < N.
void parseChunk(const std::string& text, const std::string& option, StartOptions& start)
{
    const size_t slash = text.find('/');
    if (slash == std::string::npos) badValue(option, text, "I/N with 0 <= I < N");
    const uint32_t index = parseUnsigned(text.substr(0, slash), option);
    const uint32_t count = parseUnsigned(text.substr(slash + 1), option);
    if (index >= count) badValue(option, text, "I/N with 0 <= I < N");
    start.chunkIndex = index;
    start.chunkCount = count;
}

std::string seconds(uint32_t frame)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", frame * (FRAME_NS / 1e9));
    return text;
}

// The stretch, chunks and join after every switch is read: refused before anything opens.
void checkRender(const StartOptions& start, const std::vector<std::string>& args)
{
    auto given = [&](const char* option) {
        std::string text;
        for (size_t i = 0; i + 1 < args.size(); ++i)
            if (args[i] == option) text = args[i + 1];
        return text;
    };
    const Stretch& s = start.stretch;
    if (s.first >= DEMO_FRAMES)
        throw FatalError("--from " + given("--from") + " is not within the demo, which ends at " + seconds(DEMO_FRAMES));
    if (s.end > DEMO_FRAMES)
        throw FatalError("--to " + given("--to") + " is not within the demo, which ends at " + seconds(DEMO_FRAMES));
    if (s.end <= s.first)
        throw FatalError("Nothing to render from " + seconds(s.first) + " to " + seconds(s.end) +
                         ": --from must be below --to by one frame (40 ms) at least");
    if ((start.chunkCount || start.joinCount) && writeVideoFile.empty())
        throw FatalError(std::string(start.chunkCount ? "--chunk" : "--join") +
                         " needs --writevideo FILE: chunks are pieces of a video");
    if (start.chunkCount && start.joinCount)
        throw FatalError("--chunk and --join cannot be given together: render the chunks first, then join them");
    const uint32_t pieces = std::max(start.chunkCount, start.joinCount);
    if (pieces > s.maxChunks())
        throw FatalError("Cannot cut " + std::to_string(s.frames()) + " frames into " + std::to_string(pieces) +
                         " chunks: a chunk holds one key-frame interval (" + std::to_string(GOP_FRAMES) +
                         " frames) at least, so " + std::to_string(s.maxChunks()) + " chunks at most");
}

// Every switch parseOptions reads; a new one goes into its list too, or it is reported unknown.
const char* const FLAG_SWITCHES[] = {"--help", "--version", "--fullscreen", "-f", "--windowed", "--win", "--musicoff",
                                     "-m", "--gstreameroff", "-g", "--writeimages", "--1_2", "--univisium", "--1_235",
                                     "--scope", "--16_9", "--s16_9", "--s4_3", "--s16_10"};
const char* const VALUE_SWITCHES[] = {"--writevideo", "--antialias", "--seed", "--from", "--to", "--chunk", "--join",
                                      "-w", "--width", "-h", "--height", "-a", "--aspect"};

template <size_t N>
bool among(const std::string& a, const char* const (&names)[N])
{
    return std::find(std::begin(names), std::end(names), a) != std::end(names);
}

// Arguments that are neither a switch nor a switch's value, and value switches left without
// one: a window run names them and goes on, an export refuses to start on a guess.
void checkUnderstood(const std::vector<std::string>& args, const std::vector<bool>& libraryArgs)
{
    std::string problems;
    for (size_t i = 1; i < args.size(); ++i) {
        if (i < libraryArgs.size() && libraryArgs[i]) continue;
        const std::string& a = args[i];
        std::string problem;
        if (among(a, VALUE_SWITCHES) && i + 1 == args.size()) problem = a + " needs a value";
        else if (!among(a, FLAG_SWITCHES) && !among(a, VALUE_SWITCHES) && !among(args[i - 1], VALUE_SWITCHES))
            problem = (a.rfind('-', 0) == 0 ? "Unknown switch " : "Unknown argument ") + a;
        if (!problem.empty()) problems += problem + " (see --help)\n";
    }
    if (problems.empty()) return;
    if (!writeVideoFile.empty())
        throw FatalError(problems + "--writevideo does not start on arguments it does not understand.");
    std::fputs(problems.c_str(), stderr);
}

uint32_t parseSamples(const std::string& text, const std::string& option)
{
    const int32_t samples = parseInteger(text, option);
    if (samples == 1) return 0;
    if (samples != 0 && samples != 2 && samples != 4 && samples != 8) badValue(option, text, "0, 2, 4 or 8");
    return uint32_t(samples);
}

} // namespace

int32_t parseInteger(const std::string& text, const std::string& option)
{
    const char* expected = "a signed 32-bit integer";
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int radix = 10;
    if (i + 1 < text.size() && text[i] == '0') {
        char p = text[i + 1];
        if (p == 'x' || p == 'X') radix = 16;
        else if (p == 'b' || p == 'B') radix = 2;
        else if (p == 'o' || p == 'O') radix = 8;
        if (radix != 10) i += 2;
    }
    // Blanks after the digits are taken as before them.
    size_t end = text.size();
    while (end > i && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
    if (i == end) badValue(option, text, expected);
    // Accumulate the magnitude in 64 bits; anything beyond 2^31 is out of range either way.
    int64_t magnitude = 0;
    for (; i < end; ++i) {
        int d = digitValue(text[i]);
        if (d >= radix) badValue(option, text, expected);
        magnitude = magnitude * radix + d;
        if (magnitude > int64_t(1) << 31) badValue(option, text, expected);
    }
    int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int32_t>::max()) badValue(option, text, expected);
    return int32_t(value);
}

uint32_t parseUnsigned(const std::string& text, const std::string& option)
{
    uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        badValue(option, text, "an unsigned 32-bit integer");
    return value;
}

uint32_t parseSecondsAsFrame(const std::string& text, const std::string& option)
{
    const char* expected = "a number of seconds";
    // Whole nanoseconds are exact for every frame boundary; further digits only lower the value.
    uint64_t whole = 0, fraction = 0, scale = 1'000'000'000;
    bool digits = false, point = false;
    for (char c : text) {
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9') badValue(option, text, expected);
        digits = true;
        if (!point) {
            whole = std::min<uint64_t>(whole * 10 + uint64_t(c - '0'), uint64_t(DEMO_LENGTH));
        } else if (scale > 1) {
            scale /= 10;
            fraction += uint64_t(c - '0') * scale;
        }
    }
    if (!digits) badValue(option, text, expected);
    const uint64_t ns = whole * 1'000'000'000 + fraction;
    if (ns > uint64_t(DEMO_LENGTH)) return DEMO_FRAMES + 1;
    return uint32_t(ns / FRAME_NS);
}

float parseNumber(const std::string& text, const std::string& option)
{
    const char* expected = "a number";
    // strtof would also take hexadecimal floats; the switches take decimal numbers only.
    if (text.empty() || text[0] == ' ' || text[0] == '\t' || text.find_first_of("xX") != std::string::npos)
        badValue(option, text, expected);
    char* end = nullptr;
    errno = 0;
    float value = std::strtof(text.c_str(), &end);
    if (end != text.c_str() + text.size() || errno == ERANGE) badValue(option, text, expected);
    return value;
}

std::vector<bool> libraryArguments(const std::vector<std::string>& args, const std::vector<std::string>& left)
{
    // The libraries remove what they take and keep the order of the rest.
    std::vector<bool> taken(args.size(), false);
    size_t k = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        if (k < left.size() && args[i] == left[k]) ++k;
        else taken[i] = true;
    }
    return taken;
}

StartOptions parseOptions(const std::vector<std::string>& args, const std::vector<bool>& libraryArgs)
{
    StartOptions start;
    if (args.size() > 1) {
        for (size_t i = 0; i < args.size(); ++i) {
            const std::string& a = args[i];
            const bool hasValue = i + 1 < args.size();
            const std::string value = hasValue ? args[i + 1] : std::string();
            if (a == "--help") {
                std::fputs(HELP_TEXT, stdout);
                std::fputs("\n", stdout);
                running = false;
                start.help = true;
                return start;
            }
            if (a == "--version") {
                std::puts("velmo " VELMO_VERSION);
                running = false;
                start.help = true;
                return start;
            }
            if (a == "--fullscreen" || a == "-f") start.fullscreen = true;
            if (a == "--windowed" || a == "--win") start.fullscreen = false;
            if (a == "--musicoff" || a == "-m") musicOn = false;
            if (a == "--gstreameroff" || a == "-g") start.gstreamerOn = false;
            if (a == "--writeimages") writeScreenShotMode = true;
            if (a == "--writevideo") {
                // An empty name would fall back to a window run: not what was asked for.
                if (value.empty())
                    throw FatalError("--writevideo needs the name of the video file, e.g. --writevideo velmo.mp4");
                writeScreenShotMode = true;
                writeVideoFile = value;
            }
            if (a == "--antialias" && hasValue) {
                antialiasSamples = parseSamples(value, a);
                antialiasGiven = true;
            }
            if (a == "--seed" && hasValue) setRunSeed(parseUnsigned(value, a));
            if (a == "--from" && hasValue) start.stretch.first = parseSecondsAsFrame(value, a);
            if (a == "--to" && hasValue) start.stretch.end = parseSecondsAsFrame(value, a);
            if (a == "--chunk" && hasValue) parseChunk(value, a, start);
            if (a == "--join" && hasValue) {
                start.joinCount = parseUnsigned(value, a);
                if (start.joinCount == 0) badValue(a, value, "a number of pieces, 1 or more");
            }
            // The value keeps its bit pattern: a negative width wraps.
            if ((a == "-w" || a == "--width") && hasValue) screen_width = uint32_t(parseInteger(value, a));
            if ((a == "-h" || a == "--height") && hasValue) screen_height = uint32_t(parseInteger(value, a));
            if ((a == "-a" || a == "--aspect") && hasValue) view_aspect = parseNumber(value, a);
            if (a == "--1_2" || a == "--univisium") view_aspect = 2.0f;
            if (a == "--1_235" || a == "--scope") view_aspect = 2.35f;
            if (a == "--16_9") view_aspect = 16.0f / 9.0f;
            if (a == "--s16_9") screen_aspect = 16.0f / 9.0f;
            if (a == "--s4_3") screen_aspect = 4.0f / 3.0f;
            if (a == "--s16_10") screen_aspect = 1.6f;
        }
    }
    checkUnderstood(args, libraryArgs);
    checkRender(start, args);
    std::puts("Use --help to get some info on command line switches.");
    return start;
}

void deriveViewGeometry(bool fullscreen)
{
    if (!std::isfinite(view_aspect) || view_aspect <= 0.0f)
        throw FatalError("Invalid view aspect " + std::to_string(view_aspect) + ": it must be a positive number");
    // The parser keeps a negative width's bit pattern; its signed reading is what was typed.
    const std::string width = std::to_string(int32_t(screen_width));
    if (int32_t(screen_width) < 0)
        throw FatalError("Invalid view size: width " + width + ": it must be a positive number");
    pixel_aspect_width = fullscreen ? screen_aspect / 1.3333334f : 1.0f;
    view_width = screen_width;
    long double height = (long double)screen_width / view_aspect * pixel_aspect_width;
    if (!(height >= 1.0L) || height >= 4294967296.0L)
        throw FatalError("Invalid view size: width " + width + " at aspect " +
                         std::to_string(view_aspect) + " gives a view height of " +
                         std::to_string((double)height) + " pixels");
    view_height = uint32_t(height);
}

void deriveVideoGeometry()
{
    deriveViewGeometry(false);
    // Rounded rather than truncated, so that 1920 at 16:9 stays 1080 despite the float aspect;
    // then even, as 4:2:0 video halves both dimensions for colour.
    const long double exact = (long double)view_width / view_aspect;
    const uint32_t height = uint32_t(std::min(exact + 0.5L, 4294967295.0L)) & ~1u;
    if (view_width % 2 != 0 || height == 0)
        throw FatalError("Invalid video size: width " + std::to_string(view_width) + " at aspect " +
                         std::to_string(view_aspect) + " gives " + std::to_string(view_width) + "x" +
                         std::to_string(view_height) + " pixels; a video needs an even width and height");
    view_height = height;
}
