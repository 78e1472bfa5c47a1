#include "app/demo.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include "app/interrupt.h"
#include "core/perlinnoise.h"
#include "math/precalcrandom.h"
#include "timeline/musicclock.h"
#include "timeline/runflags.h"
#include "timeline/scene.h"
#include "timeline/scenescript.h"
#include "timeline/silentclock.h"

namespace {

// Everything drawn is thrown away before it becomes pixels. Contexts older than OpenGL 3.0 lack
// the rasterizer switch; an empty scissor box fills nothing there (the scene never scissors).
void discardPixels(bool discard)
{
    if (discard) {
        for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; ++i) {}
        glEnable(GL_RASTERIZER_DISCARD);
        if (glGetError() == GL_NO_ERROR) return;
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 0, 0, 0);
    } else {
        glDisable(GL_RASTERIZER_DISCARD);
        glDisable(GL_SCISSOR_TEST);
        glGetError();
    }
}

} // namespace

Demo::Demo(Shell& shell) : shell(shell)
{
    randomTables = std::make_unique<PrecalcRandom>();
    precalcRandom = randomTables.get();
    reseed(2);
    scenePtr = std::make_unique<Scene>([&](float percent) { shell.showProgress(percent); });
    script = std::make_unique<SceneScript>(*scenePtr);
}

Demo::~Demo()
{
    script.reset();
    scenePtr.reset();
    if (precalcRandom == randomTables.get()) precalcRandom = nullptr;
}

void Demo::startLoop()
{
    if (loopStarted) return;
    loop.start();
    loopStarted = true;
}

void Demo::fastForward(uint32_t frame)
{
    if (loop.frameCount >= frame) return;
    const bool capture = writeScreenShotMode;
    writeScreenShotMode = true;
    SilentClock silent;
    clock = &silent;
    startLoop();
    fastForwarding = true;
    discardPixels(true);
    while (loop.frameCount < frame && running && !interruptSignal()) loop.mainLoop();
    discardPixels(false);
    fastForwarding = false;
    clock = nullptr;
    writeScreenShotMode = capture;
    loop.restartMusic();
    if (!capture) loop.continueOnWallClock();
}

void Demo::run(MusicClock& musicClock, uint32_t end)
{
    clock = &musicClock;
    startLoop();
    while (running && !interruptSignal() && !(writeScreenShotMode && loop.frameCount >= end)) loop.mainLoop();
    clock = nullptr;
}

void Demo::startMusic()
{
    clock->play();
}

void Demo::pollMusic()
{
    clock->updatePosition();
}

void Demo::runScript()
{
    script->run(clock->position());
}

void Demo::renderFrame(int64_t step)
{
    shell.pollInput();
    scenePtr->render(step);
}

void Demo::presentFrame()
{
    if (!fastForwarding) shell.presentFrame();
}
