#pragma once
// A sheet drawn in front of the lens after the whole scene: a plain coloured band, a
// textured band, or (as Grain) film grain. The frame loop draws filters with render() at
// z = -2 in view space; they have no motion-blur sub-frames and are never advanced.
#include <cstdint>

#include "scene/object3d.h"

class Texture;

class CameraFilter : public Object3D {
public:
    // No sheet: the base of Grain.
    CameraFilter();
    // A coloured sheet with corners at +-2.75, which covers the view at distance 2.
    CameraFilter(float r, float g, float b, float a);
    // A textured sheet (shared texture) at colour (0.3, 0.3, 0.3, 1.0), added to the picture.
    explicit CameraFilter(Texture* texture);

    // Draws the sheet (mesh 0 only) at full alpha, translated by position and rotated about
    // x, z, then y; nothing without a sheet. The sub-frame argument is ignored.
    void render(uint32_t sample) override;
    // render(0).
    virtual void render();

    static constexpr float SHEET_SIZE = 2.75f;
};
