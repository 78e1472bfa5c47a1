#include "app/input.h"

#include <SDL.h>

#include "app/settings.h"
#include "app/window.h"

namespace {

// The flag a held key drives, or null for keys that are not held-key flags.
bool* heldFlag(int key)
{
    switch (key) {
    case SDLK_UP: return &upKey;
    case SDLK_DOWN: return &downKey;
    case SDLK_RIGHT: return &rightKey;
    case SDLK_LEFT: return &leftKey;
    case SDLK_PAGEUP: return &pageUpKey;
    case SDLK_PAGEDOWN: return &pageDownKey;
    case SDLK_w: return &wKey;
    case SDLK_a: return &aKey;
    case SDLK_s: return &sKey;
    case SDLK_d: return &dKey;
    case SDLK_q: return &qKey;
    case SDLK_e: return &eKey;
    case SDLK_1: return &key1;
    case SDLK_2: return &key2;
    case SDLK_n: return &nKey;
    default: return nullptr;
    }
}

} // namespace

void keyPressed(int key)
{
    if (bool* flag = heldFlag(key)) *flag = true;
    if (key == SDLK_n) {
        seekModePosition += 1000000000;
        seekMode = true;
    }
}

void keyReleased(int key)
{
    switch (key) {
    case SDLK_ESCAPE:
        running = false;
        return;
    case SDLK_l:
        light = !light;
        applyLight();
        return;
    case SDLK_b:
        blend = !blend;
        applyBlend();
        return;
    default:
        if (bool* flag = heldFlag(key)) *flag = false;
    }
}

void processEvents()
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_KEYDOWN: keyPressed(event.key.keysym.sym); break;
        case SDL_KEYUP: keyReleased(event.key.keysym.sym); break;
        case SDL_QUIT: running = false; break;
        default: break;
        }
    }
}
