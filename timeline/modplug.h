#pragma once
// The demo's music decoder settings, shared by the player and the video writer so that the
// video sounds exactly as the demo does.
#include <gst/gst.h>

#include <atomic>
#include <cstdint>
#include <limits>

// Reverb on (depth 30, delay 100), and a stream-start event on the decoder's output: GStreamer
// 1.x wants every stream to begin with one, modplug never sends it, and GStreamer would warn
// about it on every start.
void configureModplug(GstElement* modplug);

// A stretch of the music played as a stream of its own: on modplug's output, the sound before
// startNs is dropped, the stream ends at stopNs, and what is left is stamped from 0. Exact to the
// sample, where a seek would land modplug on a pattern row with every note cut; decoding what is
// dropped costs about 4 ms a second of music. Attach it before the pipeline leaves NULL and keep
// it until the pipeline is back there.
class MusicStretch {
public:
    MusicStretch(GstElement* modplug, int64_t startNs, int64_t stopNs = std::numeric_limits<int64_t>::max());
    // Ends the stream earlier (a video that stopped early); safe while the music plays.
    void stopAt(int64_t ns) { stopNs = ns; }

    int64_t startNs() const { return start; }
    int64_t stopAt() const { return stopNs; }

private:
    static GstPadProbeReturn onBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer self);
    bool readFormat(GstPad* pad);

    const int64_t start;
    std::atomic<int64_t> stopNs;
    // Of modplug's output, known from its first buffer; read on modplug's thread only.
    int bytesPerFrame = 0;
    int rate = 0;
};
