// Camera filters drawn for real: the sheets' geometry and blending, and the grain's frames,
// presets and dust specks. Geometry is captured with OpenGL feedback mode, so the test sees
// every polygon that reaches the rasteriser, in window coordinates.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <set>
#include <vector>

#include "filters/camerafilter.h"
#include "filters/grain.h"
#include "gfx/texture.h"
#include "math/precalcrandom.h"

namespace {

constexpr int VIEW = 100;       // window side in pixels
constexpr double EXTENT = 5.0;  // the orthographic view spans -5 .. 5 on every axis

struct Polygon {
    std::vector<std::array<double, 3>> vertices;   // window coordinates
    double minX() const { return extreme(0, false); }
    double maxX() const { return extreme(0, true); }
    double minY() const { return extreme(1, false); }
    double maxY() const { return extreme(1, true); }
    double width() const { return maxX() - minX(); }
    double centreX() const { return (minX() + maxX()) / 2; }
    double centreY() const { return (minY() + maxY()) / 2; }

private:
    double extreme(int axis, bool high) const
    {
        double e = vertices[0][axis];
        for (const auto& v : vertices)
            e = high ? std::max(e, v[axis]) : std::min(e, v[axis]);
        return e;
    }
};

// Window coordinate of an object-space coordinate under the test's projection.
double toWindow(double c) { return (c / EXTENT + 1.0) * VIEW / 2.0; }

template<class Draw>
std::vector<Polygon> capture(Draw draw)
{
    static std::vector<GLfloat> buffer(1 << 16);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    EXPECT_GE(used, 0) << "feedback buffer overflow";
    std::vector<Polygon> polygons;
    for (GLint k = 0; k < used;) {
        const auto token = static_cast<GLint>(buffer[k++]);
        if (token == GL_POLYGON_TOKEN) {
            const int count = static_cast<int>(buffer[k++]);
            Polygon p;
            for (int v = 0; v < count; ++v, k += 3)
                p.vertices.push_back({buffer[k], buffer[k + 1], buffer[k + 2]});
            polygons.push_back(p);
        } else if (token == GL_PASS_THROUGH_TOKEN) {
            ++k;
        } else {
            ADD_FAILURE() << "unexpected feedback token " << token;
            break;
        }
    }
    return polygons;
}

class FilterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_NE(SDL_SetVideoMode(VIEW, VIEW, 0, SDL_OPENGL), nullptr) << SDL_GetError();
        random = std::make_unique<PrecalcRandom>();
        precalcRandom = random.get();
        // Built once: every grain frame is 512 x 512 random values.
        grain = std::make_unique<Grain>();
        cursorAfterConstruction = random->cursor;
    }
    static void TearDownTestSuite()
    {
        grain.reset();
        precalcRandom = nullptr;
        random.reset();
        SDL_Quit();
    }

    void SetUp() override
    {
        glViewport(0, 0, VIEW, VIEW);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-EXTENT, EXTENT, -EXTENT, EXTENT, -EXTENT, EXTENT);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        grain->position.set(0, 0, 0);
        grain->currentTexture = 0;
        grain->defaultISO();
    }

    // The value the shared tables hand out next, reading ahead without drawing.
    static uint32_t peek(uint32_t& cursor, const uint32_t* table)
    {
        if (cursor >= PrecalcRandom::TABLE_SIZE)
            cursor = 0;
        return table[cursor++];
    }

    static std::unique_ptr<PrecalcRandom> random;
    static std::unique_ptr<Grain> grain;
    static uint32_t cursorAfterConstruction;
};

std::unique_ptr<PrecalcRandom> FilterTest::random;
std::unique_ptr<Grain> FilterTest::grain;
uint32_t FilterTest::cursorAfterConstruction;

TEST_F(FilterTest, ColouredSheetCoversTheViewWithoutMotionBlur)
{
    CameraFilter band(0.1f, 0.2f, 0.3f, 0.4f);
    EXPECT_FALSE(band.motionBlur);
    ASSERT_EQ(band.meshes.size(), 1u);
    EXPECT_EQ(band.meshes[0]->type, RECTANGLE);
    EXPECT_EQ(band.meshes[0]->b(), 0.3f);
    EXPECT_FALSE(band.meshes[0]->isTextured());
    const std::vector<Polygon> drawn = capture([&] { band.render(); });
    ASSERT_FALSE(drawn.empty());
    for (const Polygon& p : drawn) {
        EXPECT_NEAR(p.minX(), toWindow(-2.75), 1e-3);
        EXPECT_NEAR(p.maxX(), toWindow(2.75), 1e-3);
        EXPECT_NEAR(p.minY(), toWindow(-2.75), 1e-3);
        EXPECT_NEAR(p.maxY(), toWindow(2.75), 1e-3);
    }
}

