#pragma once
// The demo clock and the motion-blur timing that every time-driven object reads.
#include <cstdint>

extern int64_t globalTime;            // ms; sum of all frame-loop pass deltas
extern uint32_t motionBlurSamples;    // sub-frames per frame of a motion-blurred object
extern int64_t motionBlurTicks;       // ms between sub-frames
extern const float GST_FRAME_25;      // ns in one 25-fps frame
