#pragma once
// Film grain: one of 25 pre-generated noise frames added over the picture each drawn frame,
// plus a few dust specks whose number follows an ISO-like preset. The specks and their
// places are drawn from the shared precalculated random tables.
#include <cstdint>
#include <memory>
#include <vector>

#include "filters/camerafilter.h"
#include "gfx/texture.h"

class Grain : public CameraFilter {
public:
    // Needs a GL context and precalcRandom; generates every grain frame (25 x 512 x 512
    // random values) and loads the speck from the data file roska.bmp. Starts at ISO 400.
    Grain();

    // render(0).
    void render() override;
    // The current grain frame, then the specks, then on to the next frame (the 25 repeat).
    // One next(20) decides the speck count, each speck then takes two next(100).
    void render(uint32_t sample) override;

    // Presets: grain colour (mesh 0) and the speck bias trashAmount.
    virtual void defaultISO();   // ISO400
    virtual void ISO400();
    virtual void ISO800();
    virtual void ISO1600();
    virtual void ISO3200();
    // One speck at a random place within the view.
    virtual void renderTrash();

    // Specks per frame are next(20) - (20 - trashAmount) when positive.
    int trashAmount = 5;
    uint32_t textureCount = 25;
    uint32_t currentTexture = 0;   // grain frame of the next render
    std::vector<std::unique_ptr<Texture>> textures;
    std::unique_ptr<Texture> trashTexture;

    static constexpr float SPECK_SIZE = 0.015f;
};
