#include "app/velmomain.h"

#include <GL/gl.h>
#include <SDL.h>
#include <cstdio>

#include "app/capture.h"
#include "app/input.h"
#include "app/interrupt.h"
#include "app/options.h"
#include "app/progress.h"
#include "app/settings.h"
#include "app/videoexport.h"
#include "app/window.h"
#include "core/datafiles.h"
#include "timeline/musicclock.h"

VelmoMain::VelmoMain(const std::vector<std::string>& args, const std::vector<bool>& libraryArgs)
{
    StartOptions options = parseOptions(args, libraryArgs);
    if (options.help) return;
    if (!writeVideoFile.empty()) {
        // No SDL, no window, no sound: the export renders offscreen.
        VideoExport video(options);
        status = video.exitStatus();
        // A join draws nothing.
        if (!options.joinCount) std::printf("Final fps: %.2f", video.finalFps());
        std::fflush(stdout);
        return;
    }
    fullscreen = options.fullscreen;
    gstreamerOn = options.gstreamerOn;
    deriveViewGeometry(fullscreen);

    // SDL comes up only once the command line is read, so --help works without a display.
    sdl = std::make_unique<SdlSession>();
    // After SDL_Init, whose own handlers would turn Ctrl-C into a window close.
    if (writeScreenShotMode) catchInterrupts();

    if (fullscreen) createGLWindow("Velmo | Quorvane/Drell", screen_width, screen_height, 16, true);
    else createGLWindow("Velmo | Quorvane/Drell", view_width, view_height, 16, false);
    initGLstuff();

    // A stretch that starts later numbers its captured frames as a whole capture does: the
    // loading bar's and the skipped ones are counted, not written.
    const Stretch& stretch = options.stretch;
    captureLoading = stretch.first == 0;
    demo = std::make_unique<Demo>(static_cast<Demo::Shell&>(*this));

    // The player first: its start may take seconds, which a real-time run must not count.
    player = makeMusicClock(gstreamerOn, gstreamerOn ? dataFile("music.xm") : std::string(), stretch);
    // The full loading bar stays on screen while the demo is fast-forwarded to the stretch.
    demo->fastForward(stretch.first);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
    swapBuffers();

    if (writeScreenShotMode) file_number += demo->framesPresented();
    const uint32_t skippedFiles = captureLoading ? 0 : file_number;
    demo->run(*player, stretch.end);
    if (writeScreenShotMode && interruptSignal())
        status = reportCut("./data/render/", file_number - skippedFiles, "the frames written are kept.");
    std::printf("Final fps: %.2f", demo->finalFps());
    std::fflush(stdout);
}

VelmoMain::~VelmoMain() = default;

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
    if (captureLoading) {
        ::showProgress(percent);
        return;
    }
    drawProgress(percent);
    swapBuffers();
    if (writeScreenShotMode) ++file_number;
}

void VelmoMain::presentFrame()
{
    // Captured before the swap: the back buffer's content is undefined after it.
    if (writeScreenShotMode) writeScreenShot();
    swapBuffers();
}
