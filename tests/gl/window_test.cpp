// The window, the letterboxed viewport, the fixed GL state and the key handling, with a
// real SDL window and Mesa context.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL.h>

#include <cmath>

#include "app/input.h"
#include "app/settings.h"
#include "app/window.h"

namespace {

class WindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        createGLWindow("Velmo | Quorvane/Drell", 800, 340, 16, false);
        initGLstuff();
    }
    static void TearDownTestSuite() { SDL_Quit(); }

    void SetUp() override
    {
        view_width = 800;
        view_height = 340;
        view_aspect = 2.35f;
        pixel_aspect_width = 1.0f;
        running = true;
        seekMode = false;
        seekModePosition = 0;
        light = blend = true;
        applyLight();
        applyBlend();
    }
    void TearDown() override { resizeGLScene(800, 340); }

    static std::vector<GLint> viewport()
    {
        GLint v[4];
        glGetIntegerv(GL_VIEWPORT, v);
        return {v[0], v[1], v[2], v[3]};
    }
};

TEST_F(WindowTest, CaptionAndDefaultViewport)
{
    char* title = nullptr;
    SDL_WM_GetCaption(&title, nullptr);
    ASSERT_NE(title, nullptr);
    EXPECT_STREQ(title, "Velmo | Quorvane/Drell");
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 800, 340}));
    EXPECT_EQ(current_view_y, 0u);
    EXPECT_EQ(current_view_height, 340u);
}

TEST_F(WindowTest, FullScreenLetterbox)
{
    // The view height the command line derives for 16:10 and for 4:3 monitors.
    view_height = 408;
    pixel_aspect_width = 1.6f / 1.3333334f;
    resizeGLScene(800, 600);
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 96, 800, 408}));

    view_height = 340;
    pixel_aspect_width = 1.0f;
    resizeGLScene(800, 600);
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 130, 800, 340}));
    EXPECT_EQ(current_view_y, 130u);
}

TEST_F(WindowTest, ScreenLowerThanTheViewCentresAndCuts)
{
    view_height = 408;
    pixel_aspect_width = 1.6f / 1.3333334f;
    resizeGLScene(800, 300);
    EXPECT_EQ(int32_t(current_view_y), -54);
    EXPECT_EQ(current_view_height, 408u);
    EXPECT_EQ(viewport()[1], -54);
}

TEST_F(WindowTest, ZeroHeightCountsAsOne)
{
    resizeGLScene(800, 0);
    EXPECT_EQ(int32_t(current_view_y), (1 - 340) / 2);
}

TEST_F(WindowTest, ProjectionUsesTheViewAspect)
{
    view_height = 408;
    pixel_aspect_width = 1.6f / 1.3333334f;
    resizeGLScene(800, 600);
    GLfloat p[16];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    const double f = 1.0 / std::tan(30.0 * 3.14159265358979323846 / 180.0);
    EXPECT_NEAR(p[0], f / 2.35, 1e-5);
    EXPECT_NEAR(p[5], f, 1e-5);
}

TEST_F(WindowTest, FixedStateAfterStartUp)
{
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST)) << "blending leaves depth test off";
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_FALSE(glIsEnabled(GL_FOG)) << "fog is set up but switched on by the script";
    GLint i;
    glGetIntegerv(GL_SHADE_MODEL, &i);
    EXPECT_EQ(i, GL_FLAT);
    glGetIntegerv(GL_BLEND_DST, &i);
    EXPECT_EQ(i, GL_ONE);
    glGetIntegerv(GL_FOG_MODE, &i);
    EXPECT_EQ(i, GL_LINEAR);
    GLfloat fog[4];
    glGetFloatv(GL_FOG_END, fog);
    EXPECT_EQ(fog[0], 20.0f);
    GLfloat pos[4];
    glGetLightfv(GL_LIGHT1, GL_POSITION, pos);
    EXPECT_EQ(pos[0], -20.0f);
    EXPECT_EQ(pos[1], -5.0f);
    // The texture matrix turns t into -t and leaves s alone.
    GLfloat t[16];
    glGetFloatv(GL_TEXTURE_MATRIX, t);
    EXPECT_NEAR(t[0], 1.0f, 1e-6);
    EXPECT_NEAR(t[5], -1.0f, 1e-6);
}

TEST_F(WindowTest, HeldKeysFollowPressAndRelease)
{
    struct Key {
        int sym;
        bool* flag;
    };
    const Key keys[] = {{SDLK_UP, &upKey}, {SDLK_DOWN, &downKey}, {SDLK_RIGHT, &rightKey},
                        {SDLK_LEFT, &leftKey}, {SDLK_PAGEUP, &pageUpKey}, {SDLK_PAGEDOWN, &pageDownKey},
                        {SDLK_w, &wKey}, {SDLK_a, &aKey}, {SDLK_s, &sKey}, {SDLK_d, &dKey},
                        {SDLK_q, &qKey}, {SDLK_e, &eKey}, {SDLK_1, &key1}, {SDLK_2, &key2},
                        {SDLK_n, &nKey}};
    for (const Key& k : keys) {
        keyPressed(k.sym);
        EXPECT_TRUE(*k.flag) << k.sym;
    }
    for (const Key& k : keys) {
        keyReleased(k.sym);
        EXPECT_FALSE(*k.flag) << k.sym;
    }
    keyPressed(SDLK_x);
    keyReleased(SDLK_x);
    EXPECT_TRUE(running);
}

TEST_F(WindowTest, SeekKeyAddsASecondPerPress)
{
    for (int i = 0; i < 3; ++i) {
        keyPressed(SDLK_n);
        keyReleased(SDLK_n);
    }
    EXPECT_TRUE(seekMode);
    EXPECT_EQ(seekModePosition, 3000000000LL);
}

TEST_F(WindowTest, EscapeQuitsOnRelease)
{
    keyPressed(SDLK_ESCAPE);
    EXPECT_TRUE(running);
    keyReleased(SDLK_ESCAPE);
    EXPECT_FALSE(running);
}

TEST_F(WindowTest, LightAndBlendToggleOnRelease)
{
    keyPressed(SDLK_l);
    EXPECT_TRUE(light);
    keyReleased(SDLK_l);
    EXPECT_FALSE(light);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    keyReleased(SDLK_l);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));

    keyReleased(SDLK_b);
    EXPECT_FALSE(blend);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    keyReleased(SDLK_b);
    EXPECT_TRUE(blend);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(WindowTest, ProcessEventsDrainsTheQueueInOrder)
{
    SDL_Event e = {};
    auto push = [&](Uint8 type, SDLKey sym) {
        e.type = type;
        e.key.keysym.sym = sym;
        ASSERT_EQ(SDL_PushEvent(&e), 0);
    };
    push(SDL_KEYDOWN, SDLK_w);
    push(SDL_KEYDOWN, SDLK_n);
    push(SDL_KEYUP, SDLK_n);
    push(SDL_KEYDOWN, SDLK_n);
    push(SDL_KEYUP, SDLK_w);
    push(SDL_KEYDOWN, SDLK_UP);
    processEvents();
    EXPECT_FALSE(wKey);
    EXPECT_TRUE(nKey);
    EXPECT_TRUE(upKey);
    EXPECT_EQ(seekModePosition, 2000000000LL);
    keyReleased(SDLK_UP);
    keyReleased(SDLK_n);

    e = {};
    e.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&e), 0);
    processEvents();
    EXPECT_FALSE(running);
}

} // namespace