TEST_F(FilterTest, BareFilterDrawsNothing)
{
    CameraFilter bare;
    EXPECT_TRUE(capture([&] { bare.render(); }).empty());
}

TEST_F(FilterTest, SheetIsPlacedAndTurnedAboutXThenZThenY)
{
    CameraFilter band(1, 1, 1, 1);
    band.position.set(0.5f, -0.25f, 0.75f);
    band.rotation.set(20, 30, 40);
    // A second mesh is never drawn by a filter.
    band.meshes.push_back(std::make_unique<Mesh>(RECTANGLE, 0.5f));
    band.meshes[1]->color(1, 1, 1, 1);

    const std::vector<Polygon> drawn = capture([&] { band.render(5); });
    EXPECT_EQ(drawn.size(), capture([&] { band.render(0); }).size());

    // Expected corners: rotate about y, then z, then x (the x turn is outermost), then move.
    const auto place = [](double x, double y, double z) {
        const double ay = 30 * M_PI / 180, az = 40 * M_PI / 180, ax = 20 * M_PI / 180;
        double x1 = x * std::cos(ay) + z * std::sin(ay), z1 = -x * std::sin(ay) + z * std::cos(ay), y1 = y;
        double x2 = x1 * std::cos(az) - y1 * std::sin(az), y2 = x1 * std::sin(az) + y1 * std::cos(az), z2 = z1;
        const double y3 = y2 * std::cos(ax) - z2 * std::sin(ax);   // z does not reach the window
        return std::array<double, 2>{toWindow(x2 + 0.5), toWindow(y3 - 0.25)};
    };
    std::vector<std::array<double, 2>> corners;
    for (double sx : {-2.75, 2.75})
        for (double sy : {-2.75, 2.75})
            corners.push_back(place(sx, sy, 0));
    size_t matched = 0;
    for (const Polygon& p : drawn) {
        for (const auto& v : p.vertices) {
            const bool isCorner = std::any_of(corners.begin(), corners.end(), [&](const auto& c) {
                return std::fabs(c[0] - v[0]) < 1e-3 && std::fabs(c[1] - v[1]) < 1e-3;
            });
            EXPECT_TRUE(isCorner) << v[0] << ", " << v[1];
            matched += isCorner;
        }
    }
    EXPECT_GE(matched, 4u);
}

TEST_F(FilterTest, TexturedSheetIsGreyAndAdditive)
{
    Texture texture(4u);
    CameraFilter band(&texture);
    EXPECT_FALSE(band.motionBlur);
    ASSERT_EQ(band.meshes.size(), 1u);
    EXPECT_EQ(band.meshes[0]->texture(), &texture);
    EXPECT_EQ(band.meshes[0]->r(), 0.3f);
    EXPECT_EQ(band.meshes[0]->g(), 0.3f);
    EXPECT_EQ(band.meshes[0]->b(), 0.3f);
    EXPECT_EQ(band.meshes[0]->a(), 1.0f);

    band.render();
    GLint src = 0, dst = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_EQ(src, GL_SRC_ALPHA);
    EXPECT_EQ(dst, GL_ONE);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.3f);
    EXPECT_FLOAT_EQ(colour[3], 1.0f);
}

TEST_F(FilterTest, GrainIsBuiltWithItsFramesAndSpeck)
{
    ASSERT_EQ(grain->textures.size(), 25u);
    EXPECT_EQ(grain->textureCount, 25u);
    std::set<uint32_t> ids;
    for (const auto& t : grain->textures)
        ids.insert(t->id);
    EXPECT_EQ(ids.size(), 25u);
    EXPECT_EQ(ids.count(0), 0u);
    ASSERT_TRUE(grain->trashTexture);
    EXPECT_NE(grain->trashTexture->id, 0u) << "./data/roska.bmp was not loaded";
    EXPECT_FALSE(grain->motionBlur);

    ASSERT_EQ(grain->meshes.size(), 2u);
    EXPECT_EQ(grain->meshes[0]->type, RECTANGLE);
    EXPECT_FLOAT_EQ(grain->meshes[0]->right(), 2.75f);
    EXPECT_EQ(grain->meshes[0]->texture(), grain->textures[0].get());
    EXPECT_FLOAT_EQ(grain->meshes[1]->right(), 0.015f);
    EXPECT_EQ(grain->meshes[1]->texture(), grain->trashTexture.get());
    EXPECT_EQ(grain->meshes[1]->a(), 1.0f);
    EXPECT_EQ(grain->meshes[1]->r(), 1.0f);
    // Each frame draws 512 x 512 values from the shared tables: 25 frames wrap the
    // 10,000-entry cursor to 6,553,600 mod 10,000.
    EXPECT_EQ(cursorAfterConstruction, 3600u);
}

