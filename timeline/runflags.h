#pragma once
// How the run goes, set from the command line before the first pass and read by the frame
// loop and the music clocks.
extern bool running;               // the frame loop runs while true
extern bool musicOn;               // poll the music position and run the scene script
extern bool writeScreenShotMode;   // capture: fixed 1 ms passes, every frame presented is kept
