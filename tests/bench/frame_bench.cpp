// Render time per frame of the demo's scenes, with the real scene in an 800 × 340 window
// (run under tools/headless for Mesa's software renderer), plus the cost of capturing one
// frame to disk. From each sampled moment of the script on: median and 99th percentile over
// the next frames (200 by default: 8 s of demo), each timed to glFinish.
//   tools/headless build/frame_bench [frames]
#include <GL/gl.h>
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/capture.h"
#include "timeline/scene.h"
#include "app/settings.h"
#include "app/window.h"
#include "core/perlinnoise.h"
#include "math/precalcrandom.h"
#include "timeline/clock.h"
#include "timeline/scenescript.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double percentile(std::vector<double> v, double q)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(q * double(v.size())))];
}

} // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::atoi(argv[1]) : 200;
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return 1;
    }
    createGLWindow("frame bench", 800, 340, 16, false);
    initGLstuff();
    PrecalcRandom tables;
    precalcRandom = &tables;
    reseed(2);
    auto scene = std::make_unique<Scene>([](float) {});
    SceneScript script(*scene);

    // Moments of the script, in seconds: one per scene, the heavy ones included.
    const double moments[] = {0, 13, 17, 24, 29, 37, 49, 61, 73, 87, 98, 105, 111, 121, 124, 132, 137, 145, 148, 158};
    std::printf("%15s %8s %10s %10s\n", "demo seconds", "objects", "median ms", "p99 ms");
    for (double second : moments) {
        // Walk the clock up to the moment, firing every event on the way as the demo does.
        while (globalTime < int64_t(second * 1000)) {
            script.run(globalTime * 1000000);
            globalTime += 40;
            scene->render(22);
        }
        glFinish();
        const double from = globalTime / 1000.0;
        const size_t count = objects.size();
        std::vector<double> times;
        for (int i = 0; i < frames; ++i) {
            script.run(globalTime * 1000000);
            auto start = Clock::now();
            scene->render(22);
            glFinish();
            times.push_back(ms(Clock::now() - start));
            globalTime += 40;
        }
        std::printf("%6.1f - %6.1f %8zu %10.2f %10.2f\n", from, globalTime / 1000.0, count,
                    percentile(times, 0.5), percentile(times, 0.99));
    }

    // One capture: read-back, template, TGA file.
    writeScreenShotMode = true;
    std::vector<double> captures;
    std::FILE* quiet = std::freopen("/dev/null", "w", stdout);
    for (int i = 0; i < 50; ++i) {
        auto start = Clock::now();
        writeScreenShot();
        captures.push_back(ms(Clock::now() - start));
    }
    if (quiet) std::freopen("/dev/tty", "w", stdout);
    std::fprintf(stderr, "capture of one frame: median %.2f ms, p99 %.2f ms\n", percentile(captures, 0.5),
                 percentile(captures, 0.99));
    SDL_Quit();
    return 0;
}
