#pragma once
// The demo's music: a tracker module played by GStreamer, filesrc → modplug → audioconvert →
// alsasink, in the pipeline "velmo-media-player". Its position drives the scene script and its
// end ends the run.
//
// Optionally a video file is decoded next to the music (decodebin → videoconvert → fakesink,
// RGBA only); the latest frame can be copied into a GL texture. The demo passes "novideo",
// which leaves that branch out.
//
// Threads: everything runs on the main thread except newDecodedPadCb (decoder thread, holds
// padLock) and handOffHandler with the getPad* queries (video sink thread); the frame hand-over
// between the video sink thread and uploadTexture is guarded by bufferLock.
#include "timeline/musicclock.h"

#include <GL/gl.h>
#include <gst/gst.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <string>

#include "timeline/modplug.h"
#include "timeline/stretch.h"

class VelmoPlayer : public MusicClock {
public:
    // Builds the pipeline and sets it to PAUSED without waiting (see waitForPaused). Throws
    // FatalError when the pipeline or an element of the audio chain cannot be created.
    // gst_init must have been called. With a stretch, the music plays from its start, exactly,
    // positions count from there and the stream ends at its end.
    VelmoPlayer(const std::string& musicFile, const std::string& videoFile, const Stretch& stretch = {});
    // Pipeline to NULL, video texture deleted.
    ~VelmoPlayer() override;
    VelmoPlayer(const VelmoPlayer&) = delete;
    VelmoPlayer& operator=(const VelmoPlayer&) = delete;

    virtual void position(int64_t p);   // streamPosition = p
    int64_t position() override;        // scriptPosition(streamPosition)
    // Creates the video texture on the first call after the first frame, refreshes it from the
    // latest frame on every later call. Needs a current GL context once a frame has arrived.
    virtual void uploadTexture();
    // EOS or error: `running` = false. Always true, so the watch stays.
    virtual bool busCall(GstMessage* message);
    // Not connected to anything; kept for a decoder that announces pads without caps.
    virtual void newPad(GstPad* pad, GstElement* element);
    // 0 before play(). Otherwise re-queries an unknown duration, polls and stores the position
    // (in the music, so from the stretch's start on), hands the bus's pending messages to busCall
    // (not in capture mode, where the demo clock alone ends the run), clears `running` when
    // reachedEnd(position, duration or the stretch's end), and returns the polled position.
    int64_t updatePosition() override;
    // Flushing seek to p ns. (A 64-bit position: the music is longer than 2^32 ns.)
    virtual void seek(int64_t p);
    void play() override;               // PLAYING
    virtual void pause();               // PAUSED
    virtual void newDecodedPadCb(GstPad* pad, GstElement* element);
    virtual void checkStateChange(GstStateChangeReturn result);   // no action
    virtual void checkPadLink(GstPadLinkReturn result);           // no action
    // First buffer: reads the video format from the pad's caps. Later buffers: kept (with a
    // reference) as lastBuffer, replacing the previous one.
    virtual void handOffHandler(GstElement* element, GstBuffer* buffer, GstPad* pad);
    // Fields of the pad's negotiated caps; without caps they print "<name> failed." and give 0.
    virtual int32_t getPadWidth(GstPad* pad);
    virtual int32_t getPadHeight(GstPad* pad);
    virtual double getPadFps(GstPad* pad);
    virtual double getPadAspectRatio(GstPad* pad);

    // How the wait for the pipeline to reach PAUSED (prerolled, the sound device open) ended.
    struct Preroll {
        bool paused = false;
        bool soundDevice = false;   // failed because of the sound output (not the module)
        std::string reason;         // why not, for the user; empty when paused
    };
    // Waits up to `timeout` for the state change that the constructor started.
    Preroll waitForPaused(GstClockTime timeout);

    int64_t duration = 0;          // ns; 0 = unknown
    int64_t streamPosition = 0;    // ns, last polled position
    GstElement* pipeline = nullptr;
    GstElement* fileSource = nullptr;
    GstElement* parser = nullptr;
    GstElement* converter = nullptr;
    GstElement* audioSink = nullptr;
    bool videoInfoKnown = false;   // guarded by bufferLock, like the four format fields
    bool textureCreated = false;
    int32_t videoWidth = 0;
    int32_t videoHeight = 0;
    double videoAspectRatio = std::numeric_limits<double>::quiet_NaN();
    double videoFps = std::numeric_limits<double>::quiet_NaN();
    GLenum textureUnit = GL_TEXTURE1;
    GLuint videoTexture = 0;
    GstBuffer* lastBuffer = nullptr;   // owned reference, guarded by bufferLock
    GstElement* videoSource = nullptr;
    GstElement* decoder = nullptr;
    GstElement* videoBin = nullptr;
    GstElement* colorConverter = nullptr;
    GstElement* videoSink = nullptr;
    bool playing = false;

private:
    // Nothing iterates the main context that the bus watch is on, so the poll does its work.
    // End of stream matters: modplug rounds the duration to whole seconds, and the last
    // polled position can stop short of it.
    void dispatchBusMessages();
    void buildVideoBranch(const std::string& videoFile);
    std::unique_ptr<MusicStretch> stretch;
    // Reads the caps of `pad`, or prints "<what> failed." and returns null.
    GstCaps* negotiatedCaps(GstPad* pad, const char* what);
    std::mutex padLock;
    std::mutex bufferLock;
};
