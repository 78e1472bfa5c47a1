#pragma once
// The shell of --writevideo: the demo on an offscreen OpenGL target, every presented frame into
// the VideoWriter, which muxes the music in. No SDL, no window, no X display, no sound server.
// Its constructor is the whole render: of the whole demo, of a stretch (--from, --to), of one
// chunk into a piece (--chunk), or the join of the pieces (--join, which draws nothing).
#include <cstdint>
#include <memory>

#include "app/demo.h"

struct StartOptions;
class MusicClock;
class OffscreenTarget;
class VideoWriter;

class VideoExport : private Demo::Shell {
public:
    // Renders writeVideoFile at view_width × view_height (deriveVideoGeometry) with
    // antialiasSamples. Throws FatalError for a file name, size or sample count that cannot be
    // rendered, before anything is drawn, and for a failure of the writer. A chunk without
    // --seed takes CHUNK_SEED, so that every worker draws the same numbers.
    explicit VideoExport(const StartOptions& options);
    ~VideoExport() override;

    // 0 for a complete video, 128 + the signal for a render cut by one.
    int exitStatus() const { return status; }
    // Presented frames per second; 0 for a render cut while loading.
    double finalFps() { return demo ? demo->finalFps() : 0.0; }

    static constexpr uint32_t CHUNK_SEED = 0;

private:
    int64_t wallClockTicks() override;
    void pollInput() override {}   // no window, no keys
    void showProgress(float percent) override;
    void presentFrame() override;

    // Declared first, destroyed last: everything the demo made lives in its context.
    std::unique_ptr<OffscreenTarget> target;
    std::unique_ptr<Demo> demo;
    std::unique_ptr<MusicClock> clock;
    std::unique_ptr<VideoWriter> videoWriter;
    int status = 0;
};