TEST_F(FilterTest, PresetsSetGrainColourAndSpeckBias)
{
    const struct { void (Grain::*apply)(); float r, g, b; int trash; } presets[] = {
        {&Grain::ISO800, 0.5f, 0.35f, 0.07f, 10},  {&Grain::ISO1600, 1.0f, 0.7f, 0.3f, 20},
        {&Grain::ISO3200, 1.0f, 1.0f, 0.7f, 40},   {&Grain::ISO400, 0.2f, 0.15f, 0.05f, 4},
        {&Grain::defaultISO, 0.2f, 0.15f, 0.05f, 4},
    };
    for (const auto& p : presets) {
        grain->ISO3200();
        (grain.get()->*p.apply)();
        const Mesh& sheet = *grain->meshes[0];
        EXPECT_EQ(sheet.r(), p.r);
        EXPECT_EQ(sheet.g(), p.g);
        EXPECT_EQ(sheet.b(), p.b);
        EXPECT_EQ(sheet.a(), 0.5f);
        EXPECT_EQ(grain->trashAmount, p.trash);
        EXPECT_EQ(grain->meshes[1]->r(), 1.0f);   // the speck keeps its colour
    }
}

TEST_F(FilterTest, FramesCycleThroughAllTwentyFive)
{
    for (int frame = 0; frame < 60; ++frame) {
        ASSERT_EQ(grain->currentTexture, static_cast<uint32_t>(frame % 25));
        grain->render();
        EXPECT_EQ(grain->meshes[0]->texture(), grain->textures[frame % 25].get());
    }
    EXPECT_EQ(grain->currentTexture, 10u);
}

TEST_F(FilterTest, SpecksFollowTheDrawnCountAndPlaces)
{
    grain->position.set(0.5f, -0.25f, 0.0f);
    int framesWithSpecks = 0, framesWithout = 0;
    for (void (Grain::*preset)() : {&Grain::ISO400, &Grain::ISO800, &Grain::ISO1600, &Grain::ISO3200}) {
        (grain.get()->*preset)();
        for (int frame = 0; frame < 150; ++frame) {
            // What the frame should take from the tables: one next(20), then (x, y) pairs.
            uint32_t ahead = random->cursor;
            const int count = static_cast<int>(peek(ahead, random->values20)) - (20 - grain->trashAmount);
            std::vector<std::array<double, 2>> places;
            for (int k = 0; k < count; ++k) {
                const double x = peek(ahead, random->values100) * 0.055 - 2.525;
                const double y = peek(ahead, random->values100) * 0.03 - 1.5;
                places.push_back({toWindow(x + 0.5), toWindow(y - 0.25)});
            }

            const std::vector<Polygon> drawn = capture([&] { grain->render(); });
            ASSERT_EQ(random->cursor, ahead) << "draws of frame " << frame;

            // The sheet comes first; a quad may reach feedback split into triangles, all of
            // which span the quad's bounding box.
            ASSERT_FALSE(drawn.empty());
            size_t perQuad = 0;
            while (perQuad < drawn.size() && drawn[perQuad].width() > 40)
                ++perQuad;
            ASSERT_GE(perQuad, 1u);
            EXPECT_NEAR(drawn[0].centreX(), toWindow(0.5), 1e-3);
            EXPECT_NEAR(drawn[0].centreY(), toWindow(-0.25), 1e-3);
            const size_t specks = (drawn.size() - perQuad) / perQuad;
            ASSERT_EQ(drawn.size(), perQuad * (1 + specks));
            ASSERT_EQ(specks, places.size()) << "trashAmount " << grain->trashAmount;
            for (size_t k = 0; k < specks; ++k) {
                const Polygon& p = drawn[perQuad * (1 + k)];
                EXPECT_NEAR(p.width(), 0.03 / (2 * EXTENT) * VIEW, 1e-3);
                EXPECT_NEAR(p.centreX(), places[k][0], 1e-3) << "speck " << k;
                EXPECT_NEAR(p.centreY(), places[k][1], 1e-3) << "speck " << k;
            }
            (places.empty() ? framesWithout : framesWithSpecks) += 1;
            if (grain->trashAmount == 40) {
                EXPECT_GE(places.size(), 20u);
                EXPECT_LE(places.size(), 39u);
            }
        }
    }
    // Both branches were exercised.
    EXPECT_GT(framesWithSpecks, 150);
    EXPECT_GT(framesWithout, 50);
}

} // namespace
