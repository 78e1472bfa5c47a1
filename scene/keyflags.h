#pragma once
// The keyboard as the scene sees it, written by the shell's event handling (app/input) and read
// where the camera and the objects are steered by hand. Held-key flags are true from press to
// release.
#include <cstdint>

extern bool upKey, downKey, rightKey, leftKey, pageUpKey, pageDownKey;
extern bool wKey, aKey, sKey, dKey, qKey, eKey;
extern bool key1, key2, nKey;

extern bool seekMode;              // set by the first N press, never cleared
extern int64_t seekModePosition;   // ns; +1 s per N press
