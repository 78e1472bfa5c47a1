// Golden frames: the demo on the capture clock with a fixed seed, as a `--writeimages --seed 7`
// run renders it, and chosen frames compared with the reference pictures in tests/golden/,
// which whole runs rendered. The demo is fast-forwarded to each chosen frame and only that
// frame is drawn: a frame equal to its reference is also proof that a fast-forward reaches a
// whole run's state.
//
// GOLDEN_OUT=DIR also writes every chosen frame as DIR/NAME.png (tools/golden uses it).
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/capture.h"
#include "app/demo.h"
#include "app/options.h"
#include "app/progress.h"
#include "app/settings.h"
#include "app/window.h"
#include "math/random.h"
#include "timeline/scenescript.h"
#include "timeline/silentclock.h"

namespace {

constexpr uint32_t SEED = 7;
constexpr double MIN_PSNR = 40.0;      // dB
constexpr int DIFFERENCE_GAIN = 8;     // the difference image's amplification

// Demo frames, numbered from 0 (frame n shows demo time n × 40 ms): one inside each
// script interval whose picture no later chosen frame shows (events that only add to the
// picture share one), and the last scene near the end.
const std::vector<uint32_t> FRAMES = {100,  375,  450,  550,  720,  775,  875,  1100, 1700, 1900, 2100,
                                      2350, 2550, 2700, 2900, 3075, 3200, 3375, 3500, 3675, 4150};
// The loading screen: the bar at 50 %, which a capture run writes as velmo13.tga.
constexpr float LOADING_PERCENT = 50.0f;

struct Picture {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> rgb;   // rows top first
};

std::string frameName(uint32_t n)
{
    char name[32];
    std::snprintf(name, sizeof name, "frame%04u", n);
    return name;
}

// What the frame shows, for the failure message: its demo time and the last event before it.
std::string describe(uint32_t n)
{
    const char* after = "opening";
    for (const SceneScript::Event& e : SceneScript::events)
        if (n >= e.seconds * 25) after = e.name;
    char text[64];
    std::snprintf(text, sizeof text, "%.2f s, after %s", n * 0.04, after);
    return text;
}

// The view, upright.
Picture readPicture()
{
    Picture p{current_view_width, current_view_height, readView()};
    const size_t row = size_t(p.width) * 3;
    for (size_t top = 0, bottom = p.height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(p.rgb.begin() + long(top * row), p.rgb.begin() + long((top + 1) * row),
                         p.rgb.begin() + long(bottom * row));
    return p;
}

bool readPng(const std::string& file, Picture& p)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, file.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    p.width = image.width;
    p.height = image.height;
    p.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, p.rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    return true;
}

void writePng(const std::string& file, const Picture& p)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = p.width;
    image.height = p.height;
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, file.c_str(), 0, p.rgb.data(), 0, nullptr))
        ADD_FAILURE() << "cannot write " << file << ": " << image.message;
}

double psnr(const Picture& a, const Picture& b)
{
    double sum = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        const double d = double(a.rgb[i]) - double(b.rgb[i]);
        sum += d * d;
    }
    if (sum == 0) return INFINITY;
    return 10.0 * std::log10(255.0 * 255.0 / (sum / double(a.rgb.size())));
}

// rendered | reference | amplified difference, side by side.
Picture sideBySide(const Picture& rendered, const Picture& reference)
{
    const uint32_t w = rendered.width, h = rendered.height;
    Picture s{3 * w, h, std::vector<uint8_t>(size_t(3 * w) * h * 3)};
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                const size_t from = (size_t(y) * w + x) * 3 + c;
                const int a = rendered.rgb[from], b = reference.rgb[from];
                uint8_t* row = &s.rgb[size_t(y) * 3 * w * 3];
                row[x * 3 + c] = uint8_t(a);
                row[(w + x) * 3 + c] = uint8_t(b);
                row[(2 * w + x) * 3 + c] = uint8_t(std::min(255, std::abs(a - b) * DIFFERENCE_GAIN));
            }
    return s;
}

void compare(const std::string& name, const std::string& what, const Picture& rendered)
{
    if (const char* out = std::getenv("GOLDEN_OUT")) writePng(std::string(out) + "/" + name + ".png", rendered);

    const std::string referenceFile = std::string(GOLDEN_DIR) + "/" + name + ".png";
    Picture reference;
    if (!readPng(referenceFile, reference)) {
        ADD_FAILURE() << name << " (" << what << "): cannot read the reference " << referenceFile
                      << " (tools/golden --update makes it)";
        return;
    }
    if (reference.width != rendered.width || reference.height != rendered.height) {
        ADD_FAILURE() << name << " (" << what << "): rendered " << rendered.width << "x" << rendered.height
                      << ", reference " << referenceFile << " is " << reference.width << "x"
                      << reference.height;
        return;
    }
    const double db = psnr(rendered, reference);
    if (db >= MIN_PSNR) return;
    char dbText[16];
    std::snprintf(dbText, sizeof dbText, "%.1f", db);
    std::filesystem::create_directories("golden-failures");
    const std::string sheet = std::filesystem::absolute("golden-failures/" + name + ".png").string();
    writePng(sheet, sideBySide(rendered, reference));
    ADD_FAILURE() << name << " (" << what << ") differs from " << referenceFile << ": PSNR " << dbText
                  << " dB < " << MIN_PSNR << " dB. Rendered | reference | difference x" << DIFFERENCE_GAIN
                  << ": " << sheet;
}

// The demo's surroundings in a capture run, minus the files: the view read back for each
// presented frame, which is a chosen one.
class GoldenShell : public Demo::Shell {
public:
    int64_t wallClockTicks() override { return 0; }   // the capture clock counts passes
    void pollInput() override {}
    void showProgress(float percent) override
    {
        drawProgress(percent);
        if (percent == LOADING_PERCENT) compare("loading", "the loading bar at 50 %", readPicture());
        swapBuffers();
    }
    void presentFrame() override
    {
        compare(frameName(frame), describe(frame), readPicture());
        ++presented;
        swapBuffers();
    }

    uint32_t frame = 0;       // the chosen frame being drawn
    uint32_t presented = 0;
};

TEST(Golden, ChosenFramesMatchTheReferences)
{
    writeScreenShotMode = true;
    setRunSeed(SEED);
    deriveViewGeometry(false);
    SdlSession sdl;
    createGLWindow("golden frames", int(view_width), int(view_height), 16, false);
    initGLstuff();

    GoldenShell shell;
    Demo demo(shell);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
    swapBuffers();
    for (uint32_t frame : FRAMES) {
        shell.frame = frame;
        demo.fastForward(frame);
        SilentClock clock(Stretch{frame, DEMO_FRAMES});
        demo.run(clock, frame + 1);
        ASSERT_EQ(demo.framesPresented(), frame + 1) << "the demo ended before " << frameName(frame);
    }
    EXPECT_EQ(shell.presented, FRAMES.size());
}

} // namespace
