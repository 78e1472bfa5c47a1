#include "scene/movingfield.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "core/fatalerror.h"
#include "core/perlinnoise.h"
#include "timeline/clock.h"

namespace {
constexpr long double PI_L = 3.141592653589793238462643383279502884L;
}

MovingField::MovingField() = default;

MovingField::MovingField(uint32_t fieldType, float r, float g, float b, float a)
{
    type = fieldType;
    if (type == BALL)
        throw FatalError("MovingField doesn't support BALL type anymore. Use MovingBall instead.");
    auto mesh = std::make_unique<Mesh>(FIELD, 30.0f);
    mesh->color(r, g, b, a);
    meshes.push_back(std::move(mesh));
    init();
}

void MovingField::idle(float dt)
{
    Object3D::idle(dt);
    reset(dt);
    meshes[0]->calcFaceNormals();   // lighting follows the new shape
}

void MovingField::init()
{
    reset(0.0f);
}

std::vector<float>& MovingField::m_position()
{
    return meshes[0]->vertices;
}

float MovingField::speed(float s)
{
    speedFactor = s;
    return s;
}

void MovingField::reset(float /*step*/)
{
    // One unit of T per 10 ms.
    const float T = static_cast<float>(globalTime * 0.01);
    // A gridSize above the mesh's would write past its vertices: the mesh bounds the grid.
    std::vector<float>& mesh = m_position();
    const uint32_t n = std::min<uint32_t>(gridSize, static_cast<uint32_t>(std::sqrt(mesh.size() / 3)));
    if (type != 1 && type != 2) {
        // Row j and column j follow the same wave, so n sines serve all n * n nodes.
        // One full period over the n rows and columns: the pattern repeats every n units of T.
        wave.resize(n);   // allocates only if gridSize changed
        for (uint32_t k = 0; k < n; ++k)
            wave[k] = std::sin(2 * PI_L * (static_cast<float>(k) + T) / n);
    }
    float* vertices = mesh.data();
    for (uint32_t j = 0; j < n; ++j) {
        for (uint32_t i = 0; i < n; ++i) {
            float height;
            if (type == 1 || type == 2) {
                const float rowT = static_cast<float>(j) + T;
                const float colT = static_cast<float>(i) + T;
                height = noise(static_cast<float>(rowT / 20.273), static_cast<float>(colT / 10.34789));
                if (type == 2)
                    height = noise(height, height);
                height = static_cast<float>(50.0 * height);
            } else {
                height = static_cast<float>(n * (wave[j] + wave[i]) / 6.0L);
            }
            vertices[(n * j + i) * 3 + 2] = height;
        }
    }
}
