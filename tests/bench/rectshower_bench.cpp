// CPU cost of one frame of the start-up shower: 500 rectangles, each advanced and drawn
// as 7 motion-blur sub-frames, in a real OpenGL context (run under tools/headless).
#include <benchmark/benchmark.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "core/perlinnoise.h"
#include "math/precalcrandom.h"
#include "scene/rectshower.h"
#include "timeline/clock.h"

namespace {

bool openWindow()
{
    if (SDL_Init(SDL_INIT_VIDEO) != 0 || !SDL_SetVideoMode(800, 340, 0, SDL_OPENGL)) {
        std::fprintf(stderr, "rectshower_bench: no OpenGL window: %s\n", SDL_GetError());
        return false;
    }
    glViewport(0, 0, 800, 340);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 800.0 / 340.0, 1.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    return true;
}

// Frame time, sub-frames per frame and ticks are the defaults; the clock moves 40 ms per
// frame so the drift and the paths move as in the demo.
void BM_RectShowerFrame(benchmark::State& state)
{
    static const bool windowOpen = openWindow();
    if (!windowOpen) {
        state.SkipWithError("no OpenGL window (run under tools/headless)");
        return;
    }
    reseed(2);
    PrecalcRandom tables;
    precalcRandom = &tables;
    ObjectList scene;
    RectShower shower(scene, 500);
    shower.append();

    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        glTranslatef(-20.0f, -10.0f, -120.0f);
        for (Object3D* o : scene)
            o->processFrame(40);
        glFinish();   // count the drawing, not just queueing it
        globalTime += 40;
    }
    state.counters["rectangles"] = static_cast<double>(scene.size());
    precalcRandom = nullptr;
}
BENCHMARK(BM_RectShowerFrame)->Unit(benchmark::kMillisecond);

}  // namespace
