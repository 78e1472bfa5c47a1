#pragma once
// A 30 x 30 membrane that moves by itself: every node has a height, a velocity and a force,
// and springs (orthogonal weight 1, diagonal SQRT_OF_TWO_INV) pull neighbouring heights
// together. There is no damping, so a disturbed field keeps oscillating.
//
// The simulation runs on a padded grid of P = n + 4 nodes per side: the outermost ring is
// held at height 0, the inner border ring moves but is not drawn. Visible vertex (r, c) of
// the FIELD mesh shows padded node (r + 2, c + 2). The simulation itself touches no OpenGL.
#include <cstdint>
#include <vector>

#include "scene/object3d.h"

// The float nearest to 1/sqrt(2), weight of the diagonal springs.
extern const float SQRT_OF_TWO_INV;

class Field : public Object3D {
public:
    // A FIELD mesh of `size` in the given colour, holding pattern 10 at rest.
    Field(float r, float g, float b, float a);

    // One step: Object3D::idle, forces, velocities, positions, face normals.
    void idle(float dt) override;
    // Creates the node arrays (and the mesh, when its size differs) for `size` and calls
    // reset(10).
    virtual void init();
    // The drawn mesh's vertices (x, y, z per visible node).
    virtual std::vector<float>& m_position();
    virtual uint32_t fieldSizePadded();   // P = n + 4
    // n: the size the arrays were made for at the last init; a changed `size` waits for it.
    virtual uint32_t fieldSize();
    // Scales forces into velocities from the next step on; returns s.
    virtual float speed(float s);
    // Spring forces of the visible nodes' eight neighbours; the outermost ring keeps F = 0.
    virtual void idleForce(float dt);
    // V += F * speed / dt. A step with dt <= 0 (or NaN) leaves the velocities as they are:
    // dividing by it would turn every velocity into an infinity or NaN for good.
    virtual void idleVelocity(float dt);
    // z += V, then the visible heights are copied into the mesh.
    virtual void idlePosition(float dt);
    // Stops all motion and sets the heights of one of the patterns 1..9; anything else is 10.
    // The mesh follows at the next idlePosition.
    virtual void reset(int pattern);

    // Per padded node (row j, column i): positions[(P*j + i)*3 + 2] is the height z (the
    // other two floats stay NaN), forces and velocities at P*j + i.
    std::vector<float> positions;
    std::vector<float> forces;
    std::vector<float> velocities;
    uint32_t size = 30;
    float speedFactor = 0.0005f;

private:
    float patternHeight(int pattern, uint32_t j, uint32_t i);

    uint32_t simulatedSize_ = 0;
};
