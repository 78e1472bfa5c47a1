#pragma once
// Base of everything in the scene list: owns its meshes and its path, drifts a little
// with 2-D noise, and is advanced and drawn as fading motion-blur sub-frames.
#include <cstdint>
#include <memory>
#include <vector>

#include "math/bspline.h"
#include "math/vec.h"
#include "scene/mesh.h"

class Object3D;

// Non-owning: the scene list, and each object's children.
using ObjectList = std::vector<Object3D*>;

// The scene list the frame loop processes in order.
extern ObjectList objects;

class Object3D {
public:
    // No meshes; position, rotation and spin zero; drift amplitude 0.01 on x and y.
    Object3D();
    // Plus one Mesh(type, 30.0) in the given colour.
    Object3D(uint32_t type, float r, float g, float b, float a);
    virtual ~Object3D();

    // Children are processed after the parent, in world coordinates, without its drift.
    virtual void pack(Object3D* child);
    // Colours the first mesh only.
    virtual void color(float r, float g, float b, float a);
    // x to the power n + 1: x multiplied by itself n more times.
    virtual float exponent(float x, uint32_t n);
    // One frame: drift, then motionBlurSamples x (idle, render(i)) - the first idle gets
    // `time`, the later ones motionBlurTicks - or, without motion blur, one idle of
    // time + samples * ticks and render(0). Then the children with the same `time`.
    virtual void processFrame(int64_t time);
    // Draws every mesh with alpha sample / motionBlurSamples (1.0 without motion blur),
    // translated by position and rotated about x, then z, then y.
    virtual void render(uint32_t sample);
    // Arrow-key steering of the spin, one spin step per call whatever dt, path step dt.
    virtual void idle(float dt);

    float noiseAmplitude[2];
    BSpline path;
    vec position, rotation, rotationSpeed;   // rotation in degrees, speed per idle call
    bool motionBlur = true;
    std::vector<std::unique_ptr<Mesh>> meshes;
    std::unique_ptr<ObjectList> children;    // absent until the first pack
};
