#pragma once
// A red rectangle at half alpha.
#include "scene/rectangle.h"

class Button : public Rectangle {
public:
    Button();
};
