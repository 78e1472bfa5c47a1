#pragma once
// Display settings (the run flags live with the frame loop). Written by the command line parser before the window
// exists; read-only afterwards, except `running`.
#include <cstdint>
#include <string>

#include "timeline/runflags.h"

extern uint32_t screen_width;      // window width; full screen: width of the video mode
extern uint32_t screen_height;     // height of the full-screen video mode
extern float screen_aspect;        // physical aspect of the monitor
extern float view_aspect;          // aspect of the letterboxed picture
extern float pixel_aspect_width;   // horizontal stretch of one pixel (derived)
extern uint32_t view_width;        // derived
extern uint32_t view_height;       // derived

extern std::string writeVideoFile;
extern uint32_t antialiasSamples;  // samples per pixel of an exported video; 0: one, no resolve
extern bool antialiasGiven;        // --antialias was given: fewer samples will not do // with capture: the frames go into this video, not TGA files
