#include "scene/window.h"

Window::Window() : Rectangle(1.0f, 1.0f, 1.0f, 0.5f) {}
