#include "scene/rectangle.h"

Rectangle::Rectangle(float r, float g, float b, float a)
{
    auto mesh = std::make_unique<Mesh>(RECTANGLE, 1.0f);
    mesh->color(r, g, b, a);
    meshes.push_back(std::move(mesh));
}
