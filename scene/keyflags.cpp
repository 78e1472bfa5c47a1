#include "scene/keyflags.h"

bool upKey = false, downKey = false, rightKey = false, leftKey = false;
bool pageUpKey = false, pageDownKey = false;
bool wKey = false, aKey = false, sKey = false, dKey = false, qKey = false, eKey = false;
bool key1 = false, key2 = false, nKey = false;

bool seekMode = false;
int64_t seekModePosition = 0;
