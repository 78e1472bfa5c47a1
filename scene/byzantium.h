#pragma once
// One rectangle drawn many times per pass in rows, each copy tilted about the diagonal
// (1, 1, 1): an ornamental layered pattern. Advances like any Object3D; only the
// drawing differs.
//   variant 0 (and above 3): 5 panels of +-20, 4s.bmp, spacing 12.652
//   variant 1:              10 panels of +-20, 5s.bmp, spacing 12.652
//   variant 2:               5 tiles of +-1.5, f.bmp, spacing 0.4, each
//                            turned about its own centre
//   variant 3:              100 untextured squares of +-1 in a noise-driven chain,
//                            no motion blur
// The texture files are read relative to the working directory; a GL context must exist.
#include <cstdint>
#include <memory>

#include "gfx/texture.h"
#include "scene/object3d.h"

class Byzantium : public Object3D {
public:
    explicit Byzantium(uint32_t variant);

    // All copies of sub-frame `sample`, at alpha sample / motionBlurSamples; at full
    // alpha when motion blur is off (variant 3).
    void render(uint32_t sample) override;

    uint32_t variant;
    std::unique_ptr<Texture> layerTexture;   // none for variant 3
    int32_t layerCount = 2;                  // copies per pass

private:
    // Rows: after each copy x advances by s; once x reaches n/5 spacings the row ends.
    struct RowCursor {
        float x, y, s;
        double end;
        RowCursor(float x, float s, int32_t n) : x(x), y(0), s(s), end(n / 5.0 * s) {}
        void advance();
    };

    void drawMeshes(float alpha);
    void placeRotatedXYZ();
    void renderPanels(float alpha);
    void renderTiles(float alpha);
    void renderChain(float alpha);
};
