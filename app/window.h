#pragma once
// The SDL 1.2 OpenGL window, the letterboxed view inside it and the fixed GL state
// that every scene relies on.
#include <cstdint>
#include <string>

// Where the view lies in the window, in pixels from the lower left. In full screen the
// view is centred vertically; a negative offset is kept as its bit pattern.
extern uint32_t current_view_x, current_view_y, current_view_width, current_view_height;

extern bool light;   // lighting enabled
extern bool blend;   // blending on and depth test off (false: the other way round)

// SDL for the run: SDL_Init(0xFFFF) on construction (FatalError "Failed to initialize SDL: "
// + SDL's reason), SDL_Quit on destruction. Held as an object so that a fatal error after the
// window opened still gives a full-screen desktop its video mode back.
class SdlSession {
public:
    SdlSession();
    ~SdlSession();
    SdlSession(const SdlSession&) = delete;
    SdlSession& operator=(const SdlSession&) = delete;
};

// Throws FatalError "Failed to open OpenGL window: " + SDL's reason.
void createGLWindow(const std::string& title, int width, int height, int bits, bool fullscreen);
std::string getSDLError();
void resizeGLScene(int width, int height);
void initGLstuff();
void fogSetup();
void swapBuffers();

// Applies `light` and `blend` to the GL state (start-up and the L/B keys).
void applyLight();
void applyBlend();
