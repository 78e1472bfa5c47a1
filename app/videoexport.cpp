#include "app/videoexport.h"

#include <GL/gl.h>

#include <chrono>

#include "app/interrupt.h"
#include "app/offscreen.h"
#include "app/options.h"
#include "app/pieces.h"
#include "app/progress.h"
#include "app/settings.h"
#include "app/version.h"
#include "app/videojoin.h"
#include "app/videowriter.h"
#include "app/window.h"
#include "core/datafiles.h"
#include "core/fatalerror.h"
#include "gfx/texture.h"
#include "math/random.h"
#include "timeline/silentclock.h"

namespace {

// Thrown from the loading bar when a signal arrived: loading a large picture takes seconds,
// and a cut render should not wait for it.
struct LoadingCut {};

} // namespace

VideoExport::VideoExport(const StartOptions& options)
{
    const VideoFormat format = VideoWriter::checkFileName(writeVideoFile);
    if (options.joinCount) {
        status = joinPieces(writeVideoFile, format, options.joinCount);
        return;
    }
    deriveVideoGeometry();
    catchInterrupts();
    const bool chunk = options.chunkCount != 0;
    Stretch stretch = chunk ? options.stretch.chunk(options.chunkIndex, options.chunkCount) : options.stretch;
    // A later chunk also encodes the key-frame interval before it, and drops it.
    const uint32_t leadIn = chunk && stretch.first > options.stretch.first ? GOP_FRAMES : 0;
    stretch.first -= leadIn;
    if (chunk && !haveRunSeed()) setRunSeed(CHUNK_SEED);

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
    // A window run goes on without a picture; a video, made to be kept, is not rendered so.
    if (!Texture::failures.empty()) {
        std::string why;
        for (const std::string& failure : Texture::failures) why += (why.empty() ? "" : "; ") + failure;
        throw FatalError("Not rendering the video without its pictures: " + why);
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // The video carries the music itself; the script runs on the silent capture clock.
    clock = std::make_unique<SilentClock>(stretch);
    VideoWriter::Setup setup;
    setup.format = format;
    setup.width = view_width;
    setup.height = view_height;
    setup.lengthNs = stretch.endNs() - stretch.startNs();
    if (chunk) {
        // A piece has no sound: the join encodes the music once, over the whole render.
        Piece piece{VELMO_VERSION,     format.extension, view_width,        view_height,
                    runSeed(),         target->sampleCount(), options.stretch, options.chunkIndex,
                    options.chunkCount};
        setup.fileName = pieceName(writeVideoFile, options.chunkIndex, options.chunkCount);
        setup.comment = piece.text();
        setup.indexInFront = false;
        setup.leadInFrames = leadIn;
    } else {
        setup.fileName = writeVideoFile;
        setup.musicFile = dataFile("music.xm");
        setup.musicStartNs = stretch.startNs();
    }
    videoWriter = std::make_unique<VideoWriter>(setup);
    demo->fastForward(stretch.first);
    demo->run(*clock, stretch.end);
    // Without all its frames the video stays a partial file, which the writer removes.
    if (videoWriter->framesAdded() < stretch.frames() || !videoWriter->finish()) {
        videoWriter->endProgressLine();
        status = reportCut(setup.fileName, videoWriter->framesAdded() - leadIn, "no video was written.");
    }
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
}
