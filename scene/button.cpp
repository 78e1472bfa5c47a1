#include "scene/button.h"

Button::Button() : Rectangle(1.0f, 0.0f, 0.0f, 0.5f) {}
