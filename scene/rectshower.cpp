#include "scene/rectshower.h"

#include "core/orderedlist.h"
#include "math/precalcrandom.h"

RectShower::RectShower(ObjectList& scene, uint32_t count) : scene(scene), count(count)
{
    PrecalcRandom& random = *precalcRandom;
    for (uint32_t k = 0; k < count; ++k) {
        auto rect = std::make_unique<Rectangle>(0.0f, 0.0f, 0.0f, 0.4f);

        // One draw per statement: the order of the draws is part of the result.
        const float x = static_cast<float>(random.next(20) * 2.0);
        const float y = static_cast<float>(random.next(20) * 0.2 - 20.0);
        const float z = static_cast<float>(random.next(20) * 2.0);
        rect->position.set(x, y, z);

        rect->rotation.x(static_cast<float>(random.next(20)));
        rect->rotation.y(static_cast<float>(random.next(20) + 80.0));
        rect->rotation.z(static_cast<float>(random.next(20)));

        rect->rotationSpeed.x(static_cast<float>(random.next(20) * 0.1));
        rect->rotationSpeed.y(static_cast<float>(random.next(20) * 0.1));
        rect->rotationSpeed.z(static_cast<float>(random.next(20) * 0.1));

        rect->motionBlur = true;
        rect->meshes[0]->isBlended(true);

        // An endless relative loop: up 30, forward and back 50 in z, home again.
        BSpline& path = rect->path;
        path.loop = true;
        path.relative = true;
        path.setRelatStartingPoint(x, y, z);
        path.addKeyPoint(0, 0, 0);
        path.addKeyPoint(0, 30.0f, 0);
        path.addKeyPoint(0, 20.0f, 50.0f);
        path.addKeyPoint(0, 20.0f, -50.0f);
        path.addKeyPoint(0, 0, 0);
        path.stepsPerSegment = static_cast<int32_t>(random.next(256) * 100 + 10);
        path.active = true;

        rectangles.push_back(std::move(rect));
    }
}

RectShower::~RectShower() = default;

void RectShower::append()
{
    for (auto& rect : rectangles)
        scene.push_back(rect.get());
}

void RectShower::remove()
{
    for (auto& rect : rectangles)
        removeFirst(scene, static_cast<Object3D*>(rect.get()));
}

void RectShower::clear()
{
    remove();
    for (auto& rect : rectangles)
        cleared_.push_back(std::move(rect));
    rectangles.clear();
}
