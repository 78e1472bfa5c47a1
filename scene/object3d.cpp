#include "scene/object3d.h"

#include <GL/gl.h>

#include "scene/keyflags.h"
#include "core/perlinnoise.h"
#include "timeline/clock.h"

ObjectList objects;

Object3D::Object3D() : noiseAmplitude{0.01f, 0.01f}
{
    position.set(0, 0, 0);
    rotation.set(0, 0, 0);
    rotationSpeed.set(0, 0, 0);
}

Object3D::Object3D(uint32_t type, float r, float g, float b, float a) : Object3D()
{
    auto mesh = std::make_unique<Mesh>(static_cast<int>(type), 30.0f);
    mesh->color(r, g, b, a);
    meshes.push_back(std::move(mesh));
}

Object3D::~Object3D() = default;

void Object3D::pack(Object3D* child)
{
    if (!children)
        children = std::make_unique<ObjectList>();
    children->push_back(child);
}

void Object3D::color(float r, float g, float b, float a)
{
    if (!meshes.empty())
        meshes[0]->color(r, g, b, a);
}

float Object3D::exponent(float x, uint32_t n)
{
    float result = x;
    for (uint32_t k = 0; k < n; ++k)
        result *= x;
    return result;
}

void Object3D::processFrame(int64_t time)
{
    glPushMatrix();

    // Drift outside the object's own transformation; it grows with z, and the y drift's
    // clock runs at 0.8 times the x drift's so the two never fall into step.
    const float t = static_cast<float>(globalTime);
    const float t2 = static_cast<float>(globalTime * 0.8);
    const float nx = noise(static_cast<float>((t + 10.5863) * 0.0007), static_cast<float>((t + 10.7482) * 0.0007));
    const float dx = static_cast<float>((position.z() * 5.0 * noiseAmplitude[0] + noiseAmplitude[0]) * nx);
    const float ny = noise(static_cast<float>((t2 + 10.2863) * 0.0007), static_cast<float>((t2 + 10.4482) * 0.0007));
    const float dy = static_cast<float>((position.z() * 5.0 * noiseAmplitude[1] + noiseAmplitude[1]) * ny);
    glTranslatef(dx, dy, 0);

    if (motionBlur) {
        for (uint32_t i = 1; i <= motionBlurSamples; ++i) {
            idle(i == 1 ? static_cast<float>(time) : static_cast<float>(motionBlurTicks));
            render(i);
        }
    } else {
        idle(static_cast<float>(time + static_cast<int64_t>(motionBlurSamples) * motionBlurTicks));
        render(0);
    }

    glPopMatrix();

    // World coordinates: children get neither the parent's drift nor its transformation.
    if (children) {
        for (Object3D* child : *children)
            child->processFrame(time);
    }
}

void Object3D::render(uint32_t sample)
{
    const float alpha = motionBlur ? (1.0f / static_cast<float>(motionBlurSamples)) * static_cast<float>(sample) : 1.0f;

    glPushMatrix();
    glTranslatef(position.x(), position.y(), position.z());
    glRotatef(rotation.x(), 1, 0, 0);
    glRotatef(rotation.z(), 0, 0, 1);
    glRotatef(rotation.y(), 0, 1, 0);
    for (auto& mesh : meshes)
        mesh->render(alpha);
    glPopMatrix();
}

void Object3D::idle(float dt)
{
    const double steer = dt * 0.0001;
    if (upKey)
        rotationSpeed.x(static_cast<float>(rotationSpeed.x() - steer));
    if (downKey)
        rotationSpeed.x(static_cast<float>(rotationSpeed.x() + steer));
    if (rightKey)
        rotationSpeed.y(static_cast<float>(rotationSpeed.y() + steer));
    if (leftKey)
        rotationSpeed.y(static_cast<float>(rotationSpeed.y() - steer));

    // Once per call, not scaled by dt: with motion blur the spin steps once per sub-frame.
    rotation.set(rotation.x() + rotationSpeed.x(), rotation.y() + rotationSpeed.y(),
                 rotation.z() + rotationSpeed.z());

    path.move(position.xp(), position.yp(), position.zp(), dt);
}
