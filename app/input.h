#pragma once
// Keyboard and window events. Held-key flags are level-triggered: true from press to
// release. Quitting and the L/B toggles act on release.
#include <cstdint>

extern bool upKey, downKey, rightKey, leftKey, pageUpKey, pageDownKey;
extern bool wKey, aKey, sKey, dKey, qKey, eKey;
extern bool key1, key2, nKey;

extern bool seekMode;              // set by the first N press, never cleared
extern int64_t seekModePosition;   // ns; +1 s per N press

void processEvents();
void keyPressed(int key);
void keyReleased(int key);
