#pragma once
// Display settings and run flags. Written by the command line parser before the window
// exists; read-only afterwards, except `running`.
#include <cstdint>
#include <string>

extern uint32_t screen_width;      // window width; full screen: width of the video mode
extern uint32_t screen_height;     // height of the full-screen video mode
extern float screen_aspect;        // physical aspect of the monitor
extern float view_aspect;          // aspect of the letterboxed picture
extern float pixel_aspect_width;   // horizontal stretch of one pixel (derived)
extern uint32_t view_width;        // derived
extern uint32_t view_height;       // derived

extern bool running;               // the frame loop runs while true
extern bool musicOn;               // poll the music position and run the scene script
extern bool writeScreenShotMode;   // capture: fixed 1 ms passes, every frame to disk
extern std::string writeVideoFile; // with capture: the frames go into this video, not TGA files
