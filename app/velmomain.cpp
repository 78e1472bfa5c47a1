#include "app/velmomain.h"

#include <GL/gl.h>
#include <SDL.h>
#include <cstdio>

#include "app/input.h"
#include "app/options.h"
#include "app/settings.h"
#include "app/window.h"
#include "core/fatalerror.h"

VelmoMain::VelmoMain(const std::vector<std::string>& args)
{
    StartOptions options = parseOptions(args);
    if (options.help) return;
    fullscreen = options.fullscreen;
    gstreamerOn = options.gstreamerOn;
    deriveViewGeometry(fullscreen);

    // SDL comes up only once the command line is read, so --help works without a display.
    if (SDL_Init(0xFFFF) < 0) throw FatalError("Failed to initialize SDL: " + getSDLError());
    sdlStarted = true;

    if (fullscreen) createGLWindow("Velmo | Quorvane/Drell", screen_width, screen_height, 16, true);
    else createGLWindow("Velmo | Quorvane/Drell", view_width, view_height, 16, false);
    initGLstuff();

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
    swapBuffers();

    loop.start();
    while (running) mainLoop();
    std::printf("Final fps: %.2f", loop.finalFps());
    std::fflush(stdout);
}

VelmoMain::~VelmoMain()
{
    if (sdlStarted) SDL_Quit();
}

int64_t VelmoMain::wallClockTicks()
{
    return int64_t(SDL_GetTicks());
}

void VelmoMain::startMusic() {}

void VelmoMain::pollMusic() {}

void VelmoMain::runScript() {}

void VelmoMain::renderFrame(int64_t /*step*/)
{
    processEvents();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glFlush();
}

void VelmoMain::presentFrame()
{
    swapBuffers();
}
