#include "scene/movingball.h"

#include "core/fatalerror.h"
#include "core/perlinnoise.h"
#include "math/vec.h"
#include "timeline/clock.h"

namespace {
constexpr uint32_t RINGS = 30;   // the ball generator fills RINGS * RINGS vertex slots
}

MovingBall::MovingBall(uint32_t ballType, float r, float g, float b, float a)
{
    type = ballType;
    if (type != BALL)
        throw FatalError("MovingBall type should be BALL.");
    auto mesh = std::make_unique<Mesh>(BALL, 30.0f);
    mesh->color(r, g, b, a);
    meshes.push_back(std::move(mesh));
    restMesh = std::make_unique<Mesh>(BALL, 30.0f);
    restMesh->color(r, g, b, a);
    init();
}

void MovingBall::reset(float /*step*/)
{
    float T = static_cast<float>(globalTime * 0.01);
    if (type != BALL)
        return;
    T = static_cast<float>(T * 0.7);

    const float* rest = restMesh->vertices.data();
    float* vertices = m_position().data();
    for (uint32_t ring = 0; ring < RINGS; ++ring) {
        for (uint32_t segment = 0; segment < RINGS; ++segment) {
            const uint32_t k = RINGS * ring + segment;
            float d[3];
            copy(d, rest + 3 * k);
            scalDiv(d, length(d));
            const float j = static_cast<float>(ring) + T;
            const float i = static_cast<float>(segment) + T;
            const float a = noise(static_cast<float>(j / 5.273), static_cast<float>(i / 5.34789));
            const double f = noise(a, a) * 2.0 + 1.0;
            vertices[3 * k] = static_cast<float>(d[0] * f);
            vertices[3 * k + 1] = static_cast<float>(d[1] * f);
            vertices[3 * k + 2] = static_cast<float>(d[2] * f);
        }
    }
}
