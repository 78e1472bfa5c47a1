// Fast-forward speed: the demo's loading, then a fast-forward to 160 s (frame 4000) and the
// frames a second it ran at, in an 800 × 340 window on the capture clock (run under
// tools/headless for Mesa's software renderer). Then one frame drawn there, for comparison.
//   tools/headless build/fastforward_bench [frame]
#include <GL/gl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/demo.h"
#include "app/options.h"
#include "app/progress.h"
#include "app/settings.h"
#include "app/window.h"
#include "math/random.h"
#include "timeline/silentclock.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

class BenchShell : public Demo::Shell {
public:
    int64_t wallClockTicks() override { return 0; }
    void pollInput() override {}
    void showProgress(float percent) override { drawProgress(percent); }
    void presentFrame() override { swapBuffers(); }
};

} // namespace

int main(int argc, char** argv)
{
    const uint32_t frame = argc > 1 ? uint32_t(std::atoi(argv[1])) : 4000;
    writeScreenShotMode = true;
    setRunSeed(7);
    deriveViewGeometry(false);
    SdlSession sdl;
    createGLWindow("fast-forward bench", int(view_width), int(view_height), 16, false);
    initGLstuff();

    const auto start = Clock::now();
    BenchShell shell;
    Demo demo(shell);
    const auto loaded = Clock::now();
    demo.fastForward(frame);
    glFinish();
    const auto forwarded = Clock::now();
    SilentClock clock(Stretch{frame, DEMO_FRAMES});
    demo.run(clock, frame + 1);
    glFinish();
    const auto drawn = Clock::now();

    std::printf("loading %.2f s, fast-forward to frame %u (%.2f s of demo) %.2f s: %.0f frames/s; "
                "that frame drawn in %.0f ms\n",
                seconds(loaded - start), frame, frame * 0.04, seconds(forwarded - loaded),
                frame / seconds(forwarded - loaded), 1000 * seconds(drawn - forwarded));
}
