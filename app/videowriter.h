#pragma once
// Renders the demo into one video file, in process. Every presented frame goes into a GStreamer
// encoding pipeline, the music is decoded next to it by modplug with the player's settings, and
// both are muxed into the file. Frame n is stamped n × 40 ms, so sound and picture are in step
// by construction, whatever the speed of the capture.
//
//   appsrc (RGB, rows bottom-up) → videoconvert → videoflip → I420 → queue → video encoder [→ parser] ┐
//   filesrc → modplug → audioconvert → audioresample → 48 kHz stereo → audio encoder ──────────────── muxer → filesink
//
// Threads: the caller's thread only hands frames over and polls the bus. Conversion runs on
// appsrc's thread, encoding on the queue's, the music and its encoder on modplug's, so the next
// frame renders while the previous one is encoded. The music has no queue of its own: the muxer
// holds it back to the video, which keeps memory bounded and lets finish() cut it where the
// video ends.
//
// Frames may also arrive encoded (the join of a chunked render), to be muxed as they are:
//
//   appsrc (encoded) [→ parser] → muxer
//
// The file is written as FILE.partial-XXXXXX, a name of this run's own made exclusively (two
// runs to one name never share a file; the last to finish takes the name), and renamed once it
// is closed, checked and on disk; a run that fails or stops early leaves nothing behind. An MP4
// keeps its data in FILE.partial-XXXXXX-dataXXXXXX until the index can be written in front of it.
#include <gst/gst.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "timeline/modplug.h"

// How a file name is written: the muxer and the encoders.
struct VideoFormat {
    std::string extension;     // of the file name, lower case: ".mp4"
    std::string muxer;
    std::string videoEncoder;
    std::string videoCaps;     // what the video encoder must emit (the profile)
    std::string videoParser;   // between the video encoder and the muxer; empty for none
    std::string audioEncoder;
};

class VideoWriter {
public:
    // Whether a GStreamer element of that name is installed.
    using Installed = std::function<bool(const std::string& element)>;

    // The container follows the extension (any case): .mkv and .webm take VP9 with Opus,
    // .mp4 takes H.264 High (x264enc) with AAC-LC (avenc_aac). Throws FatalError for another
    // or no extension, for a container whose elements are not installed and when the
    // elements every video needs (modplug among them) are missing; the message lists what
    // is supported here.
    static VideoFormat chooseFormat(const std::string& fileName, const Installed& installed);
    // chooseFormat against the GStreamer registry. gst_init must have been called. Call it
    // before anything else runs, so a bad name costs nothing.
    static VideoFormat checkFileName(const std::string& fileName);

    // Sets the encoder's settings for a picture of width × height, each clamped to the range
    // the element accepts. Throws FatalError when the element keeps another value than the one set.
    static void applyEncoderSettings(GstElement* element, const std::string& encoder, uint32_t width, uint32_t height);

    // What to write.
    struct Setup {
        std::string fileName;
        VideoFormat format;              // checkFileName of the video the user named
        uint32_t width = 0, height = 0;
        int64_t lengthNs = 0;            // of the video: progress counts towards it
        std::string musicFile;           // empty: a video without sound
        int64_t musicStartNs = 0;        // where in the music the video starts
        std::string comment;             // the file's comment tag; empty: none
        // Frames arrive already encoded with these caps (GStreamer's text form), to be muxed as
        // they are. Empty: RGB frames, encoded here.
        std::string encodedCaps;
        bool indexInFront = true;        // .mp4: the index before the data, for players on the web
        // RGB frames encoded, then dropped, before the first kept one: a piece's first key
        // frame then gets the quality the same frame has in a whole export, whose encoder
        // has settled on the frames before it. A whole number of key-frame intervals.
        uint32_t leadInFrames = 0;
        std::string progressVerb = "Rendering";
        // The element that writes the file: a file sink (tests bring a slow or failing one).
        std::string fileSink = "filesink";
        // How long the pipeline may take neither a frame nor a byte before the writer gives up.
        std::chrono::seconds stallLimit{300};
    };

