#pragma once
// Keyboard and window events. Held-key flags are level-triggered: true from press to
// release. Quitting and the L/B toggles act on release.
#include "scene/keyflags.h"

void processEvents();
void keyPressed(int key);
void keyReleased(int key);
