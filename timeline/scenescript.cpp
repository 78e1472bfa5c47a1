#include "timeline/scenescript.h"

#include <GL/gl.h>

#include "timeline/scene.h"
#include "core/orderedlist.h"

namespace {

void appendToScene(Object3D* o) { objects.push_back(o); }
void prependToScene(Object3D* o) { prepend(objects, o); }
void removeFromScene(Object3D* o) { removeFirst(objects, o); }

void setPath(BSpline& path, std::initializer_list<vec> points, int32_t steps)
{
    for (const vec& p : points) path.addKeyPoint(p.x(), p.y(), p.z());
    path.stepsPerSegment = steps;
}

vec v(float x, float y, float z)
{
    vec r;
    r.set(x, y, z);
    return r;
}

// Objects that an earlier event creates. When a jump of the position (the N key) skipped
// that event, the later one builds the object on the spot with the same arguments, so the
// scene still looks as it should.
Button& button1(Scene& s)
{
    if (!s.button1) {
        s.button1 = std::make_unique<Button>();
        s.button1->position.set(1.0f, 0.0f, -4.0f);
        s.button1->rotation.y(90.0f);
        s.button1->rotationSpeed.set(250.6f, 250.3f, 250.1f);
    }
    return *s.button1;
}

Rectangle& rect1(Scene& s)
{
    if (!s.rect1) {
        s.rect1 = std::make_unique<Rectangle>(0.6f, 0.6f, 0.7f, 1.0f);
        s.rect1->position.set(0.0f, 0.0f, -5.0f);
        s.rect1->meshes[0]->texture(s.logoTexture.get());
    }
    return *s.rect1;
}

std::unique_ptr<Rectangle> redRectangle(Scene& s)
{
    auto r = std::make_unique<Rectangle>(0.6f, 0.0f, 0.0f, 1.0f);
    r->meshes[0]->texture(s.randomTexture.get());
    return r;
}

Rectangle& rect2(Scene& s)
{
    if (!s.rect2) {
        s.rect2 = redRectangle(s);
        s.rect2->position.set(0.0f, 0.0f, -2.0f);
        s.rect2->rotationSpeed.y(242.0f);
    }
    return *s.rect2;
}

std::unique_ptr<Button> flyingButton(vec position, float spin, std::initializer_list<vec> path, int32_t steps)
{
    auto b = std::make_unique<Button>();
    b->position.set(position.x(), position.y(), position.z());
    b->rotation.y(90.0f);
    b->rotationSpeed.set(spin, spin, spin);
    appendToScene(b.get());
    setPath(b->path, path, steps);
    b->path.loop = true;
    b->path.active = true;
    return b;
}

void cameraPathsOff()
{
    camera->positionPath.active = false;
    camera->directionPath.active = false;
}

void done01(Scene& s)
{
    s.colorFilter->color(0.05f, 0.09f, 0.2f, 1.0f);
    removeFromScene(s.blackRect.get());
    button1(s);
}

void done02(Scene& s)
{
    rect1(s);
}

void done03(Scene& s) { s.colorFilter->color(0.0f, 0.1f, 0.0f, 1.0f); }

void done4(Scene& s)
{
    camera->positionPath.active = false;
    camera->position(0.0f, 0.0f, -2.0f);
    removeFromScene(s.byzantium2.get());
    removeFromScene(s.field.get());
    removeFromScene(s.byzantium1.get());
    removeFromScene(s.movingBall.get());
    objects.clear();
    prependToScene(s.byzantium0.get());
    rect1(s).position.set(5.0f, -3.5f, -5.0f);
    appendToScene(&rect1(s));
}

void done5(Scene& s)
{
    camera->position(-2.0f, 0.0f, 20.0f);
    camera->direction(-45.0f, 0.0f, 0.0f);
    removeFromScene(s.button1.get());
    Rectangle& r = rect1(s);
    r.meshes[0]->texture(s.titleTexture.get());
    r.noiseAmplitude[0] = 0.001f;
    r.noiseAmplitude[1] = 0.001f;
    r.position.set(-3.0f, -1.0f, -22.0f);
    r.rotation.y(45.0f);
}

void done6(Scene& s)
{
    Button& b = button1(s);
    appendToScene(&b);
    setPath(b.path, {v(11, 0, 20), v(6, 0, 5), v(1, 0, -40), v(2, 0, -120)}, 1000);
    b.path.loop = true;
    b.path.active = true;
    s.field->speed(0.001f);
    glEnable(GL_FOG);
    removeFromScene(s.rect1.get());
    camera->position(0.0f, 5.0f, 10.0f);
    camera->direction(45.0f, 10.0f, 5.0f);
    prependToScene(s.field.get());
}

void done7(Scene& s)
{
    s.button2 = flyingButton(v(-1, -0.5f, -6), 241.0f, {v(10, 0, 20), v(5, 0, 5), v(0, 0, -80), v(1, 0, -100)}, 550);
    s.field->speed(0.0005f);
}

void done8(Scene& s)
{
    s.button3 = flyingButton(v(-3, -1, -8), 245.0f, {v(13, 0, 20), v(7, 0, 5), v(1, 0, -200), v(3, 0, -500)}, 2000);
    s.field->speed(0.0003f);
}

void done9(Scene& s)
{
    s.button4 = flyingButton(v(-5, -2, -10), 220.0f, {v(13, 0, 20), v(8, 0, 5), v(2, 0, -50), v(4, 0, -100)}, 1000);
    s.field->speed(0.0000002f);
}

void done10(Scene& s)
{
    s.button5 = flyingButton(v(-7, -4, -12), 210.0f, {v(15, 0, 20), v(9, 0, 5), v(3, 0, -80), v(5, 0, -100)}, 1000);
    removeFromScene(s.rect1.get());
    s.field->speed(0.0005f);
}

void done11(Scene& s)
{
    s.field->reset(3);
    glDisable(GL_FOG);
    camera->position(0.0f, 5.0f, 12.0f);
    camera->direction(5.0f, 20.0f, 90.0f);
}

void done12(Scene& s)
{
    s.field->reset(5);
    camera->position(10.0f, 5.0f, 20.0f);
    camera->direction(-14.0f, 5.0f, 0.0f);
    BSpline& position = camera->positionPath;
    position.clear();
    setPath(position, {v(10, 5, 20), v(0, 0, 10)}, 2000);
    position.loop = false;
    position.active = true;
    BSpline& direction = camera->directionPath;
    direction.clear();
    setPath(direction, {v(-14, 15, 0), v(14, 5, 0)}, 2000);
    direction.loop = false;
    direction.active = true;
    removeFromScene(s.byzantium0.get());
}

void done14(Scene& s)
{
    s.grain->ISO1600();
    appendToScene(s.byzantium0.get());
    BSpline& path = s.byzantium0->path;
    setPath(path, {v(140, -2, -20), v(-140, 10, -20), v(-10, 5, -25), v(0, 0, -35), v(140, -2, -20)}, 15);
    path.loop = true;
    path.active = true;
    s.field->rotationSpeed.set(0.0f, 0.0f, 0.0f);
    camera->position(0.0f, 0.0f, 20.0f);
    camera->direction(0.0f, 0.0f, 0.0f);
    cameraPathsOff();
}

void done15(Scene& s)
{
    s.grain->ISO400();
    camera->position(0.0f, 0.0f, -2.0f);
    camera->direction(0.0f, 0.0f, 0.0f);
    removeFromScene(s.byzantium0.get());
    s.byzantium0->path.active = false;
    for (Button* b : {s.button1.get(), s.button2.get(), s.button3.get(), s.button4.get(), s.button5.get()})
        removeFromScene(b);
    appendToScene(s.movingField1.get());
    appendToScene(&rect2(s));
    s.movingField1->position.set(0.0f, 0.0f, -12.0f);
    s.movingField1->rotation.y(-70.0f);
    removeFromScene(s.field.get());
    appendToScene(s.byzantium2.get());
}

// rect3 and rect4 turn in step with rect2.
std::unique_ptr<Rectangle> rect2Twin(Scene& s, float x)
{
    auto r = redRectangle(s);
    r->position.set(x, 0.0f, -2.0f);
    const Rectangle& model = rect2(s);
    r->rotation.set(model.rotation.x(), model.rotation.y(), model.rotation.z());
    r->rotationSpeed.set(model.rotationSpeed.x(), model.rotationSpeed.y(), model.rotationSpeed.z());
    appendToScene(r.get());
    return r;
}

void done16(Scene& s)
{
    s.rect3 = rect2Twin(s, -2.5f);
    s.rect4 = rect2Twin(s, 2.5f);
}

void done17(Scene& s)
{
    s.grain->ISO1600();
    camera->positionPath.clear();
    camera->position(0.0f, 0.0f, 1.0f);
    prependToScene(s.movingField2.get());
}

void done17_5(Scene&)
{
    BSpline& path = camera->positionPath;
    path.clear();
    setPath(path, {v(-4, 0, -2), v(-4, 0, 10)}, 3000);
    path.active = true;
    camera->direction(0.0f, 12.0f, 0.0f);
}

void done17_6(Scene&)
{
    BSpline& path = camera->positionPath;
    path.clear();
    setPath(path, {v(0, 0, 1), v(0, 0, -10)}, 3000);
    path.active = true;
    camera->direction(10.0f, 5.0f, 0.0f);
}

void done18(Scene& s)
{
    s.colorFilter->color(1.0f, 1.0f, 1.0f, 1.0f);
    s.grain->ISO800();
    camera->position(0.0f, 0.0f, -1.0f);
    s.movingField2->position.set(0.0f, 0.0f, -45.0f);
    removeFromScene(s.rect2.get());
    removeFromScene(s.rect4.get());
    removeFromScene(s.rect3.get());
}

void done19(Scene& s)
{
    s.colorFilter->color(0.8f, 0.0f, 0.0f, 1.0f);
    camera->position(0.0f, 0.0f, 25.0f);
    removeFromScene(s.movingField1.get());
    removeFromScene(s.byzantium2.get());
    removeFromScene(s.movingBall.get());
}

void done20(Scene& s)
{
    camera->position(0.0f, 0.0f, 0.0f);
    camera->direction(0.0f, 0.0f, 0.0f);
    cameraPathsOff();
    s.colorFilter->color(1.0f, 1.0f, 1.0f, 1.0f);
    s.movingBall->position.set(0.0f, 0.0f, -3.0f);
    removeFromScene(s.movingField2.get());
    appendToScene(s.movingBall.get());
    appendToScene(s.byzantium2.get());
}

void done21(Scene& s)
{
    camera->position(0.0f, 0.0f, -25.0f);
    camera->direction(20.0f, 0.0f, 0.0f);
    cameraPathsOff();
    removeFromScene(s.byzantium2.get());
    BSpline& path = s.movingBall->path;
    path.clear();
    setPath(path, {v(0, -20, -3), v(0, 50, -3)}, 17000);
    path.active = true;
}

void done22(Scene& s)
{
    BSpline& path = camera->positionPath;
    path.clear();
    setPath(path, {v(0, 0, -25), v(10, 0, 3), v(5, 0, 10), v(0, 0, 3), v(-10, 0, -25)}, 7000);
    path.active = true;
    s.rectShower->append();
}

void done23(Scene& s)
{
    camera->positionPath.clear();
    camera->position(0.0f, 0.0f, -25.0f);
    camera->direction(20.0f, 0.0f, 0.0f);
    cameraPathsOff();
    s.grain->ISO1600();
    glEnable(GL_FOG);
}

void done24(Scene& s)
{
    camera->position(0.0f, 0.0f, 0.0f);
    camera->direction(0.0f, 0.0f, 0.0f);
    cameraPathsOff();
    s.colorFilter->color(0.7f, 0.0f, 0.0f, 1.0f);
    s.grain->ISO3200();
    glDisable(GL_FOG);
    appendToScene(&rect2(s));
}

void done25(Scene& s)
{
    camera->position(0.0f, 0.0f, -2.0f);
    camera->direction(0.0f, 0.0f, 0.0f);
    cameraPathsOff();
    s.colorFilter->color(0.0f, 0.0f, 0.0f, 1.0f);
    appendToScene(s.byzantium1.get());
    removeFromScene(s.rect2.get());
    removeFromScene(s.movingBall.get());
}

void done26(Scene& s)
{
    BSpline& path = camera->positionPath;
    path.clear();
    setPath(path, {v(0, 0, 15), v(0, 0, -153)}, 17000);
    path.active = true;
    s.colorFilter->color(0.1f, 0.05f, 0.0f, 1.0f);
    appendToScene(s.byzantium0.get());
    s.byzantium0->position.set(0.0f, -0.6f, -35.5f);
    s.rectShower->remove();
}

} // namespace