    // Builds the pipeline and starts it. Throws FatalError when the format is refused, an
    // element is missing or the pipeline cannot start (the file cannot be created, the music
    // cannot be read).
    explicit VideoWriter(const Setup& setup);
    // The whole demo's video of RGB frames with its music.
    VideoWriter(const std::string& fileName, const std::string& musicFile, uint32_t width,
                uint32_t height, int64_t lengthNs);
    // Without a successful finish(): stops the pipeline and removes the partial file.
    ~VideoWriter();
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    // Hands one RGB frame of width × height × 3 bytes, rows packed without padding as
    // glReadPixels gives them with a pack alignment of 1, bottom row first, over without
    // copying it. Returns once the frame is queued; waits only while more than QUEUED_FRAMES
    // frames are waiting for the encoder, giving up after stallLimit without room; after a
    // signal (interruptSignal) it drops the frame and returns at once. Frame n gets pts n × 40 ms and duration 40 ms. Prints
    // the progress "Rendering FILE: P%, S s of L s, X.XXx real time, M:SS left" on standard
    // output: on a terminal one line redrawn every 25th frame, elsewhere a line at each tenth
    // of lengthNs. Throws FatalError on a frame of the wrong size or an error of the pipeline
    // (disk full), after removing the partial file.
    void addFrame(std::vector<uint8_t>&& rgbBottomUp);
    // Hands one encoded frame over (the writer takes the buffer) with its presentation and
    // decoding times in the video, from 0 (a decoding time may lie a few frames before 0).
    // Waits and throws as addFrame.
    void addEncodedFrame(GstBuffer* frame, int64_t ptsNs, int64_t dtsNs);
    // Ends the video after the frames handed over, cuts the music at the end of the last
    // frame when that is before lengthNs, waits for the encoders and the muxer to finish the
    // file for as long as they make progress (shown as "finishing: …" on the progress line),
    // checks that the closed file holds every byte written, puts it on disk and renames it to
    // its final name. Returns false, partial files removed, when a signal (interruptSignal)
    // arrives meanwhile. Throws FatalError (partial files removed) on any error, when nothing
    // moved for stallLimit and when no frame was handed over; when only the rename fails, the
    // complete partial file is kept and the message says where.
    bool finish();

    uint32_t framesAdded() const { return frameCount; }
    // Ends a redrawn progress line, so that what follows starts on a line of its own.
    void endProgressLine();

    // Frames waiting in appsrc before addFrame waits for the encoder.
    static constexpr uint32_t QUEUED_FRAMES = 8;

private:
    void build(const Setup& setup);
    // Queues a frame once there is room; throws as addFrame.
    void push(GstBuffer* frame);
    // Stops the pipeline, removes the partial file and throws FatalError with the reason.
    [[noreturn]] void fail(const std::string& reason);
    // The first error on the bus as text, or empty; waits up to `timeout` for one.
    std::string pendingError(GstClockTime timeout);
    // Removes FILE.partial and the muxer's data beside it; whether FILE.partial was there.
    bool removePartialFiles();
    // Stops the pipeline, removes the partial files, ends the progress line; whether the
    // partial file was there.
    bool discard();
    // Whether nothing (frames, bytes, the MP4's data file) has moved for stallLimit since the
    // last call that saw it move.
    struct StallWatch {
        uint64_t mark = ~uint64_t(0);
        std::chrono::steady_clock::time_point since;
    };
    bool stalled(StallWatch& watch);
    // On a terminal: the progress line redrawn in place about once a second of video. Else
    // a line at each further tenth of the length.
    void printProgress();
    // "finishing: PHASE, N MB written" on the progress line while finish() waits.
    void printFinishing(const char* phase);

    // What the streaming threads moved, counted by pad probes: how finish() and push() tell a
    // slow pipeline from one that has stopped, and how long the written file must be.
    struct Flow {
        std::atomic<uint64_t> frames{0};     // out of the video encoder (or in from appsrc)
        std::atomic<uint64_t> bytes{0};      // into the file sink
        std::atomic<uint64_t> position{0};   // of the file sink, which the muxer may move back
        std::atomic<uint64_t> end{0};        // the furthest byte written: the file's length
        std::atomic<bool> videoEnded{false};  // the muxer has every video frame
    };

    std::string fileName;
    std::string progressVerb;
    std::string partialName;
    std::string dataName;                  // empty: no MP4 data file
    std::chrono::seconds stallLimit;
    const char* finishingPhase = nullptr;   // last shown
    uint32_t width = 0, height = 0;
    int64_t lengthNs = 0;
    bool encoded = false;
    GstElement* pipeline = nullptr;
    GstElement* frameSource = nullptr;
    GstBus* bus = nullptr;
    Flow flow;                             // the probes' user data
    std::unique_ptr<MusicStretch> music;   // its address is the probe's user data
    uint32_t frameCount = 0;
    uint32_t leadInFrames = 0;
    GstClockTime leadInEnd = 0;            // the probe's user data
    bool finished = false;
    const bool terminal;   // standard output is one
    bool progressLineOpen = false;
    int reportedTenths = 0;
    std::chrono::steady_clock::time_point started;
};
