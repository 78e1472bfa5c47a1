#include "app/demo.h"

#include "app/interrupt.h"
#include "timeline/scene.h"
#include "core/perlinnoise.h"
#include "math/precalcrandom.h"
#include "timeline/musicclock.h"
#include "timeline/runflags.h"
#include "timeline/scenescript.h"

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

void Demo::run(MusicClock& musicClock)
{
    clock = &musicClock;
    loop.start();
    while (running && !interruptSignal()) loop.mainLoop();
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
