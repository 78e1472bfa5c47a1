#include "app/velmomain.h"

#include <GL/gl.h>
#include <SDL.h>
#include <csignal>
#include <cstdio>

#include "app/capture.h"
#include "app/input.h"
#include "app/interrupt.h"
#include "app/options.h"
#include "app/progress.h"
#include "app/settings.h"
#include "app/videowriter.h"
#include "app/window.h"
#include "core/datafiles.h"
#include "timeline/silentclock.h"
#include "timeline/musicclock.h"

namespace {

// A video holds the demo's length and no more: 25 frames a second.
constexpr uint32_t VIDEO_FRAMES = uint32_t(DEMO_LENGTH / VideoWriter::FRAME_NS);

} // namespace

VelmoMain::VelmoMain(const std::vector<std::string>& args)
{
    StartOptions options = parseOptions(args);
    if (options.help) return;
    fullscreen = options.fullscreen;
    gstreamerOn = options.gstreamerOn;
    deriveViewGeometry(fullscreen);
    if (!writeVideoFile.empty()) VideoWriter::checkFileName(writeVideoFile);
    const bool rendering = !writeVideoFile.empty() || writeScreenShotMode;

    // SDL comes up only once the command line is read, so --help works without a display.
    sdl = std::make_unique<SdlSession>();
    // After SDL_Init, whose own handlers would turn Ctrl-C into a window close.
    if (rendering) catchInterrupts();

    if (fullscreen) createGLWindow("Velmo | Quorvane/Drell", screen_width, screen_height, 16, true);
    else createGLWindow("Velmo | Quorvane/Drell", view_width, view_height, 16, false);
    initGLstuff();

    demo = std::make_unique<Demo>(static_cast<Demo::Shell&>(*this));

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
    swapBuffers();

    if (writeVideoFile.empty()) {
        player = makeMusicClock(gstreamerOn, gstreamerOn ? dataFile("music.xm") : std::string());
    } else {
        // The video carries the music itself; the script runs on the silent capture clock.
        player = makeMusicClock(false, std::string());
        videoWriter = std::make_unique<VideoWriter>(writeVideoFile, dataFile("music.xm"), current_view_width,
                                                    current_view_height, DEMO_LENGTH);
    }

    demo->run(*player);
    if (videoWriter) {
        // Without all its frames the video stays a partial file, which the writer removes.
        if (videoWriter->framesAdded() < VIDEO_FRAMES) reportCut(writeVideoFile, videoWriter->framesAdded());
        else videoWriter->finish();
    } else if (writeScreenShotMode && interruptSignal()) {
        reportCut("./data/render/", file_number);
    }
    std::printf("Final fps: %.2f", demo->finalFps());
    std::fflush(stdout);
}

VelmoMain::~VelmoMain() = default;

void VelmoMain::reportCut(const std::string& what, uint32_t frames)
{
    const int signal = interruptSignal();
    status = signal ? 128 + signal : 1;
    std::fprintf(stderr, "Rendering %s was cut after %u frames; ", what.c_str(), frames);
    if (videoWriter) std::fputs("no video was written.\n", stderr);
    else std::fputs("the frames written are kept.\n", stderr);
}

int64_t VelmoMain::wallClockTicks()
{
    return int64_t(SDL_GetTicks());
}

void VelmoMain::pollInput()
{
    processEvents();
}

void VelmoMain::showProgress(float percent)
{
    ::showProgress(percent);
}

void VelmoMain::presentFrame()
{
    // Captured before the swap: the back buffer's content is undefined after it.
    if (videoWriter) {
        videoWriter->addFrame(readView());
        if (videoWriter->framesAdded() == VIDEO_FRAMES) running = false;
    } else if (writeScreenShotMode) {
        writeScreenShot();
    }
    swapBuffers();
}
