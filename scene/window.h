#pragma once
// A white rectangle at half alpha that other objects can be packed into.
#include "scene/rectangle.h"

class Window : public Rectangle {
public:
    Window();
};
