#include "timeline/clock.h"

int64_t globalTime = 0;
uint32_t motionBlurSamples = 7;
int64_t motionBlurTicks = 1;
const float GST_FRAME_25 = 40000000.0f;
