#pragma once
// A 30 x 30 height field whose heights are a closed function of the demo clock: travelling
// sine waves (type 0 and any unknown type) or 2-D Perlin noise (types 1 and 2). Nothing is
// simulated, so every motion-blur sub-frame of one frame shows the same shape.
#include <cstdint>
#include <vector>

#include "scene/object3d.h"

class MovingField : public Object3D {
public:
    // Base step of MovingBall: no mesh, nothing animated.
    MovingField();
    // Throws FatalError for type 3 (BALL), which MovingBall draws now.
    MovingField(uint32_t type, float r, float g, float b, float a);

    // Object3D::idle, reset, face normals.
    void idle(float dt) override;
    // reset(0).
    virtual void init();
    // The drawn mesh's vertices (x, y, z per vertex).
    virtual std::vector<float>& m_position();
    // Stored for the script; the animation does not read it. Returns s.
    virtual float speed(float s);
    // Rewrites the heights of the drawn mesh for the current globalTime; step is unused.
    // Allocates nothing.
    virtual void reset(float step);

    uint32_t type = 0;          // 1, 2: noise; 3 refused; anything else: sine waves
    uint32_t gridSize = 30;     // rows and columns animated, at most the mesh's
    float speedFactor = 0.0005f;

private:
    std::vector<long double> wave;   // sine of each row (= column) for the sine pattern
};
