#include "app/velmomain.h"

#include <GL/gl.h>
#include <SDL.h>
#include <cstdio>

#include "app/capture.h"
#include "app/input.h"
#include "app/options.h"
#include "app/progress.h"
#include "app/scene.h"
#include "app/settings.h"
#include "app/videowriter.h"
#include "app/window.h"
#include "core/fatalerror.h"
#include "core/perlinnoise.h"
#include "math/precalcrandom.h"
#include "timeline/musicclock.h"
#include "timeline/scenescript.h"
#include "timeline/silentclock.h"

VelmoMain::VelmoMain(const std::vector<std::string>& args)
{
    StartOptions options = parseOptions(args);
    if (options.help) return;
    fullscreen = options.fullscreen;
    gstreamerOn = options.gstreamerOn;
    deriveViewGeometry(fullscreen);
    if (!writeVideoFile.empty()) VideoWriter::checkFileName(writeVideoFile);

    // SDL comes up only once the command line is read, so --help works without a display.
    if (SDL_Init(0xFFFF) < 0) throw FatalError("Failed to initialize SDL: " + getSDLError());
    sdlStarted = true;

    randomTables = std::make_unique<PrecalcRandom>();
    precalcRandom = randomTables.get();
    reseed(2);

    if (fullscreen) createGLWindow("Velmo | Quorvane/Drell", screen_width, screen_height, 16, true);
    else createGLWindow("Velmo | Quorvane/Drell", view_width, view_height, 16, false);
    initGLstuff();

    scene = std::make_unique<Scene>(showProgress);
    script = std::make_unique<SceneScript>(*scene);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
    swapBuffers();

    if (writeVideoFile.empty()) {
        player = makeMusicClock(gstreamerOn, "./data/music.xm");
    } else {
        // The video carries the music itself; the script runs on the silent capture clock.
        player = makeMusicClock(false, "./data/music.xm");
        videoWriter = std::make_unique<VideoWriter>(writeVideoFile, "./data/music.xm", current_view_width,
                                                    current_view_height, DEMO_LENGTH);
    }

    loop.start();
    while (running) mainLoop();
    if (videoWriter) videoWriter->finish();
    std::printf("Final fps: %.2f", loop.finalFps());
    std::fflush(stdout);
}

VelmoMain::~VelmoMain()
{
    videoWriter.reset();
    player.reset();
    script.reset();
    scene.reset();
    if (precalcRandom == randomTables.get()) precalcRandom = nullptr;
    if (sdlStarted) SDL_Quit();
}

int64_t VelmoMain::wallClockTicks()
{
    return int64_t(SDL_GetTicks());
}

void VelmoMain::startMusic()
{
    player->play();
}

void VelmoMain::pollMusic()
{
    player->updatePosition();
}

void VelmoMain::runScript()
{
    script->run(player->position());
}

void VelmoMain::renderFrame(int64_t step)
{
    processEvents();
    scene->render(step);
}

void VelmoMain::presentFrame()
{
    // Captured before the swap: the back buffer's content is undefined after it.
    if (videoWriter) videoWriter->addFrame(readView());
    else if (writeScreenShotMode) writeScreenShot();
    swapBuffers();
}
