#include "scene/field.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

const float SQRT_OF_TWO_INV = 0.70710677f;

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr long double PI_L = 3.141592653589793238462643383279502884L;

// The eight springs of a visible node, in the order their forces are accumulated
// (the order matters for the float sums).
struct Spring {
    int dj, di;
    float weight;
};
const Spring SPRINGS[8] = {
    {0, -1, 1.0f}, {-1, 0, 1.0f}, {0, 1, 1.0f}, {1, 0, 1.0f},
    {1, 1, SQRT_OF_TWO_INV}, {-1, -1, SQRT_OF_TWO_INV}, {1, -1, SQRT_OF_TWO_INV}, {-1, 1, SQRT_OF_TWO_INV},
};

} // namespace

Field::Field(float r, float g, float b, float a)
{
    auto mesh = std::make_unique<Mesh>(FIELD, static_cast<float>(size));
    mesh->color(r, g, b, a);
    meshes.push_back(std::move(mesh));
    init();
}

void Field::init()
{
    simulatedSize_ = size;
    if (meshes[0]->vertexCount != size * size)
        meshes[0]->createField(size);
    const uint32_t P = fieldSizePadded();
    positions.assign(3 * P * P, NaN);
    forces.assign(P * P, NaN);
    velocities.assign(P * P, NaN);
    reset(10);
}

std::vector<float>& Field::m_position()
{
    return meshes[0]->vertices;
}

uint32_t Field::fieldSizePadded()
{
    return fieldSize() + 4;
}

uint32_t Field::fieldSize()
{
    return simulatedSize_;
}

float Field::speed(float s)
{
    speedFactor = s;
    return s;
}

void Field::idle(float dt)
{
    Object3D::idle(dt);
    idleForce(dt);
    idleVelocity(dt);
    idlePosition(dt);
    meshes[0]->calcFaceNormals();
}

void Field::idleForce(float /*dt*/)
{
    const int P = static_cast<int>(fieldSizePadded());
    std::fill(forces.begin(), forces.end(), 0.0f);
    // Only the visible nodes pull; a spring between two visible nodes is visited from both
    // ends and so acts twice, one to the inner border ring once.
    for (int j = 2; j <= P - 3; ++j) {
        for (int i = 2; i <= P - 3; ++i) {
            const int node = P * j + i;
            const float height = positions[node * 3 + 2];
            for (const Spring& s : SPRINGS) {
                const int other = node + s.dj * P + s.di;
                const float d = (height - positions[other * 3 + 2]) * s.weight;
                forces[node] -= d;
                forces[other] += d;
            }
        }
    }
}

void Field::idleVelocity(float dt)
{
    // Two passes of the frame loop can fall on the same millisecond; such a step only
    // moves the heights on with the velocities they have.
    if (!(dt > 0.0f))
        return;
    for (size_t k = 0; k < velocities.size(); ++k)
        velocities[k] += forces[k] * speedFactor / dt;
}

void Field::idlePosition(float /*dt*/)
{
    const uint32_t P = fieldSizePadded();
    const uint32_t n = fieldSize();
    for (size_t k = 0; k < velocities.size(); ++k)
        positions[k * 3 + 2] += velocities[k];

    std::vector<float>& vertices = m_position();
    for (uint32_t r = 0; r < n; ++r)
        for (uint32_t c = 0; c < n; ++c)
            vertices[(n * r + c) * 3 + 2] = positions[(P * (r + 2) + c + 2) * 3 + 2];
}

void Field::reset(int pattern)
{
    const uint32_t P = fieldSizePadded();
    for (uint32_t j = 0; j < P; ++j) {
        for (uint32_t i = 0; i < P; ++i) {
            const uint32_t node = P * j + i;
            forces[node] = 0.0f;
            velocities[node] = 0.0f;
            const bool outerRing = j == 0 || i == 0 || j == P - 1 || i == P - 1;
            positions[node * 3 + 2] = outerRing ? 0.0f : patternHeight(pattern, j, i);
        }
    }
}

// Integer comparisons are unsigned on purpose: P - j - i wraps past the diagonal instead of
// going negative, so only the nodes just before it match.
float Field::patternHeight(int pattern, uint32_t j, uint32_t i)
{
    const uint32_t P = fieldSizePadded();
    const auto inMiddle = [P](uint32_t k) { return P / 3 < k && k < 2 * P / 3; };
    switch (pattern) {
    case 1:
        return 0.0f;
    case 2:
        return j == i && static_cast<float>(j) == static_cast<float>(P) * 0.5f ? 1.5f * static_cast<float>(P)
                                                                                 : 0.0f;
    case 3: {
        const uint32_t d = P - j - i;
        return d == 1 || d == 2 ? static_cast<float>(P / 6) : 0.0f;
    }
    case 4:
        return j == 1 ? static_cast<float>(P / 4) : 0.0f;
    case 5:
        return inMiddle(j) && inMiddle(i) ? 0.0f : static_cast<float>(P / 4);
    case 6:
        return inMiddle(j) && inMiddle(i) ? static_cast<float>(P / 4) : 0.0f;
    case 7: {
        const uint32_t d = P - j - i;
        return d <= 2 ? static_cast<float>(P / 6) : 0.0f;
    }
    case 8:
        return j > 3 * P / 4 && i > 3 * P / 4 ? static_cast<float>(P / 4) : 0.0f;
    case 9: {
        const long double fj = static_cast<float>(j), fi = static_cast<float>(i);
        return static_cast<float>(P * (std::sin(PI_L * fj / P) + std::sin(PI_L * fi / P)) / 6.0L);
    }
    default: {
        const long double fj = static_cast<float>(j), fi = static_cast<float>(i);
        return static_cast<float>(P * (std::sin(2 * PI_L * fj / P) + std::sin(2 * PI_L * fi / P)) / 6.0L);
    }
    }
}
