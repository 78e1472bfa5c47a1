#include "app/videoexport.h"

#include <GL/gl.h>

#include <chrono>

#include "app/interrupt.h"
#include "app/offscreen.h"
#include "app/options.h"
#include "app/progress.h"
#include "app/settings.h"
#include "app/videowriter.h"
#include "app/window.h"
#include "core/datafiles.h"
#include "timeline/musicclock.h"
#include "timeline/silentclock.h"

namespace {

// A video holds the demo's length and no more: 25 frames a second.
constexpr uint32_t VIDEO_FRAMES = uint32_t(DEMO_LENGTH / VideoWriter::FRAME_NS);

// Thrown from the loading bar when a signal arrived: loading a large picture takes seconds,
// and a cut render should not wait for it.
struct LoadingCut {};

} // namespace

VideoExport::VideoExport()
{
    VideoWriter::checkFileName(writeVideoFile);
    deriveVideoGeometry();
    catchInterrupts();

    // The default sample count gives way where fewer are offered; an asked-for one does not.
    target = std::make_unique<OffscreenTarget>(view_width, view_height, antialiasSamples, !antialiasGiven);
    // The window's GL state, on a view that fills the picture.
    resizeGLScene(int(view_width), int(view_height));
    initGLstuff();

    try {
        demo = std::make_unique<Demo>(static_cast<Demo::Shell&>(*this));
    } catch (const LoadingCut&) {
        status = reportCut(writeVideoFile, 0, "no video was written.");
        return;
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // The video carries the music itself; the script runs on the silent capture clock.
    clock = makeMusicClock(false, std::string());
    videoWriter = std::make_unique<VideoWriter>(writeVideoFile, dataFile("music.xm"), view_width, view_height,
                                                DEMO_LENGTH);
    demo->run(*clock);
    // Without all its frames the video stays a partial file, which the writer removes.
    if (videoWriter->framesAdded() < VIDEO_FRAMES)
        status = reportCut(writeVideoFile, videoWriter->framesAdded(), "no video was written.");
    else videoWriter->finish();
}

VideoExport::~VideoExport() = default;

int64_t VideoExport::wallClockTicks()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void VideoExport::showProgress(float percent)
{
    if (interruptSignal()) throw LoadingCut{};
    // Drawn for the GL state it leaves, as in the window; a video starts with the first demo frame.
    drawProgress(percent);
}

void VideoExport::presentFrame()
{
    videoWriter->addFrame(target->readFrame());
    if (videoWriter->framesAdded() == VIDEO_FRAMES) running = false;
}
