#pragma once
// A sphere of 30 rings of 30 vertices whose radius varies per vertex with nested 2-D Perlin
// noise driven by the demo clock. Each vertex keeps the direction it has on an unanimated
// copy of the ball and only its distance from the centre changes.
#include <cstdint>
#include <memory>

#include "scene/movingfield.h"

class MovingBall : public MovingField {
public:
    // Throws FatalError unless type is 3 (BALL).
    MovingBall(uint32_t type, float r, float g, float b, float a);

    // Rewrites the 900 generated vertices of the drawn ball for the current globalTime;
    // step is unused. Allocates nothing.
    void reset(float step) override;

    // Never drawn and not in meshes: only its vertex directions are read.
    std::unique_ptr<Mesh> restMesh;
};
