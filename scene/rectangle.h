#pragma once
// A flat square with corners at +-1 in one colour: the plain shape of the scene.
#include "scene/object3d.h"

class Rectangle : public Object3D {
public:
    Rectangle(float r, float g, float b, float a);
};
