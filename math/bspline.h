#pragma once
// A point moving along a uniform cubic B-spline through key points, one step per move().
// The first key point is doubled at the start and the last repeated at the end, so n key
// points give n segments. A path with a single key point has no valid segment and writes nothing.
#include <cstdint>
#include <vector>

#include "math/vec.h"

class BSpline {
public:
    bool loop = false;                    // restart at segment 0 after the last one
    bool relative = false;                // outputs are offset by startingPoint, moved at each restart
    float startingPoint[3] = {0, 0, 0};
    bool active = false;                  // move() does nothing until the owner switches this on
    int32_t stepsPerSegment = 500;        // step units needed to cross one segment
    std::vector<vec> keyPoints;
    float segmentPosition = 0;            // t within the current segment
    uint32_t currentSegment = 0;

    // Draws the key points as a line strip (needs a current GL context).
    void render();
    void addKeyPoint(float x, float y, float z);
    // Empties the key points and rewinds the segment; segmentPosition and the flags are kept.
    void clear();
    // Advances by step and writes the new point through x, y, z. At a relative loop restart the
    // values the outputs hold are added to startingPoint; at the end of the path nothing is written.
    void move(float* x, float* y, float* z, float step);
    void setRelatStartingPoint(float x, float y, float z);
};
