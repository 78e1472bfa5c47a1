#include "timeline/runflags.h"

bool running = true;
bool musicOn = true;
bool writeScreenShotMode = false;
