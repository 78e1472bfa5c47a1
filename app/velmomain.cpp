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

VelmoMain::VelmoMain(const std::vector<std::string>& args)
{
    StartOptions options = parseOptions(args);
    if (options.help) return;
    if (!writeVideoFile.empty()) {
        // No SDL, no window, no sound: the export renders offscreen.
        VideoExport video;
        status = video.exitStatus();
        std::printf("Final fps: %.2f", video.finalFps());
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

    demo = std::make_unique<Demo>(static_cast<Demo::Shell&>(*this));

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
    swapBuffers();

    player = makeMusicClock(gstreamerOn, gstreamerOn ? dataFile("music.xm") : std::string());
    demo->run(*player);
    if (writeScreenShotMode && interruptSignal())
        status = reportCut("./data/render/", file_number, "the frames written are kept.");
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
    ::showProgress(percent);
}

void VelmoMain::presentFrame()
{
    // Captured before the swap: the back buffer's content is undefined after it.
    if (writeScreenShotMode) writeScreenShot();
    swapBuffers();
}