const std::array<SceneScript::Event, 27> SceneScript::events = {{
    {"done01", 6, done01},     {"done02", 12, done02},   {"done03", 14, done03},
    {"done4", 16, done4},      {"done5", 20, done5},     {"done6", 24, done6},
    {"done7", 25, done7},      {"done8", 26, done8},     {"done9", 27, done9},
    {"done10", 28, done10},    {"done11", 29, done11},   {"done12", 32, done12},
    {"done14", 36, done14},    {"done15", 49, done15},   {"done16", 61, done16},
    {"done17", 73, done17},    {"done17_5", 80, done17_5}, {"done17_6", 87, done17_6},
    {"done18", 98, done18},    {"done19", 105, done19},  {"done20", 111, done20},
    {"done21", 121, done21},   {"done22", 124, done22},  {"done23", 132, done23},
    {"done24", 137, done24},   {"done25", 145, done25},  {"done26", 148, done26},
}};

int SceneScript::run(int64_t position)
{
    // Compared unsigned, as the clock's nanoseconds are.
    const uint64_t p = uint64_t(position);
    for (int i = int(events.size()) - 1; i >= 0; --i) {
        if (p > events[size_t(i)].seconds * 1000000000ull) {
            if (done[size_t(i)]) return -1;
            done[size_t(i)] = true;
            events[size_t(i)].action(scene);
            return i;
        }
    }
    return -1;
}
