#pragma once
// A swarm of small translucent black squares tumbling along looping paths. Not a scene
// object itself: it owns its rectangles and puts all of them into the scene list, or
// takes them out, with one call, so the script can switch the swarm on and off.
#include <cstdint>
#include <memory>
#include <vector>

#include "scene/object3d.h"
#include "scene/rectangle.h"

class RectShower {
public:
    // Builds `count` rectangles from the global precalcRandom (nine next(20) and one
    // next(256) each, in a fixed order); adds nothing to `scene`.
    RectShower(ObjectList& scene, uint32_t count);
    virtual ~RectShower();

    // Appends every rectangle in creation order; twice puts each in twice.
    virtual void append();
    // Removes the first occurrence of each rectangle.
    virtual void remove();
    // remove(), then forgets the rectangles for good.
    virtual void clear();

    ObjectList& scene;
    uint32_t count = 100;
    std::vector<std::unique_ptr<Rectangle>> rectangles;

private:
    // clear() takes out only one copy of each rectangle; copies appended more than once
    // stay in the scene, so the forgotten rectangles are kept alive here.
    std::vector<std::unique_ptr<Rectangle>> cleared_;
};
