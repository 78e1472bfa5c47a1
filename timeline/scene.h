#pragma once
// Everything on screen for the whole run: the textures, the camera filters, the camera and
// every scene object, built once at start-up in a fixed order. The scene script only moves
// objects in and out of `objects` and changes their fields; nothing is destroyed early.
#include <functional>
#include <memory>
#include <vector>

#include "filters/camerafilter.h"
#include "filters/grain.h"
#include "gfx/texture.h"
#include "scene/button.h"
#include "scene/byzantium.h"
#include "scene/field.h"
#include "scene/movingball.h"
#include "scene/movingfield.h"
#include "scene/rectangle.h"
#include "scene/rectshower.h"
#include "timeline/camera.h"

struct Scene {
    // Builds everything, calling `progress` with the loading bar's percentages on the way.
    // Needs the GL context, the random tables and the seeded noise. Sets the globals
    // `camera` and `objects`; the scene starts with byzantium1 alone.
    explicit Scene(const std::function<void(float)>& progress);
    ~Scene();

    // One frame into the back buffer: backdrop, camera, every object of `objects` in
    // list order (each advanced by `step` ms before its first motion-blur sub-frame),
    // then the overlay filters.
    void render(int64_t step);

    std::unique_ptr<Texture> logoTexture, titleTexture;
    std::unique_ptr<Texture> blobTexture, randomTexture, sineTexture, noiseTexture, rampTexture;

    std::vector<CameraFilter*> filters;   // overlays, drawn after the scene in this order
    std::unique_ptr<CameraFilter> colorFilter;   // backdrop, drawn before the scene
    std::unique_ptr<Grain> grain;
    std::unique_ptr<CameraFilter> bandFilter1, bandFilter2;

    std::unique_ptr<Camera> cameraOwner;
    std::unique_ptr<MovingBall> movingBall;
    std::unique_ptr<Field> field;
    std::unique_ptr<Byzantium> byzantium0, byzantium1;
    std::unique_ptr<RectShower> rectShower;
    std::unique_ptr<Byzantium> byzantium2;
    std::unique_ptr<Button> button1, button2, button3, button4, button5;   // made by the script
    std::unique_ptr<Rectangle> rect1, rect2, rect3, rect4;                  // made by the script
    std::unique_ptr<Rectangle> blackRect;
    std::unique_ptr<MovingField> movingField1, movingField2;
};
