#pragma once
// The demo's music decoder settings, shared by the player and the video writer so that the
// video sounds exactly as the demo does.
#include <gst/gst.h>

// Reverb on (depth 30, delay 100), and a stream-start event on the decoder's output: GStreamer
// 1.x wants every stream to begin with one, modplug never sends it, and GStreamer would warn
// about it on every start.
void configureModplug(GstElement* modplug);
